#include "Presentation/Views/Taskbar.h"

#include <objbase.h>
#include <shobjidl.h>

namespace Presentation::Views {

using ViewModels::TTaskbarProgress;

namespace {

// Spelled out here: taking them from libuuid links its whole table of
// identifiers (about 36 KB) into the executable.
constexpr CLSID kTaskbarListClass = {0x56FDF344, 0xFD6D, 0x11D0, {0x95, 0x8A, 0x00, 0x60, 0x97, 0xC9, 0xA0, 0x90}};
constexpr IID kTaskbarList3Interface = {0xEA1AFB91, 0x9E28, 0x4B86, {0x90, 0xE9, 0x9E, 0x9F, 0x8A, 0x5E, 0xEF, 0xAF}};

}  // namespace

TTaskbarButton::~TTaskbarButton() {
  if (FList != nullptr) FList->Release();
  if (FComStarted) CoUninitialize();
}

bool TTaskbarButton::Show(HWND AWindow, ViewModels::TAppState AState, int32_t AProgress) {
  const ViewModels::TTaskbarView view = ViewModels::SplashTaskbarView(AState, AProgress, FView);
  const bool changed = !(view == FView);
  FView = view;
  if (changed) Apply(AWindow);
  if (!view.Attention || AWindow == nullptr || GetForegroundWindow() == AWindow) return false;
  FLASHWINFO flash{};
  flash.cbSize = sizeof(flash);
  flash.hwnd = AWindow;
  // Until the user brings the window to the front.
  flash.dwFlags = FLASHW_ALL | FLASHW_TIMERNOFG;
  FlashWindowEx(&flash);
  return true;
}

void TTaskbarButton::Apply(HWND AWindow) {
  if (!FTried) {
    FTried = true;
    const HRESULT started = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    FComStarted = SUCCEEDED(started);
    ITaskbarList3* list = nullptr;
    if (SUCCEEDED(CoCreateInstance(kTaskbarListClass, nullptr, CLSCTX_INPROC_SERVER, kTaskbarList3Interface,
                                   reinterpret_cast<void**>(&list)))) {
      if (SUCCEEDED(list->HrInit()))
        FList = list;
      else
        list->Release();
    }
  }
  if (FList == nullptr || AWindow == nullptr) return;
  TBPFLAG flag = TBPF_NOPROGRESS;
  switch (FView.Progress) {
    case TTaskbarProgress::Normal:
      flag = TBPF_NORMAL;
      break;
    case TTaskbarProgress::Indeterminate:
      flag = TBPF_INDETERMINATE;
      break;
    case TTaskbarProgress::Error:
      flag = TBPF_ERROR;
      break;
    case TTaskbarProgress::None:
      break;
  }
  // Failures change nothing the user needs: the window shows the same.
  FList->SetProgressState(AWindow, flag);
  if (flag == TBPF_NORMAL || flag == TBPF_ERROR) FList->SetProgressValue(AWindow, FView.Percent, 100);
}

}  // namespace Presentation::Views
