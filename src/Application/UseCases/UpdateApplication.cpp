#include "Application/UseCases/UpdateApplication.h"

#include <utility>
#include <vector>

#include "Core/Entities/VersionRule.h"
#include "Core/Errors.h"
#include "Core/Text/PathText.h"
#include "Core/ValueObjects/DownloadVerdictKey.h"

namespace Application::UseCases {

using namespace Core::Interfaces;
using Core::ValueObjects::TUpdateInfo;
using Core::ValueObjects::TUpdateOutcome;
using Core::ValueObjects::TUpdatePlan;
using Core::ValueObjects::TUpdateResult;

namespace {

TUpdateOutcome Ending(TUpdateResult AResult, std::string AMessage = {}) {
  TUpdateOutcome outcome;
  outcome.Result = AResult;
  outcome.Message = std::move(AMessage);
  return outcome;
}

}  // namespace

TUpdateApplicationUseCase::TUpdateApplicationUseCase(TUpdatePorts APorts) : FPorts(std::move(APorts)) {}

bool TUpdateApplicationUseCase::IsUpdateRequired(const std::string& ACurrentVersion,
                                                 const std::string& AMinimumVersion) {
  return Core::Entities::FallsShortOf(ACurrentVersion, AMinimumVersion);
}

TUpdateInfo TUpdateApplicationUseCase::CheckForUpdate(const std::string& ACurrentVersion) {
  TUpdateInfo info;
  info.SetCurrentVersion(ACurrentVersion);
  const std::string required = Core::Entities::RequiredVersion(FLastPlan.DatabaseVersion, FLastPlan.MinimumVersion);
  if (required.empty()) return info;  // nothing is known of any update: up to date
  info.SetMinimumVersion(required);
  info.SetLatestVersion(required);
  info.SetDownloadUrl(FLastPlan.PackageUrl);
  if (Core::Entities::FallsShortOf(ACurrentVersion, required))
    info.SetStatus(Core::ValueObjects::TUpdateStatus::UpdateRequired);
  return info;
}

TUpdatePlan TUpdateApplicationUseCase::PlanFor(const Core::ValueObjects::TStartupStatus& AStatus) {
  TUpdatePlan plan;
  plan.PackageUrl = AStatus.DownloadUrl;
  plan.PackageCheck = AStatus.PackageCheck;
  plan.ManifestCheck = AStatus.ManifestCheck;
  plan.Trust = AStatus.Trust;
  plan.DatabaseVersion = AStatus.DatabaseVersion;
  plan.MinimumVersion = AStatus.MinimumVersion;
  plan.LauncherPath = FPorts.LauncherPath;
  FLastPlan = plan;
  return plan;
}

void TUpdateApplicationUseCase::RecoverInterruptedUpdates() {
  std::vector<std::string> folders{Core::Text::ParentPath(FPorts.LauncherPath)};
  const std::string executable = FPorts.Files->GetApplicationExecutable();
  if (!executable.empty() && Core::Text::ParentPath(executable) != folders.front())
    folders.push_back(Core::Text::ParentPath(executable));
  for (const std::string& folder : folders) {
    const std::unique_ptr<IInstallationLock> lock = FPorts.Installer->Lock(folder);
    // Busy: another launcher is updating it and will finish its own swap.
    if (lock->TryAcquire()) FPorts.Installer->Recover(folder);
  }
}

std::string TUpdateApplicationUseCase::InstallationFolder(const TUpdatePlan& APlan,
                                                          const std::string& AExecutable) const {
  if (!APlan.Destination.empty()) return APlan.IsZip() ? APlan.Destination : Core::Text::ParentPath(APlan.Destination);
  return APlan.IsZip() || AExecutable.empty() ? Core::Text::ParentPath(APlan.LauncherPath)
                                              : Core::Text::ParentPath(AExecutable);
}

void TUpdateApplicationUseCase::Remove(const std::string& ADownload) {
  if (!ADownload.empty() && !FPorts.RemoveFile(ADownload))
    FPorts.Logger->Warning("ExecuteUpdate - Não foi possível remover o download: " + ADownload);
}

TUpdateOutcome TUpdateApplicationUseCase::ExecuteUpdate(const TUpdatePlan& APlan, IUpdateObserver& AObserver,
                                                        const std::atomic<bool>& ACancel) {
  std::string download;  // the file this run downloaded: it never outlives the run
  // What the fetcher fetched: gone once used or refused; a fetch cut short is kept for the next start.
  Core::Interfaces::TFetchedPackage fetched;
  TUpdateOutcome outcome;
  try {
    outcome = Run(APlan, AObserver, ACancel, download, fetched);
  } catch (const Core::EUpdateCancelled&) {
    outcome = Ending(TUpdateResult::Cancelled);
  } catch (const Core::EUpdateError& e) {
    // Says itself what stopped the update and that nothing changed.
    FPorts.Logger->Error("ExecuteUpdate - Atualização interrompida", &e);
    outcome = Ending(TUpdateResult::Failed, e.what());
  } catch (const std::exception& e) {
    FPorts.Logger->Error("ExecuteUpdate - Atualização interrompida", &e);
    outcome = Ending(TUpdateResult::Failed, FPorts.Translator->TranslateFormat("DownloadException", {e.what()}));
  }
  Remove(download);
  if (!fetched.Path.empty()) FPorts.Packages->Discard(fetched);
  return outcome;
}

Core::ValueObjects::TDownloadVerdict TUpdateApplicationUseCase::Fetch(const TUpdatePlan& APlan,
                                                                      const std::string& AFolder,
                                                                      IUpdateObserver& AObserver,
                                                                      const std::atomic<bool>& ACancel,
                                                                      Core::Interfaces::TFetchedPackage& AFetched) {
  Core::Interfaces::TPackageFetchRequest request;
  request.Url = APlan.PackageUrl;
  request.Check = APlan.PackageCheck;
  // Only a manifest the signed document vouches for says which installed files can stay.
  if (APlan.Trust == Core::ValueObjects::TReleaseTrust::Verified) request.ManifestCheck = APlan.ManifestCheck;
  request.Folder = AFolder;
  request.OnPlanned = [&](int64_t AToFetch, int64_t APackageSize, bool AChangedOnly) {
    AObserver.DownloadPlanned(AToFetch, APackageSize, AChangedOnly);
  };
  request.OnProgress = [&](int64_t AReceived, int64_t ATotal) { AObserver.DownloadProgress(AReceived, ATotal); };
  request.IsCancelled = [&] { return ACancel.load(); };
  AFetched = FPorts.Packages->Fetch(request);
  if (AFetched.ChangedOnly)
    FPorts.Logger->Info("ExecuteUpdate - Baixados somente os arquivos alterados: " +
                        std::to_string(AFetched.Entries.size()));
  return AFetched.Verdict;
}

bool TUpdateApplicationUseCase::WaitForLock(IInstallationLock& ALock, IUpdateObserver& AObserver,
                                            const std::atomic<bool>& ACancel, TUpdateOutcome& AOutcome) {
  AObserver.WaitingForOtherLauncher();
  // Counted in polls, not read from a clock: the pauses are the wait.
  for (uint32_t waited = 0; !ALock.TryAcquire(); waited += kLockPollMs) {
    if (ACancel) {
      AOutcome = Ending(TUpdateResult::Cancelled);
      return false;
    }
    if (waited >= kWaitLimitMs) {
      FPorts.Logger->Error("ExecuteUpdate - Outro inicializador não terminou a atualização em " +
                           std::to_string(kWaitLimitMs / 60000) + " minutos");
      AOutcome = Ending(TUpdateResult::Failed, FPorts.Translator->TranslateFormat(
                                                   "UpdateWaitTimedOut", {std::to_string(kWaitLimitMs / 60000)}));
      return false;
    }
    FPorts.Sleep(kLockPollMs);
  }
  return true;
}

TUpdateOutcome TUpdateApplicationUseCase::Run(const TUpdatePlan& APlan, IUpdateObserver& AObserver,
                                              const std::atomic<bool>& ACancel, std::string& ADownload,
                                              Core::Interfaces::TFetchedPackage& AFetched) {
  const bool zip = APlan.IsZip();
  // Before anything is locked or fetched: a build with keys downloads only what a verified
  // document vouches for.
  if (APlan.LocalPackage.empty()) {
    const std::string_view refusal = Core::ValueObjects::DownloadRefusalKey(APlan.Trust, APlan.PackageCheck);
    if (!refusal.empty()) {
      FPorts.Logger->Error("ExecuteUpdate - Download recusado: " + std::string(refusal));
      return Ending(TUpdateResult::Refused,
                    FPorts.Translator->TranslateFormat(std::string(refusal), {APlan.PackageUrl}));
    }
  }
  std::string executable = FPorts.Files->GetApplicationExecutable();
  const std::string folder = InstallationFolder(APlan, executable);
  // Nothing to update there, and no lock to take: said plainly instead of waiting for one.
  if (!FPorts.Files->DirectoryExists(folder))
    return Ending(TUpdateResult::Failed,
                  FPorts.Translator->TranslateFormat("UpdateNotInstalled", {"a pasta \"" + folder + "\" não existe"}));
  const std::unique_ptr<IInstallationLock> lock = FPorts.Installer->Lock(folder);
  TUpdateOutcome outcome;
  if (!lock->TryAcquire()) {
    FPorts.Logger->Info("ExecuteUpdate - Outra atualização em andamento em " + folder);
    if (!WaitForLock(*lock, AObserver, ACancel, outcome)) return outcome;
    // Its holder may have died half-way: its swap is finished or undone first.
    FPorts.Installer->Recover(folder);
    // It may also have installed what this update was about.
    executable = FPorts.Files->GetApplicationExecutable();
    const std::string version =
        FPorts.Files->FileExists(executable) ? FPorts.Files->ReadVersionFromFile(executable) : "0.0.0.0";
    FPorts.Logger->Info("ExecuteUpdate - Versão após a espera: " + version);
    outcome.ExecutableVersion = version;
    if (APlan.LocalPackage.empty() &&
        !Core::Entities::UpdateRequired(APlan.DatabaseVersion, version, APlan.MinimumVersion)) {
      outcome.Result = TUpdateResult::DoneByOther;
      outcome.Message = "UpdateCompletedSuccess";
      return outcome;
    }
  } else {
    FPorts.Installer->Recover(folder);
  }
  if (ACancel) return Ending(TUpdateResult::Cancelled);

  std::string package = APlan.LocalPackage;
  if (package.empty()) {
    // A ZIP package whose digest and size were published can be fetched in part and resumed.
    const bool fetcher = zip && FPorts.Packages && !APlan.PackageCheck.Sha256.empty() && APlan.PackageCheck.Size >= 0;
    Core::ValueObjects::TDownloadVerdict verdict;
    if (fetcher) {
      verdict = Fetch(APlan, folder, AObserver, ACancel, AFetched);
      if (AFetched.Cancelled) return Ending(TUpdateResult::Cancelled);
    } else {
      // A name of its own, in the folder the update holds: two launchers never share a download,
      // and another's start-up clean-up never removes one in progress.
      ADownload = FPorts.Installer->DownloadPath(folder, zip ? ".zip" : ".exe");
      FPorts.Logger->Debug("ExecuteUpdate - URL: " + APlan.PackageUrl + ", caminho: " + ADownload);
      // Hashed and measured as it arrives against what the release document published.
      verdict = FPorts.Files->DownloadVerifiedFile(
          APlan.PackageUrl, ADownload, APlan.PackageCheck,
          [&](int64_t AReceived, int64_t ATotal) { AObserver.DownloadProgress(AReceived, ATotal); });
    }
    if (verdict != Core::ValueObjects::TDownloadVerdict::Ok) {
      const std::string_view refusal = Core::ValueObjects::DownloadVerdictKey(verdict);
      if (refusal.empty()) {
        FPorts.Logger->Error("ExecuteUpdate - Erro ao baixar arquivo");
        return Ending(TUpdateResult::Failed, FPorts.Translator->Translate("ErrorDownloading"));
      }
      const std::string message = FPorts.Translator->TranslateFormat(
          std::string(refusal), {Core::ValueObjects::DownloadVerdictSubject(verdict, APlan.PackageUrl, folder)});
      // The folder or its disk refused the file: a fault of this machine, not of the download.
      if (Core::ValueObjects::IsWriteFailure(verdict)) {
        FPorts.Logger->Error("ExecuteUpdate - O download não pôde ser gravado: " + std::string(refusal));
        return Ending(TUpdateResult::Failed, message);
      }
      // Not what was published: nothing is extracted or replaced.
      FPorts.Logger->Error("ExecuteUpdate - Download recusado: " + std::string(refusal));
      return Ending(TUpdateResult::Refused, message);
    }
    FPorts.Logger->Info("ExecuteUpdate - Download concluído com sucesso");
    package = fetcher ? AFetched.Path : ADownload;
  }
  if (ACancel || !AObserver.BeginInstallation(zip)) return Ending(TUpdateResult::Cancelled);

  TInstallRequest request;
  request.Kind = zip ? TPackageKind::Zip : TPackageKind::Executable;
  request.PackagePath = package;
  request.KeepPackage = !APlan.LocalPackage.empty();
  request.Destination = zip ? folder : (APlan.Destination.empty() ? executable : APlan.Destination);
  request.ApplicationExecutable = executable;
  request.RequiredVersion = Core::Entities::RequiredVersion(APlan.DatabaseVersion, APlan.MinimumVersion);
  request.OnProgress = [&](int64_t ADone, int64_t ATotal) { AObserver.InstallationProgress(ADone, ATotal); };
  request.IsCancelled = [&] { return ACancel.load(); };
  request.OnFileReplaced = [this](const std::string& APath) {
    FPorts.Logger->Info("ExecuteUpdate - Arquivo substituído: " + APath);
  };
  request.ChangedOnly = AFetched.ChangedOnly;
  request.Manifest = AFetched.Manifest;
  request.Entries = AFetched.Entries;
  FPorts.Installer->Install(request);
  lock->Release();
  FPorts.Logger->Info(zip ? "ExecuteUpdate - ZIP extraído com sucesso" : "ExecuteUpdate - Executável substituído");
  outcome.Result = TUpdateResult::Installed;
  outcome.Message = zip ? "UpdateCompletedSuccess" : "DownloadCompleted";
  return outcome;
}

void TUpdateApplicationUseCase::ExecuteUpdate(const TUpdateInfo& AUpdateInfo, const TOnUpdateProgress& AOnProgress,
                                              const TOnUpdateComplete& AOnComplete) {
  if (!FUpdateService && FPorts.ServiceFactory) FUpdateService = FPorts.ServiceFactory(*this);
  if (!FUpdateService) {
    if (AOnComplete)
      AOnComplete(false, FPorts.Translator->TranslateFormat("UpdateFailed",
                                                            {FPorts.Translator->Translate("ErrorApplyingUpdate")}));
    return;
  }
  FUpdateService->StartUpdateProcess(AUpdateInfo, AOnProgress, AOnComplete);
}

}  // namespace Application::UseCases
