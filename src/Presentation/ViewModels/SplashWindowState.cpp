#include "Presentation/ViewModels/SplashWindowState.h"

namespace Presentation::ViewModels {

TSplashStateView SplashStateView(TAppState AState) {
  TSplashStateView view;
  switch (AState) {
    case TAppState::Initializing:
    case TAppState::CheckingBDE:
    case TAppState::InstallingBDE:
    case TAppState::Validating:
    case TAppState::CheckingUpdate:
    case TAppState::DownloadingUpdate:
    case TAppState::InstallingUpdate:
    case TAppState::DownloadingApplication:
      view.BusyRunning = true;
      view.ProgressVisible = true;
      view.RetryVisible = false;
      break;
    case TAppState::BDEMissing:
      view.BusyRunning = false;
      view.ProgressVisible = false;
      view.RetryVisible = true;
      view.MessageInErrorColour = true;
      break;
    case TAppState::Validated:
    case TAppState::ReadyToLaunch:
      view.BusyRunning = false;
      view.ProgressFull = true;
      break;
    case TAppState::Error:
      view.BusyRunning = false;
      view.ProgressVisible = false;
      view.RetryVisible = true;
      view.MessageInErrorColour = true;
      view.ShowErrorBox = true;
      break;
    case TAppState::ConfigNeeded:
      view.BusyRunning = false;
      view.ProgressVisible = false;
      view.OpenConfiguration = true;
      break;
    case TAppState::DSNSelectionNeeded:
      view.BusyRunning = false;
      view.ProgressVisible = false;
      view.RetryVisible = false;
      view.OpenDSNSelector = true;
      break;
    case TAppState::UpdateComplete:
      break;
  }
  return view;
}

std::string SplashPercentText(int32_t AProgress) {
  return AProgress < 1 ? std::string() : std::to_string(AProgress) + "%";
}

std::string SplashVersionText(const Core::Interfaces::ITranslator& ATranslator, const std::string& ADatabaseVersion,
                              const std::string& AExecutableVersion, const std::string& AMinimumVersion) {
  const auto shown = [](const std::string& AVersion) { return AVersion.empty() ? std::string("-") : AVersion; };
  if (ADatabaseVersion.empty() && AExecutableVersion.empty() && AMinimumVersion.empty()) return {};
  return ATranslator.TranslateFormat("VersionInfo",
                                     {shown(ADatabaseVersion), shown(AExecutableVersion), shown(AMinimumVersion)});
}

}  // namespace Presentation::ViewModels
