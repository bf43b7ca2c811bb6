#include "Core/Entities/VersionRule.h"

#include "Core/Entities/VersionInfo.h"

namespace Core::Entities {

std::string RequiredVersion(const std::string& ADatabaseVersion, const std::string& AMinimumVersion) {
  if (!ADatabaseVersion.empty() && !AMinimumVersion.empty()) {
    const TVersionInfo database(ADatabaseVersion);
    const TVersionInfo minimum(AMinimumVersion);
    return database.IsOlderThan(minimum.GetFullVersion()) ? minimum.GetFullVersion() : database.GetFullVersion();
  }
  return !AMinimumVersion.empty() ? AMinimumVersion : ADatabaseVersion;
}

bool FallsShortOf(const std::string& AInstalled, const std::string& ARequired) {
  return TVersionInfo(AInstalled).IsOlderThan(TVersionInfo(ARequired).GetFullVersion());
}

bool UpdateRequired(const std::string& ADatabaseVersion, const std::string& AExecutableVersion,
                    const std::string& AMinimumVersion) {
  if (AExecutableVersion.empty()) return true;
  const std::string target = RequiredVersion(ADatabaseVersion, AMinimumVersion);
  return target.empty() || FallsShortOf(AExecutableVersion, target);
}

}  // namespace Core::Entities
