#pragma once
// Where the use cases meet the real services and ports of the platform.
#include <memory>

#include <string>

#include "Application/UseCases/ConfigureDatabase.h"
#include "Application/UseCases/StartupCheck.h"
#include "Core/Interfaces/IBDEService.h"
#include "Core/Interfaces/IConfigService.h"
#include "Core/Interfaces/IFileService.h"
#include "Core/Interfaces/ILoggerService.h"
#include "Core/Interfaces/ITranslator.h"
#include "Presentation/ViewModels/Splash.h"

namespace Bootstrap {

// The configuration logic over the INI file, the registry's ODBC data sources
// and the SQL database service.
std::shared_ptr<Application::UseCases::TConfigureDatabaseUseCase> CreateConfigureDatabaseUseCase(
    std::shared_ptr<Core::Interfaces::IConfigService> AConfigService,
    std::shared_ptr<Core::Interfaces::ITranslator> ATranslator);

// Where the BDE installer comes from when the release information names none.
inline constexpr const char* kDefaultBdeUrl =
    "https://atualizacoes.quorvanesoft.com.br/launcher/bde/instalador_bde.exe";

// The start-up check over the SQL database service and the release
// information fetched through the platform's HTTP client.
std::shared_ptr<Application::UseCases::TStartupCheckUseCase> CreateStartupCheckUseCase(
    std::shared_ptr<Core::Interfaces::IConfigService> AConfigService,
    std::shared_ptr<Core::Interfaces::IFileService> AFileService,
    std::shared_ptr<Core::Interfaces::ITranslator> ATranslator,
    std::shared_ptr<Core::Interfaces::ILoggerService> ALogger);

// The portable part of the splash's platform: real pauses and the launcher's
// path. Threads and shell are the caller's.
Presentation::ViewModels::TSplashPlatform CreatePortableSplashPlatform(std::string ALauncherPath);

struct TSplashServices {
  std::shared_ptr<Core::Interfaces::IConfigService> Config;
  std::shared_ptr<Core::Interfaces::IFileService> Files;
  std::shared_ptr<Core::Interfaces::ITranslator> Translator;
  std::shared_ptr<Core::Interfaces::ILoggerService> Logger;
  std::shared_ptr<Core::Interfaces::IBDEService> BDE;
};

// The services of the registry (registered before).
TSplashServices RegisteredSplashServices();

// The splash view model with its use cases over the given services. The
// start-up check is made here unless the caller passes its own (the window
// keeps it to hand over the data source the user chose).
std::shared_ptr<Presentation::ViewModels::TSplashViewModel> CreateSplashViewModel(
    const TSplashServices& AServices, Presentation::ViewModels::TSplashPlatform APlatform,
    std::shared_ptr<Application::UseCases::IStartupCheckUseCase> AStartupCheck = nullptr);

}  // namespace Bootstrap
