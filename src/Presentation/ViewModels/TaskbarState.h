#pragma once
// What the launcher's taskbar button shows for each report of the start-up
// road: the progress of a download or an installation, red once it failed,
// and a flash when the road stops for the user while another window is in front.
#include <cstdint>

#include "Presentation/ViewModels/Splash.h"

namespace Presentation::ViewModels {

enum class TTaskbarProgress { None, Normal, Indeterminate, Error };

struct TTaskbarView {
  TTaskbarProgress Progress = TTaskbarProgress::None;
  int32_t Percent = 0;
  // The user must act: the button asks for attention when the window is not in front.
  bool Attention = false;

  bool operator==(const TTaskbarView&) const = default;
};

// APrevious is what the button shows now: an error keeps the bar where the
// work stopped.
TTaskbarView SplashTaskbarView(TAppState AState, int32_t AProgress, const TTaskbarView& APrevious);

}  // namespace Presentation::ViewModels
