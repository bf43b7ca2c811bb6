#pragma once
// The steps of an application update over the file service: download the
// package, extract it or put it in place of the executable, start the result.
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "Core/Interfaces/IFileService.h"
#include "Core/Interfaces/IProcessLauncher.h"
#include "Core/Interfaces/ITranslator.h"
#include "Core/Interfaces/IUpdateInstaller.h"
#include "Core/Interfaces/IUpdateService.h"

namespace Infrastructure::Update {

class TAutoUpdateService : public Core::Interfaces::IUpdateService {
 public:
  // Without a process launcher ExecuteUpdate answers false. The installer
  // defaults to the one every update goes through.
  TAutoUpdateService(std::shared_ptr<Core::Interfaces::IFileService> AFileService,
                     std::shared_ptr<Core::Interfaces::ITranslator> ATranslator,
                     std::shared_ptr<Core::Interfaces::IProcessLauncher> AProcessLauncher = nullptr,
                     std::shared_ptr<Core::Interfaces::IUpdateInstaller> AInstaller = nullptr);

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
  void CancelUpdate() override;
  bool IsUpdateInProgress() override;

 private:
  struct TOutcome {
    bool Success;
    std::string Message;
  };
  TOutcome RunUpdate(const Core::ValueObjects::TUpdateInfo& AUpdateInfo,
                     const Core::Interfaces::TOnUpdateProgress& AOnProgress);
  std::string Text(const std::string& AKey) const;

  std::shared_ptr<Core::Interfaces::IFileService> FFileService;
  std::shared_ptr<Core::Interfaces::ITranslator> FTranslator;
  std::shared_ptr<Core::Interfaces::IProcessLauncher> FProcessLauncher;
  std::shared_ptr<Core::Interfaces::IUpdateInstaller> FInstaller;
  // Read from other threads while an operation runs.
  std::atomic<bool> FIsUpdating{false};
};

// Creates TAutoUpdateService objects that share AProcessLauncher and
// AInstaller, for the update use case.
Core::Interfaces::TUpdateServiceFactory AutoUpdateServiceFactory(
    std::shared_ptr<Core::Interfaces::IProcessLauncher> AProcessLauncher,
    std::shared_ptr<Core::Interfaces::IUpdateInstaller> AInstaller = nullptr);

}  // namespace Infrastructure::Update
