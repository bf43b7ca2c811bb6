#include "Bootstrap/ServiceLocator.h"

#include "Bootstrap/SupportLog.h"
#include "Infrastructure/BDE/WindowsBDEService.h"
#include "Infrastructure/Config/IniConfigService.h"
#include "Infrastructure/Files/WindowsFileService.h"
#include "Infrastructure/Logging/DebugLoggerService.h"
#include "Infrastructure/Logging/LoggingHttpClient.h"
#include "Infrastructure/Platform/ProcessInfo.h"
#include "Infrastructure/Translator/PortugueseTranslator.h"

namespace Bootstrap {

using namespace Core::Interfaces;

void TServiceLocator::RegisterServices(const TLaunchSwitches& ASwitches) {
  FLaunchSwitches = ASwitches;
  auto logger = std::make_shared<Infrastructure::Logging::TDebugLoggerService>();
  FLoggerService = logger;
  FConfigService = std::make_shared<Infrastructure::Config::TIniConfigService>();
  auto ports = Infrastructure::Files::TFileServicePorts::Defaults();
  ports.Http = std::make_shared<Infrastructure::Logging::TLoggingHttpClient>(ports.Http, FLoggerService);
  const std::string launcherPath = ports.LauncherPath;
  FFileService = std::make_shared<Infrastructure::Files::TWindowsFileService>(std::move(ports));
  StartSupportLog(*logger, *FConfigService, ASwitches, [&] {
    return TStartFacts{launcherPath, FFileService->ReadVersionFromFile(launcherPath),
                       Infrastructure::Platform::OperatingSystemVersion(),
                       Infrastructure::Platform::LocalAppDataDirectory()};
  });
  FTranslator = std::make_shared<Infrastructure::Translator::TPortugueseTranslator>();
  FBDEService = std::make_shared<Infrastructure::BDE::TWindowsBDEService>(FFileService);
}

void TServiceLocator::CancelRegistrationServices() {
  FLaunchSwitches = {};
  FConfigService.reset();
  FFileService.reset();
  FTranslator.reset();
  FLoggerService.reset();
  FBDEService.reset();
}

std::shared_ptr<IConfigService> TServiceLocator::GetConfigService() { return FConfigService; }
std::shared_ptr<IFileService> TServiceLocator::GetFileService() { return FFileService; }
std::shared_ptr<ITranslator> TServiceLocator::GetTranslator() { return FTranslator; }
std::shared_ptr<ILoggerService> TServiceLocator::GetLoggerService() { return FLoggerService; }
std::shared_ptr<IBDEService> TServiceLocator::GetBDEService() { return FBDEService; }

}  // namespace Bootstrap
