#include "Presentation/ViewModels/SplashRoadReports.h"

#include <string>

#include "Presentation/ViewModels/DownloadAmounts.h"

namespace Presentation::ViewModels {

void TSplashViewModel::TUpdateReports::WaitingForOtherLauncher() {
  FOwner.ShowFromTask(TAppState::DownloadingApplication, FOwner.FTranslator->Translate("UpdateWaitingOther"),
                      kDownloadBandStart);
}

void TSplashViewModel::TUpdateReports::DownloadPlanned(int64_t AToFetch, int64_t APackageSize, bool AChangedOnly) {
  FChangedOnly = AChangedOnly;
  FToFetch = AToFetch;
  FPackageSize = APackageSize;
  FLastDownload = -1;  // a new plan is a new text, shown from its first report
}

void TSplashViewModel::TUpdateReports::DownloadProgress(int64_t AReceived, int64_t ATotal) {
  const int32_t progress = TSplashViewModel::DownloadProgress(AReceived, ATotal);
  // The text counts the whole download, the bar its band of the start-up.
  const int32_t shown = DownloadPercent(AReceived, ATotal);
  // The download must not wait for a repaint per block: one per percent the text shows.
  if (progress < 0 || shown == FLastDownload) return;
  FLastDownload = shown;
  const std::string percent = std::to_string(shown);
  FOwner.ShowFromTask(TAppState::DownloadingApplication,
                      FChangedOnly
                          ? FOwner.FTranslator->TranslateFormat("DownloadingChangedOnly",
                                                                {Megabytes(FToFetch), Megabytes(FPackageSize), percent})
                          : FOwner.FTranslator->TranslateFormat("DownloadingProgress", {percent}),
                      progress);
}

bool TSplashViewModel::TUpdateReports::BeginInstallation(bool AZip) {
  FZip = AZip;
  bool begun = false;
  FOwner.HandOver([&] {
    if (FOwner.FStopRequested) return;
    begun = FOwner.FInstalling = true;
    FOwner.SetState(TAppState::InstallingUpdate, FOwner.FTranslator->Translate("DownloadComplete"), 90);
    if (AZip) FOwner.SetState(TAppState::InstallingUpdate, FOwner.FTranslator->Translate("InstallingUpdate"), 92);
  });
  return begun;
}

void TSplashViewModel::TUpdateReports::InstallationProgress(int64_t ADone, int64_t ATotal) {
  const int32_t progress = InstallProgress(ADone, ATotal);
  if (!FZip || progress == FLastInstall) return;
  FLastInstall = progress;
  FOwner.ShowFromTask(TAppState::InstallingUpdate, FOwner.FTranslator->Translate("InstallingUpdate"), progress);
}

void TSplashViewModel::TBDEReports::Installing() {
  FOwner.ShowFromTask(TAppState::InstallingBDE, FOwner.FTranslator->Translate("BDENotFound"), 10);
}

void TSplashViewModel::TBDEReports::InstallationProgress(int64_t ACurrent, int64_t ATotal) {
  const int32_t points = InstallPoints(ACurrent, ATotal);
  if (points == FLastPoints) return;  // nothing new to show
  FLastPoints = points;
  FOwner.ShowFromTask(TAppState::InstallingBDE,
                      FOwner.FTranslator->TranslateFormat("InstallingBDE", {std::to_string(points)}), points + 10);
}

}  // namespace Presentation::ViewModels
