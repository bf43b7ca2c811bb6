#include "Presentation/ViewModels/DownloadAmounts.h"

namespace Presentation::ViewModels {

std::string Megabytes(int64_t ABytes) {
  constexpr int64_t kMegabyte = 1024 * 1024;
  if (ABytes < 0) ABytes = 0;
  if (ABytes > (int64_t{1} << 50)) ABytes = int64_t{1} << 50;  // a petabyte: no overflow below
  // In tenths, rounded, so that 12.36 MB reads "12,4".
  int64_t tenths = (ABytes * 10 + kMegabyte / 2) / kMegabyte;
  if (ABytes > 0 && tenths == 0) tenths = 1;
  if (tenths >= 1000) return std::to_string((tenths + 5) / 10) + " MB";
  return std::to_string(tenths / 10) + "," + std::to_string(tenths % 10) + " MB";
}

int32_t DownloadPercent(int64_t AReceived, int64_t ATotal) {
  if (ATotal <= 0 || AReceived <= 0) return 0;
  if (AReceived >= ATotal) return 100;
  return static_cast<int32_t>(AReceived * 100 / ATotal);
}

}  // namespace Presentation::ViewModels
