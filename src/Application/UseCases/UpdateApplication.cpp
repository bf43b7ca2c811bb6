#include "Application/UseCases/UpdateApplication.h"

#include <utility>

#include "Core/Entities/VersionInfo.h"

namespace Application::UseCases {

using namespace Core::Interfaces;
using Core::ValueObjects::TUpdateInfo;

TUpdateApplicationUseCase::TUpdateApplicationUseCase(std::shared_ptr<IFileService> AFileService,
                                                     std::shared_ptr<ITranslator> ATranslator,
                                                     TUpdateServiceFactory AUpdateServiceFactory)
    : FFileService(std::move(AFileService)),
      FTranslator(std::move(ATranslator)),
      FUpdateServiceFactory(std::move(AUpdateServiceFactory)) {}

TUpdateInfo TUpdateApplicationUseCase::CheckForUpdate(const std::string& ACurrentVersion) {
  TUpdateInfo info;
  info.SetCurrentVersion(ACurrentVersion);
  info.SetStatus(Core::ValueObjects::TUpdateStatus::UpToDate);
  return info;
}

bool TUpdateApplicationUseCase::IsUpdateRequired(const std::string& ACurrentVersion,
                                                 const std::string& AMinimumVersion) {
  const Core::Entities::TVersionInfo current(ACurrentVersion);
  const Core::Entities::TVersionInfo minimum(AMinimumVersion);
  return current.IsOlderThan(minimum.FullVersion());
}

void TUpdateApplicationUseCase::ExecuteUpdate(const TUpdateInfo& AUpdateInfo, const TOnUpdateProgress& AOnProgress,
                                              const TOnUpdateComplete& AOnComplete) {
  if (!FUpdateService && FUpdateServiceFactory) FUpdateService = FUpdateServiceFactory(FFileService, FTranslator);
  if (!FUpdateService) {
    if (AOnComplete && FTranslator)
      AOnComplete(false, FTranslator->TranslateFormat("UpdateFailed", {FTranslator->Translate("ErrorApplyingUpdate")}));
    return;
  }
  FUpdateService->StartUpdateProcess(AUpdateInfo, AOnProgress, AOnComplete);
}

}  // namespace Application::UseCases
