#include "Core/ValueObjects/UpdateInfo.h"

#include "Core/Entities/VersionRule.h"

namespace Core::ValueObjects {

bool TUpdateInfo::IsUpdateAvailable() const {
  return !FLatestVersion.empty() && FLatestVersion != FCurrentVersion;
}

bool TUpdateInfo::IsUpdateRequired() const {
  return Entities::FallsShortOf(FCurrentVersion, FMinimumVersion);
}

void TUpdateInfo::Reset() {
  FStatus = TUpdateStatus::UpToDate;
  FProgress = 0;
  FErrorMessage.clear();
}

}  // namespace Core::ValueObjects
