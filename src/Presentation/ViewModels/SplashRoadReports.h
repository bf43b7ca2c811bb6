#pragma once
// What the update and BDE roads report, as states of the splash window: each report is handed to
// the window's thread, and only reports that change what the window shows travel.
#include <cstdint>

#include "Presentation/ViewModels/Splash.h"

namespace Presentation::ViewModels {

// The download band of the progress bar starts here (60 to 90).
inline constexpr int32_t kDownloadBandStart = 60;

class TSplashViewModel::TUpdateReports : public Core::Interfaces::IUpdateObserver {
 public:
  explicit TUpdateReports(TSplashViewModel& AOwner) : FOwner(AOwner) {}

  void WaitingForOtherLauncher() override;
  void DownloadPlanned(int64_t AToFetch, int64_t APackageSize, bool AChangedOnly) override;
  void DownloadProgress(int64_t AReceived, int64_t ATotal) override;
  // On the window's thread, so a close either comes before (nothing installed) or waits for the end.
  bool BeginInstallation(bool AZip) override;
  void InstallationProgress(int64_t ADone, int64_t ATotal) override;

 private:
  TSplashViewModel& FOwner;
  int32_t FLastDownload = -1;  // the percentage last shown; the first report (0 %) shows too
  // Only what changed is fetched: how much, of how large a package (for the text).
  bool FChangedOnly = false;
  int64_t FToFetch = 0;
  int64_t FPackageSize = 0;
  int32_t FLastInstall = 92;
  bool FZip = true;
};

class TSplashViewModel::TBDEReports : public Application::UseCases::IBDEObserver {
 public:
  explicit TBDEReports(TSplashViewModel& AOwner) : FOwner(AOwner) {}

  void Installing() override;
  void InstallationProgress(int64_t ACurrent, int64_t ATotal) override;

 private:
  TSplashViewModel& FOwner;
  int32_t FLastPoints = -1;
};

}  // namespace Presentation::ViewModels
