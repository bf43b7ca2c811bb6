#pragma once
// The application update, end to end: whether one is required, and the road that installs it
// (lock, recovery, wait for another launcher, version check, verified download, installation,
// clean-up). The splash view model only shows what it reports; the update service's operations
// reach the same road.
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "Core/Interfaces/IClock.h"
#include "Core/Interfaces/IFileService.h"
#include "Core/Interfaces/ILoggerService.h"
#include "Core/Interfaces/IPackageFetcher.h"
#include "Core/Interfaces/ITranslator.h"
#include "Core/Interfaces/IUpdateInstaller.h"
#include "Core/Interfaces/IUpdateRoad.h"
#include "Core/Interfaces/IUpdateService.h"
#include "Core/ValueObjects/StartupStatus.h"
#include "Core/ValueObjects/UpdateInfo.h"
#include "Core/ValueObjects/UpdatePlan.h"

namespace Application::UseCases {

class IUpdateApplicationUseCase : public Core::Interfaces::IUpdateRoad {
 public:
  // What is known of an update for ACurrentVersion: the required version as the latest, the
  // package's address, and UpdateRequired when ACurrentVersion falls short of it.
  virtual Core::ValueObjects::TUpdateInfo CheckForUpdate(const std::string& ACurrentVersion) = 0;
  // ACurrentVersion is older than AMinimumVersion, as version numbers.
  virtual bool IsUpdateRequired(const std::string& ACurrentVersion, const std::string& AMinimumVersion) = 0;
  // The plan of the update a passed start-up check calls for; remembered for CheckForUpdate.
  virtual Core::ValueObjects::TUpdatePlan PlanFor(const Core::ValueObjects::TStartupStatus& AStatus) = 0;
  // Finishes or undoes updates a killed launcher left half-done in the launcher's folder and the
  // application's, before anything else reads them. Folders another launcher is updating are left
  // to it.
  virtual void RecoverInterruptedUpdates() = 0;
  // The update that AUpdateInfo describes, through the update service; AOnComplete learns the outcome.
  virtual void ExecuteUpdate(const Core::ValueObjects::TUpdateInfo& AUpdateInfo,
                             const Core::Interfaces::TOnUpdateProgress& AOnProgress,
                             const Core::Interfaces::TOnUpdateComplete& AOnComplete) = 0;
  using Core::Interfaces::IUpdateRoad::ExecuteUpdate;
};

// What the road reaches outside itself.
struct TUpdatePorts {
  std::shared_ptr<Core::Interfaces::IFileService> Files;
  std::shared_ptr<Core::Interfaces::IUpdateInstaller> Installer;
  std::shared_ptr<Core::Interfaces::ITranslator> Translator;
  std::shared_ptr<Core::Interfaces::ILoggerService> Logger;
  Core::Interfaces::TSleepProc Sleep;
  std::function<bool(const std::string& APath)> RemoveFile;
  // The launcher's own path: a ZIP package is installed in its folder.
  std::string LauncherPath;
  // Makes the update service on the first ExecuteUpdate of update information.
  Core::Interfaces::TUpdateServiceFactory ServiceFactory;
  // Fetches a ZIP package whose SHA-256 and size were published (only what changed, resumed);
  // empty: every package is downloaded whole through Files.
  std::shared_ptr<Core::Interfaces::IPackageFetcher> Packages;
};

class TUpdateApplicationUseCase : public IUpdateApplicationUseCase {
 public:
  explicit TUpdateApplicationUseCase(TUpdatePorts APorts);

  Core::ValueObjects::TUpdateInfo CheckForUpdate(const std::string& ACurrentVersion) override;
  bool IsUpdateRequired(const std::string& ACurrentVersion, const std::string& AMinimumVersion) override;
  Core::ValueObjects::TUpdatePlan PlanFor(const Core::ValueObjects::TStartupStatus& AStatus) override;
  void RecoverInterruptedUpdates() override;
  Core::ValueObjects::TUpdateOutcome ExecuteUpdate(const Core::ValueObjects::TUpdatePlan& APlan,
                                                   Core::Interfaces::IUpdateObserver& AObserver,
                                                   const std::atomic<bool>& ACancel) override;
  void ExecuteUpdate(const Core::ValueObjects::TUpdateInfo& AUpdateInfo,
                     const Core::Interfaces::TOnUpdateProgress& AOnProgress,
                     const Core::Interfaces::TOnUpdateComplete& AOnComplete) override;

  // Empty until the first ExecuteUpdate of update information, then kept for the use case's life.
  const std::shared_ptr<Core::Interfaces::IUpdateService>& UpdateService() const { return FUpdateService; }

  // How often a launcher waiting for another one's update looks again, and how long it waits in
  // all before it gives up with nothing changed.
  static constexpr uint32_t kLockPollMs = 250;
  static constexpr uint32_t kWaitLimitMs = 5 * 60 * 1000;

 private:
  // The folder an update holds: the destination's for a package on disk, else the launcher's for a
  // ZIP package and the executable's for an executable package (the launcher's without one).
  std::string InstallationFolder(const Core::ValueObjects::TUpdatePlan& APlan, const std::string& AExecutable) const;
  // Waits while another launcher holds ALock. False when the wait was cancelled or ran out (AOutcome
  // then says so).
  bool WaitForLock(Core::Interfaces::IInstallationLock& ALock, Core::Interfaces::IUpdateObserver& AObserver,
                   const std::atomic<bool>& ACancel, Core::ValueObjects::TUpdateOutcome& AOutcome);
  Core::ValueObjects::TUpdateOutcome Run(const Core::ValueObjects::TUpdatePlan& APlan,
                                         Core::Interfaces::IUpdateObserver& AObserver, const std::atomic<bool>& ACancel,
                                         std::string& ADownload, Core::Interfaces::TFetchedPackage& AFetched);
  // The package through the fetcher; the verdict of the fetch.
  Core::ValueObjects::TDownloadVerdict Fetch(const Core::ValueObjects::TUpdatePlan& APlan, const std::string& AFolder,
                                             Core::Interfaces::IUpdateObserver& AObserver,
                                             const std::atomic<bool>& ACancel,
                                             Core::Interfaces::TFetchedPackage& AFetched);
  void Remove(const std::string& ADownload);

  TUpdatePorts FPorts;
  std::shared_ptr<Core::Interfaces::IUpdateService> FUpdateService;
  // The facts of the last plan, for CheckForUpdate.
  Core::ValueObjects::TUpdatePlan FLastPlan;
};

}  // namespace Application::UseCases
