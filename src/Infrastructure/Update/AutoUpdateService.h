#pragma once
// The steps of an application update over the file service: download the
// package, extract it or put it in place of the executable, start the result.
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "Core/Interfaces/IClock.h"
#include "Core/Interfaces/IFileService.h"
#include "Core/Interfaces/IProcessLauncher.h"
#include "Core/Interfaces/ITranslator.h"
#include "Core/Interfaces/IUpdateService.h"

namespace Infrastructure::Update {

using Core::Interfaces::TSleepProc;

class TAutoUpdateService : public Core::Interfaces::IUpdateService {
 public:
  // A program that is just closing, or a virus scanner reading the new file,
  // holds the destination for a moment: the replace is tried again.
  static constexpr int kReplaceAttempts = 10;
  static constexpr uint32_t kReplacePauseMs = 200;

  // Without a process launcher ExecuteUpdate answers false. ASleep defaults to
  // the real pause.
  TAutoUpdateService(std::shared_ptr<Core::Interfaces::IFileService> AFileService,
                     std::shared_ptr<Core::Interfaces::ITranslator> ATranslator,
                     std::shared_ptr<Core::Interfaces::IProcessLauncher> AProcessLauncher = nullptr,
                     TSleepProc ASleep = {});

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
  bool CopyAndReplace(const std::string& ASourcePath, const std::string& ADestinationPath);
  std::string Text(const std::string& AKey) const;

  std::shared_ptr<Core::Interfaces::IFileService> FFileService;
  std::shared_ptr<Core::Interfaces::ITranslator> FTranslator;
  std::shared_ptr<Core::Interfaces::IProcessLauncher> FProcessLauncher;
  TSleepProc FSleep;
  // Read from other threads while an operation runs.
  std::atomic<bool> FIsUpdating{false};
};

// Creates TAutoUpdateService objects that share AProcessLauncher, for the
// update use case.
Core::Interfaces::TUpdateServiceFactory AutoUpdateServiceFactory(
    std::shared_ptr<Core::Interfaces::IProcessLauncher> AProcessLauncher);

}  // namespace Infrastructure::Update
