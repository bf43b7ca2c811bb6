#pragma once
#include <cstdint>

#include "Core/Interfaces/Progress.h"

namespace Infrastructure::Files {

// Turns the HTTP client's receive-data event into the caller's progress
// callback: (bytes received, announced length), only when a length was
// announced. A transfer is never aborted from here.
class TDownloadProgressHelper {
 public:
  explicit TDownloadProgressHelper(Core::Interfaces::TProgressProc AOnProgress);

  void OnReceiveDataEvent(int64_t AContentLength, int64_t AReadCount, bool& AAbort);

 private:
  Core::Interfaces::TProgressProc FOnProgress;
};

}  // namespace Infrastructure::Files
