#include "Presentation/ViewModels/TaskbarState.h"

#include <algorithm>

namespace Presentation::ViewModels {

TTaskbarView SplashTaskbarView(TAppState AState, int32_t AProgress, const TTaskbarView& APrevious) {
  TTaskbarView view;
  switch (AState) {
    case TAppState::DownloadingApplication:
    case TAppState::DownloadingUpdate:
    case TAppState::InstallingUpdate:
    case TAppState::InstallingBDE:
      view.Progress = AProgress < 0 ? TTaskbarProgress::Indeterminate : TTaskbarProgress::Normal;
      view.Percent = std::clamp(AProgress, 0, 100);
      break;
    case TAppState::Error:
    case TAppState::BDEMissing:
      view.Progress = TTaskbarProgress::Error;
      // A red bar of no length shows nothing: a failure before any work fills it.
      view.Percent = APrevious.Progress == TTaskbarProgress::Normal && APrevious.Percent > 0 ? APrevious.Percent : 100;
      view.Attention = true;
      break;
    case TAppState::ConfigNeeded:
    case TAppState::DSNSelectionNeeded:
      view.Attention = true;
      break;
    default:
      break;
  }
  return view;
}

}  // namespace Presentation::ViewModels
