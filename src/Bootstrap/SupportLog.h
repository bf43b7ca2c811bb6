#pragma once
// Starts the support log when it is asked for and writes what support needs
// to know of this start.
#include <functional>
#include <string>

#include "Bootstrap/LaunchSwitches.h"
#include "Core/Interfaces/IConfigService.h"
#include "Infrastructure/Logging/DebugLoggerService.h"

namespace Bootstrap {

// <ALocalAppData>\QuorvaneSoft\Launcher\launcher.log; empty without a folder.
std::string SupportLogPath(const std::string& ALocalAppData);

// True when the INI file says [Diagnostico] Log=1 (also "true" or "sim").
bool SupportLogRequested(const std::string& AConfigPath);

struct TStartFacts {
  std::string LauncherPath;
  std::string LauncherVersion;
  std::string SystemVersion;
  std::string LocalAppData;
};

// Starts the log when /log or the INI file asks for it; false when it was not
// asked for or could not be opened (the launcher goes on without it). The
// facts are gathered only for a log that was asked for.
bool StartSupportLog(Infrastructure::Logging::TDebugLoggerService& ALogger, Core::Interfaces::IConfigService& AConfig,
                     const TLaunchSwitches& ASwitches, const std::function<TStartFacts()>& AFacts);

}  // namespace Bootstrap
