#pragma once
// Amounts of a download as the splash writes them: sizes in MB the way
// Windows counts them (1 MB = 1,048,576 bytes) with a decimal comma, and the
// share fetched as a whole percentage.
#include <cstdint>
#include <string>

namespace Presentation::ViewModels {

// "0,1 MB" for anything above nothing and below it, one decimal below 100 MB
// ("12,4 MB"), whole megabytes from there ("310 MB").
std::string Megabytes(int64_t ABytes);

// 0 to 100, never more; 0 when the total is unknown.
int32_t DownloadPercent(int64_t AReceived, int64_t ATotal);

}  // namespace Presentation::ViewModels
