#include "Infrastructure/Update/AutoUpdateService.h"

#include <memory>
#include <utility>

#include "Core/Text/PathText.h"

namespace Infrastructure::Update {

using namespace Core::Interfaces;
using Core::ValueObjects::TUpdateInfo;
using Core::ValueObjects::TUpdateOutcome;
using Core::ValueObjects::TUpdatePlan;
using Core::ValueObjects::TUpdateResult;

namespace {

// FIsUpdating is true while an operation runs and returns to what it was when
// it ends, also by an exception from a caller's callback; nested steps of
// StartUpdateProcess leave it true for the whole process.
class TUpdatingScope {
 public:
  explicit TUpdatingScope(std::atomic<bool>& AFlag) : FFlag(AFlag), FPrevious(AFlag.exchange(true)) {}
  ~TUpdatingScope() { FFlag = FPrevious; }
  TUpdatingScope(const TUpdatingScope&) = delete;
  TUpdatingScope& operator=(const TUpdatingScope&) = delete;

 private:
  std::atomic<bool>& FFlag;
  bool FPrevious;
};

void Report(const TOnUpdateProgress& AOnProgress, const std::string& AMessage, int32_t AProgress) {
  if (AOnProgress) AOnProgress(AMessage, AProgress);
}

bool Succeeded(const TUpdateOutcome& AOutcome) {
  return AOutcome.Result == TUpdateResult::Installed || AOutcome.Result == TUpdateResult::DoneByOther;
}

// The road's steps as the fixed progress texts of the update service.
class TProgressTexts : public IUpdateObserver {
 public:
  TProgressTexts(const TOnUpdateProgress& AOnProgress, std::function<std::string(const std::string&)> AText)
      : FOnProgress(AOnProgress), FText(std::move(AText)) {}
  void DownloadProgress(int64_t, int64_t) override {
    if (!std::exchange(FDownloading, true)) Report(FOnProgress, FText("DownloadingUpdate"), 50);
  }
  bool BeginInstallation(bool AZip) override {
    Report(FOnProgress, FText(AZip ? "ExtractingFiles" : "ApplyingUpdate"), AZip ? 75 : 90);
    return true;
  }

