#pragma once
// The steps of an application update as separate operations: download the package, extract it
// or put it in place of the executable, start the result. Each installing operation is the one
// update road (lock, recovery, verification, version proof) with a package already on disk.
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "Core/Interfaces/IFileService.h"
#include "Core/Interfaces/IProcessLauncher.h"
#include "Core/Interfaces/ITranslator.h"
#include "Core/Interfaces/IUpdateRoad.h"
#include "Core/Interfaces/IUpdateService.h"

namespace Infrastructure::Update {

class TAutoUpdateService : public Core::Interfaces::IUpdateService {
 public:
  // ARoad outlives the service (the update use case owns it). Without a process launcher
  // ExecuteUpdate answers false.
  TAutoUpdateService(Core::Interfaces::IUpdateRoad& ARoad, std::shared_ptr<Core::Interfaces::IFileService> AFileService,
                     std::shared_ptr<Core::Interfaces::ITranslator> ATranslator,
                     std::shared_ptr<Core::Interfaces::IProcessLauncher> AProcessLauncher = nullptr);

  Core::ValueObjects::TUpdateInfo CheckForUpdate() override;
  bool DownloadUpdate(const Core::ValueObjects::TUpdateInfo& AUpdateInfo,
                      const Core::Interfaces::TOnUpdateProgress& AOnProgress) override;
  bool ExtractUpdate(const std::string& AZipPath, const std::string& ADestinationPath,
                     const Core::Interfaces::TOnUpdateProgress& AOnProgress) override;
  bool ApplyUpdate(const std::string& ASourcePath, const std::string& ADestinationPath,
                   const Core::Interfaces::TOnUpdateProgress& AOnProgress) override;
  bool ExecuteUpdate(const std::string& AExecutablePath) override;
  void StartUpdateProcess(const Core::ValueObjects::TUpdateInfo& AUpdateInfo,
                          const Core::Interfaces::TOnUpdateProgress& AOnProgress,
                          const Core::Interfaces::TOnUpdateComplete& AOnComplete) override;
  // Stops the running update before its installation begins.
  void CancelUpdate() override;
  bool IsUpdateInProgress() override;

 private:
  // A package on disk installed through the road: extracted into a folder or put in place of a file.
  bool InstallLocal(const std::string& APackage, bool AZip, const std::string& ADestination);
  std::string Text(const std::string& AKey) const;

  Core::Interfaces::IUpdateRoad& FRoad;
  std::shared_ptr<Core::Interfaces::IFileService> FFileService;
  std::shared_ptr<Core::Interfaces::ITranslator> FTranslator;
  std::shared_ptr<Core::Interfaces::IProcessLauncher> FProcessLauncher;
  // Read from other threads while an operation runs.
  std::atomic<bool> FIsUpdating{false};
  std::atomic<bool> FCancel{false};
};

// Creates TAutoUpdateService objects over the road of the use case that asks, sharing the file
// service, the catalogue and AProcessLauncher.
Core::Interfaces::TUpdateServiceFactory AutoUpdateServiceFactory(
    std::shared_ptr<Core::Interfaces::IFileService> AFileService,
    std::shared_ptr<Core::Interfaces::ITranslator> ATranslator,
    std::shared_ptr<Core::Interfaces::IProcessLauncher> AProcessLauncher);

}  // namespace Infrastructure::Update
