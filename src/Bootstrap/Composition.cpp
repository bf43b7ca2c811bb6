#include "Bootstrap/Composition.h"

#include "Application/UseCases/InstallBDE.h"
#include "Application/UseCases/UpdateApplication.h"
#include "Bootstrap/ServiceLocator.h"
#include "Infrastructure/Platform/FileSystem.h"
#include "Infrastructure/Update/AutoUpdateService.h"
#include "Infrastructure/Update/PackageFetcher.h"
#include "Infrastructure/Update/ReleaseInfoSource.h"
#include "Infrastructure/Update/UpdateInstaller.h"
#include "ReleaseKeys.h"

#include "Infrastructure/Config/IniConfigWriter.h"
#include "Infrastructure/Database/ODBCManager.h"
#include "Infrastructure/Database/SQLDatabaseService.h"
#include "Infrastructure/Logging/LoggingHttpClient.h"
#include "Infrastructure/Platform/DefaultPorts.h"
#include "Infrastructure/Platform/SystemClock.h"

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

std::shared_ptr<Application::UseCases::TStartupCheckUseCase> CreateStartupCheckUseCase(
    std::shared_ptr<Core::Interfaces::IConfigService> AConfigService,
    std::shared_ptr<Core::Interfaces::IFileService> AFileService,
    std::shared_ptr<Core::Interfaces::ITranslator> ATranslator,
    std::shared_ptr<Core::Interfaces::ILoggerService> ALogger) {
  auto registry = Infrastructure::Platform::DefaultRegistry();
  auto http = std::make_shared<Infrastructure::Logging::TLoggingHttpClient>(
      Infrastructure::Platform::DefaultHttpClient(), ALogger);
  // The keys named at build time (QL_RELEASE_KEYS); none: an unsigned document.
  auto keys = Infrastructure::Crypto::TTrustedKeys::FromPem(CompiledReleaseKeys());
  return std::make_shared<Application::UseCases::TStartupCheckUseCase>(
      std::move(AConfigService), std::move(AFileService), std::move(ATranslator), std::move(ALogger),
      [registry] {
        return std::make_shared<Infrastructure::Database::TSQLDatabaseService>(Core::ValueObjects::TConnectionConfig(),
                                                                               registry);
      },
      [http, keys](const std::string& AConfigPath) {
        return std::make_shared<Infrastructure::Update::TReleaseInfoSource>(
            http, AConfigPath, Infrastructure::Update::TReleaseInfoSource::DefaultOptions(), keys);
      });
}

Presentation::ViewModels::TSplashPlatform CreatePortableSplashPlatform(std::string ALauncherPath) {
  Presentation::ViewModels::TSplashPlatform platform;
  platform.Sleep = [](uint32_t AMilliseconds) { Infrastructure::Platform::SleepMilliseconds(AMilliseconds); };
  platform.LauncherPath = std::move(ALauncherPath);
  return platform;
}

TSplashServices RegisteredSplashServices() {
  return {TServiceLocator::GetConfigService(), TServiceLocator::GetFileService(), TServiceLocator::GetTranslator(),
          TServiceLocator::GetLoggerService(), TServiceLocator::GetBDEService()};
}

std::shared_ptr<Presentation::ViewModels::TSplashViewModel> CreateSplashViewModel(
    const TSplashServices& AServices, Presentation::ViewModels::TSplashPlatform APlatform,
    std::shared_ptr<Application::UseCases::IStartupCheckUseCase> AStartupCheck) {
  if (!AStartupCheck)
    AStartupCheck = CreateStartupCheckUseCase(AServices.Config, AServices.Files, AServices.Translator, AServices.Logger);
  Application::UseCases::TUpdatePorts ports;
  ports.Files = AServices.Files;
  ports.Installer = std::make_shared<Infrastructure::Update::TUpdateInstaller>(AServices.Translator);
  ports.Packages = std::make_shared<Infrastructure::Update::TPackageFetcher>(
      std::make_shared<Infrastructure::Logging::TLoggingHttpClient>(Infrastructure::Platform::DefaultHttpClient(),
                                                                    AServices.Logger),
      AServices.Logger);
  ports.Translator = AServices.Translator;
  ports.Logger = AServices.Logger;
  ports.Sleep = APlatform.Sleep;
  ports.RemoveFile = [](const std::string& APath) { return Infrastructure::Platform::RemoveFile(APath); };
  ports.LauncherPath = APlatform.LauncherPath;
  ports.ServiceFactory =
      Infrastructure::Update::AutoUpdateServiceFactory(AServices.Files, AServices.Translator, APlatform.Shell);
  auto update = std::make_shared<Application::UseCases::TUpdateApplicationUseCase>(std::move(ports));
  auto bde = std::make_shared<Application::UseCases::TInstallBDEUseCase>(
      AServices.BDE, AServices.Logger, AServices.Translator, kDefaultBdeUrl, CompiledDefaultBdeCheck());
  return std::make_shared<Presentation::ViewModels::TSplashViewModel>(
      std::move(AStartupCheck), std::move(update),
      CreateConfigureDatabaseUseCase(AServices.Config, AServices.Translator), AServices.Files, AServices.Translator,
      AServices.Logger, std::move(bde), std::move(APlatform));
}

}  // namespace Bootstrap
