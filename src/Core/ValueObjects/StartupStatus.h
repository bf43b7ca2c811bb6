#pragma once
#include <string>

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
  std::string MinimumVersion;
  std::string DatabaseVersion;
  std::string ExecutableVersion;
};

}  // namespace Core::ValueObjects
