#pragma once
// The launcher's taskbar button: progress through ITaskbarList3 and a flash
// (FlashWindowEx) when the road stops for the user behind another window.
// Where the system has no such interface the calls do nothing.
#include <windows.h>

#include "Presentation/ViewModels/TaskbarState.h"

struct ITaskbarList3;

namespace Presentation::Views {

class TTaskbarButton {
 public:
  TTaskbarButton() = default;
  ~TTaskbarButton();
  TTaskbarButton(const TTaskbarButton&) = delete;
  TTaskbarButton& operator=(const TTaskbarButton&) = delete;

  // Shows what a state report means for AWindow's button. True when it asked
  // for attention (the window was not in front).
  bool Show(HWND AWindow, ViewModels::TAppState AState, int32_t AProgress);
  const ViewModels::TTaskbarView& Current() const { return FView; }
  // Whether the system gave the progress interface (after the first Show).
  bool HasProgressInterface() const { return FList != nullptr; }

 private:
  void Apply(HWND AWindow);

  ViewModels::TTaskbarView FView;
  ITaskbarList3* FList = nullptr;
  bool FTried = false;
  bool FComStarted = false;
};

}  // namespace Presentation::Views
