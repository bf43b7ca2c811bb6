#pragma once
// The steps of an application update (download, extract, apply, execute) with
// progress and completion callbacks, each over the one update road.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "Core/Interfaces/IFileService.h"
#include "Core/Interfaces/ITranslator.h"
#include "Core/Interfaces/IUpdateRoad.h"
#include "Core/ValueObjects/UpdateInfo.h"

namespace Core::Interfaces {

// A message and a progress value in percent.
using TOnUpdateProgress = std::function<void(const std::string& AMessage, int32_t AProgress)>;
// The outcome of a whole update and a message (empty on success).
using TOnUpdateComplete = std::function<void(bool ASuccess, const std::string& AMessage)>;

class IUpdateService {
 public:
  virtual ~IUpdateService() = default;
  // A new update information with its defaults; nothing is looked up.
  virtual Core::ValueObjects::TUpdateInfo CheckForUpdate() = 0;
  // Downloads AUpdateInfo's DownloadUrl into its DownloadPath.
  virtual bool DownloadUpdate(const Core::ValueObjects::TUpdateInfo& AUpdateInfo,
                              const TOnUpdateProgress& AOnProgress) = 0;
  virtual bool ExtractUpdate(const std::string& AZipPath, const std::string& ADestinationPath,
                             const TOnUpdateProgress& AOnProgress) = 0;
  // Puts a copy of ASourcePath in place of ADestinationPath in one step; the
  // destination is never deleted first, so a failure leaves the old file.
  virtual bool ApplyUpdate(const std::string& ASourcePath, const std::string& ADestinationPath,
                           const TOnUpdateProgress& AOnProgress) = 0;
  // Starts the executable.
  virtual bool ExecuteUpdate(const std::string& AExecutablePath) = 0;
  // Download, then extract (a ".zip" package) or apply over the application
  // executable (any other package); AOnComplete learns the real outcome.
  virtual void StartUpdateProcess(const Core::ValueObjects::TUpdateInfo& AUpdateInfo,
                                  const TOnUpdateProgress& AOnProgress, const TOnUpdateComplete& AOnComplete) = 0;
  virtual void CancelUpdate() = 0;
  virtual bool IsUpdateInProgress() = 0;
};

// Makes the update service over the road every update takes (the update use case, which owns the
// service and outlives it), so the use case needs no knowledge of the implementation.
using TUpdateServiceFactory = std::function<std::shared_ptr<IUpdateService>(IUpdateRoad& ARoad)>;

}  // namespace Core::Interfaces
