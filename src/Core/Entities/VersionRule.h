#pragma once
// When the installed application must be updated: the one rule the start-up check, the update
// road and the update information all follow.
#include <string>

namespace Core::Entities {

// The version the application must reach: the newer of the database's and the published
// minimum, either one alone when the other is empty, "" when both are.
std::string RequiredVersion(const std::string& ADatabaseVersion, const std::string& AMinimumVersion);

// AInstalled is older than ARequired, compared as version numbers (an empty or unreadable
// version counts 0.0.0.0).
bool FallsShortOf(const std::string& AInstalled, const std::string& ARequired);

// The start-up's decision: the update road is taken when the installed version is unknown, when
// no version is required at all (the road then starts the application as it is), or when it
// falls short of the required version.
bool UpdateRequired(const std::string& ADatabaseVersion, const std::string& AExecutableVersion,
                    const std::string& AMinimumVersion);

}  // namespace Core::Entities
