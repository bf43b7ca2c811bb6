#pragma once
// What the splash window shows for each report of the start-up road: the
// decisions of the window, kept out of the Win32 code so they can be tested.
#include <cstdint>
#include <optional>
#include <string>

#include "Core/Interfaces/ITranslator.h"
#include "Presentation/ViewModels/Splash.h"

namespace Presentation::ViewModels {

// nullopt: the control keeps what it had.
struct TSplashStateView {
  std::optional<bool> BusyRunning;
  std::optional<bool> ProgressVisible;
  bool ProgressFull = false;  // the bar jumps to 100 whatever the report says
  std::optional<bool> RetryVisible;
  bool MessageInErrorColour = false;  // once red, the message stays red
  bool ShowErrorBox = false;          // then the launcher ends
  bool OpenConfiguration = false;
  bool OpenDSNSelector = false;
};

TSplashStateView SplashStateView(TAppState AState);

// "" below 1, otherwise "<n>%".
std::string SplashPercentText(int32_t AProgress);

// "BD: %s | EXE: %s | WS: %s" with "-" for an unknown version; "" when none is known.
std::string SplashVersionText(const Core::Interfaces::ITranslator& ATranslator, const std::string& ADatabaseVersion,
                              const std::string& AExecutableVersion, const std::string& AMinimumVersion);

}  // namespace Presentation::ViewModels
