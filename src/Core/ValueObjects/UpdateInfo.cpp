#include "Core/ValueObjects/UpdateInfo.h"

#include "Core/Entities/VersionInfo.h"

namespace Core::ValueObjects {

bool TUpdateInfo::IsUpdateAvailable() const {
  return !FLatestVersion.empty() && FLatestVersion != FCurrentVersion;
}

bool TUpdateInfo::IsUpdateRequired() const {
  const Entities::TVersionInfo LCurrent(FCurrentVersion);
  const Entities::TVersionInfo LMinimum(FMinimumVersion);
  return LCurrent.IsOlderThan(LMinimum.GetFullVersion());
}

void TUpdateInfo::Reset() {
  FStatus = TUpdateStatus::UpToDate;
  FProgress = 0;
  FErrorMessage.clear();
}

}  // namespace Core::ValueObjects
