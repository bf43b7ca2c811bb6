#include "Bootstrap/LaunchSwitches.h"

#include <string_view>

#include "Core/Text/TextUtils.h"

namespace Bootstrap {

TLaunchSwitches ParseLaunchSwitches(const std::vector<std::string>& AArguments) {
  TLaunchSwitches switches;
  for (const std::string& argument : AArguments) {
    std::string_view name = argument;
    if (name.substr(0, 2) == "--")
      name.remove_prefix(2);
    else if (!name.empty() && (name[0] == '/' || name[0] == '-'))
      name.remove_prefix(1);
    else
      name = {};
    if (Core::Text::SameTextAscii(name, "config") && !name.empty())
      switches.OpenConfiguration = true;
    else if (Core::Text::SameTextAscii(name, "log") && !name.empty())
      switches.SupportLog = true;
    else if (!argument.empty())
      switches.Unknown.push_back(argument);
  }
  return switches;
}

}  // namespace Bootstrap
