#pragma once
// Where the use cases meet the real services and ports of the platform.
#include <memory>

#include "Application/UseCases/ConfigureDatabase.h"
#include "Core/Interfaces/IConfigService.h"
#include "Core/Interfaces/ITranslator.h"

namespace Bootstrap {

// The configuration logic over the INI file, the registry's ODBC data sources
// and the SQL database service.
std::shared_ptr<Application::UseCases::TConfigureDatabaseUseCase> CreateConfigureDatabaseUseCase(
    std::shared_ptr<Core::Interfaces::IConfigService> AConfigService,
    std::shared_ptr<Core::Interfaces::ITranslator> ATranslator);

}  // namespace Bootstrap
