#pragma once
// The launcher's command-line switches, for support: "/config" opens the
// database configuration before anything else, "/log" starts the support
// log. Either may start with "/" or "-" (or "--"), in any case; anything else
// is kept to be logged and otherwise ignored.
#include <string>
#include <vector>

namespace Bootstrap {

struct TLaunchSwitches {
  bool OpenConfiguration = false;
  bool SupportLog = false;
  std::vector<std::string> Unknown;
};

TLaunchSwitches ParseLaunchSwitches(const std::vector<std::string>& AArguments);

}  // namespace Bootstrap
