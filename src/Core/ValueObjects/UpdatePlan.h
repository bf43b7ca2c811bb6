#pragma once
// One application update, decided before it starts and handed by value to the task that runs it,
// and how it ended.
#include <string>

#include "Core/ValueObjects/DownloadCheck.h"
#include "Core/ValueObjects/ReleaseTrust.h"

namespace Core::ValueObjects {

struct TUpdatePlan {
  // Where the package is downloaded from; a name ending in ".exe" is an executable package, any
  // other a ZIP package.
  std::string PackageUrl;
  // What the release document published for the package (empty: nothing published).
  TDownloadCheck PackageCheck;
  // What it published for the package's manifest (<package>.manifest); empty: none.
  TDownloadCheck ManifestCheck;
  // Whether the release document was signed by a trusted key, or why not.
  TReleaseTrust Trust = TReleaseTrust::Unkeyed;
  // The versions the installed application must reach (either may be empty).
  std::string DatabaseVersion;
  std::string MinimumVersion;
  // A ZIP package is extracted into the launcher's folder.
  std::string LauncherPath;
  // A package already on disk instead of a download: installed from there and kept. Destination
  // then names the folder a ZIP package is extracted into, or the file an executable replaces.
  std::string LocalPackage;
  bool LocalPackageIsZip = true;
  std::string Destination;

  bool IsZip() const;
};

enum class TUpdateResult {
  Installed,    // the new version is in place
  DoneByOther,  // another launcher installed it while this one waited
  Refused,      // the download is not what was published: nothing was installed
  Failed,       // the download or the installation failed: the application is as it was
  Cancelled,    // the user closed the launcher before the installation began
};

struct TUpdateOutcome {
  TUpdateResult Result = TUpdateResult::Failed;
  // Refused and Failed: what the user reads. Installed: the catalogue key of the success text.
  std::string Message;
  // The installed application's version when the update read it again (after a wait).
  std::string ExecutableVersion;
};

}  // namespace Core::ValueObjects
