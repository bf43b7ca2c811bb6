#include "Infrastructure/Files/DownloadProgressHelper.h"

#include <utility>

namespace Infrastructure::Files {

TDownloadProgressHelper::TDownloadProgressHelper(Core::Interfaces::TProgressProc AOnProgress)
    : FOnProgress(std::move(AOnProgress)) {}

void TDownloadProgressHelper::OnReceiveDataEvent(int64_t AContentLength, int64_t AReadCount, bool& AAbort) {
  AAbort = false;
  if (FOnProgress && AContentLength > 0) FOnProgress(AReadCount, AContentLength);
}

}  // namespace Infrastructure::Files
