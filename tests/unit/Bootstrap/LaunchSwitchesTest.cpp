#include <gtest/gtest.h>

#include "Bootstrap/LaunchSwitches.h"

using Bootstrap::ParseLaunchSwitches;
using TArgs = std::vector<std::string>;

TEST(LaunchSwitches, ReadsConfigAndLogInEitherFormAndKeepsTheRestToLog) {
  const struct {
    TArgs Arguments;
    bool Config, Log;
    TArgs Unknown;
  } cases[] = {
      {{}, false, false, {}},
      {{"/config"}, true, false, {}},
      {{"-LOG"}, false, true, {}},
      {{"--Config", "/log"}, true, true, {}},
      {{"/log", "/log"}, false, true, {}},  // twice is once
      {{"/logs", "config", "/", "-", "--", "/c", ""}, false, false, {"/logs", "config", "/", "-", "--", "/c"}},
      {{"/config=1", "/log", "C:\\x y\\a.ini"}, false, true, {"/config=1", "C:\\x y\\a.ini"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.Arguments));
    const Bootstrap::TLaunchSwitches switches = ParseLaunchSwitches(c.Arguments);
    EXPECT_EQ(switches.OpenConfiguration, c.Config);
    EXPECT_EQ(switches.SupportLog, c.Log);
    EXPECT_EQ(switches.Unknown, c.Unknown);
  }
}
