#pragma once
#include <string>

#include "Core/ValueObjects/DownloadCheck.h"
#include "Core/ValueObjects/ReleaseTrust.h"

namespace Core::ValueObjects {

enum class TStartupCheckStatus { Valid, UnknownError };

// What the start-up check found. CanProceed is true exactly when Status is Valid;
// RequiresUpdate is only ever true together with Valid.
struct TStartupStatus {
  TStartupCheckStatus Status = TStartupCheckStatus::UnknownError;
  std::string Message;
  bool CanProceed = false;
  bool RequiresUpdate = false;
  std::string DownloadUrl;
  std::string BdeUrl;
  // What the release document says the package and the BDE installer must be.
  TDownloadCheck PackageCheck;
  // What it published for the package's manifest (<package>.manifest); empty: none.
  TDownloadCheck ManifestCheck;
  TDownloadCheck BdeCheck;
  // Whether the release document was signed by a trusted key, or why not.
  TReleaseTrust Trust = TReleaseTrust::Unkeyed;
  std::string MinimumVersion;
  std::string DatabaseVersion;
  std::string ExecutableVersion;
};

}  // namespace Core::ValueObjects
