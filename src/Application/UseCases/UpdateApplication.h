#pragma once
// The application-level entry for updates: whether one is required, and the
// whole update through an update service made on first use.
#include <memory>
#include <string>

#include "Core/Interfaces/IFileService.h"
#include "Core/Interfaces/ITranslator.h"
#include "Core/Interfaces/IUpdateService.h"
#include "Core/ValueObjects/UpdateInfo.h"

namespace Application::UseCases {

class IUpdateApplicationUseCase {
 public:
  virtual ~IUpdateApplicationUseCase() = default;
  // A new update information with ACurrentVersion and status UpToDate.
  virtual Core::ValueObjects::TUpdateInfo CheckForUpdate(const std::string& ACurrentVersion) = 0;
  // ACurrentVersion is older than AMinimumVersion, as version numbers.
  virtual bool IsUpdateRequired(const std::string& ACurrentVersion, const std::string& AMinimumVersion) = 0;
  // Runs the update that AUpdateInfo describes; AOnComplete learns the outcome.
  virtual void ExecuteUpdate(const Core::ValueObjects::TUpdateInfo& AUpdateInfo,
                             const Core::Interfaces::TOnUpdateProgress& AOnProgress,
                             const Core::Interfaces::TOnUpdateComplete& AOnComplete) = 0;
};

class TUpdateApplicationUseCase : public IUpdateApplicationUseCase {
 public:
  // AUpdateServiceFactory makes the update service on the first ExecuteUpdate
  // (Infrastructure::Update::AutoUpdateServiceFactory in the program).
  TUpdateApplicationUseCase(std::shared_ptr<Core::Interfaces::IFileService> AFileService,
                            std::shared_ptr<Core::Interfaces::ITranslator> ATranslator,
                            Core::Interfaces::TUpdateServiceFactory AUpdateServiceFactory);

  Core::ValueObjects::TUpdateInfo CheckForUpdate(const std::string& ACurrentVersion) override;
  bool IsUpdateRequired(const std::string& ACurrentVersion, const std::string& AMinimumVersion) override;
  void ExecuteUpdate(const Core::ValueObjects::TUpdateInfo& AUpdateInfo,
                     const Core::Interfaces::TOnUpdateProgress& AOnProgress,
                     const Core::Interfaces::TOnUpdateComplete& AOnComplete) override;

  // Empty until the first ExecuteUpdate, then kept for the use case's life.
  const std::shared_ptr<Core::Interfaces::IUpdateService>& UpdateService() const { return FUpdateService; }

 private:
  std::shared_ptr<Core::Interfaces::IFileService> FFileService;
  std::shared_ptr<Core::Interfaces::ITranslator> FTranslator;
  Core::Interfaces::TUpdateServiceFactory FUpdateServiceFactory;
  std::shared_ptr<Core::Interfaces::IUpdateService> FUpdateService;
};

}  // namespace Application::UseCases
