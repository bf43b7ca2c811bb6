#include "Bootstrap/ServiceLocator.h"

#include "Infrastructure/BDE/WindowsBDEService.h"
#include "Infrastructure/Config/IniConfigService.h"
#include "Infrastructure/Files/WindowsFileService.h"
#include "Infrastructure/Logging/DebugLoggerService.h"
#include "Infrastructure/Translator/PortugueseTranslator.h"

namespace Bootstrap {

using namespace Core::Interfaces;

void TServiceLocator::RegisterServices() {
  FLoggerService = std::make_shared<Infrastructure::Logging::TDebugLoggerService>();
  FConfigService = std::make_shared<Infrastructure::Config::TIniConfigService>();
  FFileService = std::make_shared<Infrastructure::Files::TWindowsFileService>();
  FTranslator = std::make_shared<Infrastructure::Translator::TPortugueseTranslator>();
  FBDEService = std::make_shared<Infrastructure::BDE::TWindowsBDEService>(FFileService);
}

void TServiceLocator::CancelRegistrationServices() {
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