 private:
  const TOnUpdateProgress& FOnProgress;
  std::function<std::string(const std::string&)> FText;
  bool FDownloading = false;
};

}  // namespace

TAutoUpdateService::TAutoUpdateService(IUpdateRoad& ARoad, std::shared_ptr<IFileService> AFileService,
                                       std::shared_ptr<ITranslator> ATranslator,
                                       std::shared_ptr<IProcessLauncher> AProcessLauncher)
    : FRoad(ARoad),
      FFileService(std::move(AFileService)),
      FTranslator(std::move(ATranslator)),
      FProcessLauncher(std::move(AProcessLauncher)) {}

std::string TAutoUpdateService::Text(const std::string& AKey) const {
  return FTranslator ? FTranslator->Translate(AKey) : AKey;
}

TUpdateInfo TAutoUpdateService::CheckForUpdate() {
  return TUpdateInfo();
}

bool TAutoUpdateService::DownloadUpdate(const TUpdateInfo& AUpdateInfo, const TOnUpdateProgress& AOnProgress) {
  TUpdatingScope scope(FIsUpdating);
  Report(AOnProgress, Text("DownloadingUpdate"), 50);
  if (AUpdateInfo.DownloadUrl().empty() || AUpdateInfo.DownloadPath().empty() || !FFileService) return false;
  return FFileService->DownloadVerifiedFile(AUpdateInfo.DownloadUrl(), AUpdateInfo.DownloadPath(), {}) ==
         Core::ValueObjects::TDownloadVerdict::Ok;
}

bool TAutoUpdateService::InstallLocal(const std::string& APackage, bool AZip, const std::string& ADestination) {
  TUpdatePlan plan;
  plan.LocalPackage = APackage;
  plan.LocalPackageIsZip = AZip;
  plan.Destination = ADestination;
  IUpdateObserver silent;
  FCancel = false;
  return Succeeded(FRoad.ExecuteUpdate(plan, silent, FCancel));
}

bool TAutoUpdateService::ExtractUpdate(const std::string& AZipPath, const std::string& ADestinationPath,
                                       const TOnUpdateProgress& AOnProgress) {
  TUpdatingScope scope(FIsUpdating);
  Report(AOnProgress, Text("ExtractingFiles"), 75);
  if (AZipPath.empty() || ADestinationPath.empty()) return false;
  return InstallLocal(AZipPath, true, ADestinationPath);
}

bool TAutoUpdateService::ApplyUpdate(const std::string& ASourcePath, const std::string& ADestinationPath,
                                     const TOnUpdateProgress& AOnProgress) {
  TUpdatingScope scope(FIsUpdating);
  Report(AOnProgress, Text("ApplyingUpdate"), 90);
  if (ASourcePath.empty() || ADestinationPath.empty() || !FFileService || !FFileService->FileExists(ASourcePath))
    return false;
  if (ASourcePath == ADestinationPath) return true;  // already in place
  return InstallLocal(ASourcePath, false, ADestinationPath);
}

bool TAutoUpdateService::ExecuteUpdate(const std::string& AExecutablePath) {
  if (AExecutablePath.empty() || !FProcessLauncher || !FFileService || !FFileService->FileExists(AExecutablePath))
    return false;
  return FProcessLauncher->Open(AExecutablePath).Started;
}

void TAutoUpdateService::StartUpdateProcess(const TUpdateInfo& AUpdateInfo, const TOnUpdateProgress& AOnProgress,
                                            const TOnUpdateComplete& AOnComplete) {
  TUpdatingScope scope(FIsUpdating);
  Report(AOnProgress, Text("StartingUpdate"), 0);
  TUpdatePlan plan;
  plan.PackageUrl = AUpdateInfo.DownloadUrl();
  // The default minimum, 0.0.0.0, requires nothing.
  if (AUpdateInfo.MinimumVersion() != TUpdateInfo().MinimumVersion())
    plan.MinimumVersion = AUpdateInfo.MinimumVersion();
  // A ZIP package goes where the update information says, else beside its download.
  if (plan.IsZip())
    plan.Destination = !AUpdateInfo.ExtractPath().empty()    ? AUpdateInfo.ExtractPath()
                       : !AUpdateInfo.DownloadPath().empty() ? Core::Text::ParentPath(AUpdateInfo.DownloadPath())
                                                             : "";
  TUpdateOutcome outcome;
  if (plan.PackageUrl.empty() || (plan.IsZip() && plan.Destination.empty())) {
    outcome.Message = Text("ErrorDownloading");
  } else {
    TProgressTexts reports(AOnProgress, [this](const std::string& AKey) { return Text(AKey); });
    FCancel = false;
    outcome = FRoad.ExecuteUpdate(plan, reports, FCancel);
  }
  if (!AOnComplete) return;
  if (outcome.Result == TUpdateResult::Cancelled) outcome.Message = Text("UpdateCancelled");
  if (Succeeded(outcome))
    AOnComplete(true, {});
  else
    AOnComplete(false, FTranslator ? FTranslator->TranslateFormat("UpdateFailed", {outcome.Message}) : outcome.Message);
}

void TAutoUpdateService::CancelUpdate() {
  FCancel = true;
}

bool TAutoUpdateService::IsUpdateInProgress() {
  return FIsUpdating;
}

TUpdateServiceFactory AutoUpdateServiceFactory(std::shared_ptr<IFileService> AFileService,
                                               std::shared_ptr<ITranslator> ATranslator,
                                               std::shared_ptr<IProcessLauncher> AProcessLauncher) {
  return [AFileService, ATranslator, AProcessLauncher](IUpdateRoad& ARoad) {
    return std::make_shared<TAutoUpdateService>(ARoad, AFileService, ATranslator, AProcessLauncher);
  };
}

}  // namespace Infrastructure::Update
