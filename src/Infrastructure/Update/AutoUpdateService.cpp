#include "Infrastructure/Update/AutoUpdateService.h"

#include <memory>
#include <utility>

#include "Core/Text/TextUtils.h"
#include "Infrastructure/Platform/FileSystem.h"
#include "Infrastructure/Update/UpdateInstaller.h"

namespace Infrastructure::Update {

using namespace Core::Interfaces;
using Core::ValueObjects::TUpdateInfo;

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

}  // namespace

TAutoUpdateService::TAutoUpdateService(std::shared_ptr<IFileService> AFileService,
                                       std::shared_ptr<ITranslator> ATranslator,
                                       std::shared_ptr<IProcessLauncher> AProcessLauncher,
                                       std::shared_ptr<IUpdateInstaller> AInstaller)
    : FFileService(std::move(AFileService)),
      FTranslator(std::move(ATranslator)),
      FProcessLauncher(std::move(AProcessLauncher)),
      FInstaller(std::move(AInstaller)) {
  if (!FInstaller && FTranslator) FInstaller = std::make_shared<TUpdateInstaller>(FTranslator);
}

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
  return FFileService->DownloadFile(AUpdateInfo.DownloadUrl(), AUpdateInfo.DownloadPath());
}

bool TAutoUpdateService::ExtractUpdate(const std::string& AZipPath, const std::string& ADestinationPath,
                                       const TOnUpdateProgress& AOnProgress) {
  TUpdatingScope scope(FIsUpdating);
  Report(AOnProgress, Text("ExtractingFiles"), 75);
  if (AZipPath.empty() || ADestinationPath.empty() || !FFileService) return false;
  return FFileService->ExtractZip(AZipPath, ADestinationPath);
}

bool TAutoUpdateService::ApplyUpdate(const std::string& ASourcePath, const std::string& ADestinationPath,
                                     const TOnUpdateProgress& AOnProgress) {
  TUpdatingScope scope(FIsUpdating);
  Report(AOnProgress, Text("ApplyingUpdate"), 90);
  if (ASourcePath.empty() || ADestinationPath.empty() || !Platform::FileExists(ASourcePath) || !FInstaller)
    return false;
  if (ASourcePath == ADestinationPath) return true;  // already in place
  // Staged beside the destination and swapped in, as every update is: any
  // failure leaves the old file working.
  TInstallRequest request;
  request.Kind = TPackageKind::Executable;
  request.PackagePath = ASourcePath;
  request.KeepPackage = true;
  request.Destination = ADestinationPath;
  try {
    FInstaller->Install(request);
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

bool TAutoUpdateService::ExecuteUpdate(const std::string& AExecutablePath) {
  if (AExecutablePath.empty() || !FProcessLauncher || !FFileService || !FFileService->FileExists(AExecutablePath))
    return false;
  return FProcessLauncher->Open(AExecutablePath).Started;
}

TAutoUpdateService::TOutcome TAutoUpdateService::RunUpdate(const TUpdateInfo& AUpdateInfo,
                                                           const TOnUpdateProgress& AOnProgress) {
  const auto failed = [this](const std::string& AReason) {
    return TOutcome{false, FTranslator ? FTranslator->TranslateFormat("UpdateFailed", {AReason}) : AReason};
  };
  if (!DownloadUpdate(AUpdateInfo, AOnProgress)) return failed(Text("ErrorDownloading"));

  const std::string package = AUpdateInfo.DownloadPath();
  if (Core::Text::EndsWithTextAscii(package, ".zip")) {
    const std::string destination =
        AUpdateInfo.ExtractPath().empty() ? Platform::ParentPath(package) : AUpdateInfo.ExtractPath();
    if (!ExtractUpdate(package, destination, AOnProgress)) return failed(Text("ErrorExtracting"));
  } else {
    const std::string executable = FFileService->GetApplicationExecutable();
    if (executable.empty()) return failed(Text("ErrorApplyingUpdate"));
    if (!ApplyUpdate(package, executable, AOnProgress)) return failed(Text("ErrorApplyingUpdate"));
    if (executable == package) return {true, {}};
  }
  Platform::RemoveFile(package);  // in place now; a leftover costs only disk space
  return {true, {}};
}

void TAutoUpdateService::StartUpdateProcess(const TUpdateInfo& AUpdateInfo, const TOnUpdateProgress& AOnProgress,
                                            const TOnUpdateComplete& AOnComplete) {
  TUpdatingScope scope(FIsUpdating);
  Report(AOnProgress, Text("StartingUpdate"), 0);
  const TOutcome outcome = RunUpdate(AUpdateInfo, AOnProgress);
  if (AOnComplete) AOnComplete(outcome.Success, outcome.Message);
}

void TAutoUpdateService::CancelUpdate() {
  FIsUpdating = false;
}

bool TAutoUpdateService::IsUpdateInProgress() {
  return FIsUpdating;
}

TUpdateServiceFactory AutoUpdateServiceFactory(std::shared_ptr<IProcessLauncher> AProcessLauncher,
                                               std::shared_ptr<IUpdateInstaller> AInstaller) {
  return [AProcessLauncher, AInstaller](std::shared_ptr<IFileService> AFileService,
                                        std::shared_ptr<ITranslator> ATranslator) {
    return std::make_shared<TAutoUpdateService>(std::move(AFileService), std::move(ATranslator), AProcessLauncher,
                                                AInstaller);
  };
}

}  // namespace Infrastructure::Update
