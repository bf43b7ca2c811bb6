#include "Bootstrap/Composition.h"

#include "Infrastructure/Config/IniConfigWriter.h"
#include "Infrastructure/Database/ODBCManager.h"
#include "Infrastructure/Database/SQLDatabaseService.h"
#include "Infrastructure/Platform/DefaultPorts.h"

namespace Bootstrap {

std::shared_ptr<Application::UseCases::TConfigureDatabaseUseCase> CreateConfigureDatabaseUseCase(
    std::shared_ptr<Core::Interfaces::IConfigService> AConfigService,
    std::shared_ptr<Core::Interfaces::ITranslator> ATranslator) {
  auto registry = Infrastructure::Platform::DefaultRegistry();
  return std::make_shared<Application::UseCases::TConfigureDatabaseUseCase>(
      std::move(AConfigService), std::move(ATranslator), std::make_shared<Infrastructure::Config::TIniConfigWriter>(),
      std::make_shared<Infrastructure::Database::TODBCManager>(registry),
      [registry](const Core::ValueObjects::TConnectionConfig& AConfig) {
        return std::make_shared<Infrastructure::Database::TSQLDatabaseService>(AConfig, registry);
      });
}

}  // namespace Bootstrap
