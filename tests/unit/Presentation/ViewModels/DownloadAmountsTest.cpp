#include "Presentation/ViewModels/DownloadAmounts.h"

#include <gtest/gtest.h>

using Presentation::ViewModels::DownloadPercent;
using Presentation::ViewModels::Megabytes;

TEST(DownloadAmounts, SizesReadAsWindowsShowsThemWithADecimalComma) {
  constexpr int64_t kMB = 1024 * 1024;
  const struct {
    int64_t bytes;
    const char* text;
  } cases[] = {
      {0, "0,0 MB"},
      {-5, "0,0 MB"},
      {1, "0,1 MB"},  // something is never shown as nothing
      {kMB / 2, "0,5 MB"},
      {12 * kMB + 380 * 1024, "12,4 MB"},
      {kMB * 999 / 10, "99,9 MB"},
      {kMB * 9996 / 100, "100 MB"},  // rounds up into whole megabytes
      {310 * kMB, "310 MB"},
      {int64_t{5} << 40, "5242880 MB"},
      {INT64_MAX, "1073741824 MB"},  // capped, never overflowing
  };
  for (const auto& c : cases) EXPECT_EQ(Megabytes(c.bytes), c.text) << c.bytes;
}

TEST(DownloadAmounts, ThePercentageCountsTheBytesFetchedOfThoseToFetch) {
  EXPECT_EQ(DownloadPercent(0, 100), 0);
  EXPECT_EQ(DownloadPercent(999, 1000), 99);  // 100 only once everything arrived
  EXPECT_EQ(DownloadPercent(1000, 1000), 100);
  EXPECT_EQ(DownloadPercent(1500, 1000), 100);
  EXPECT_EQ(DownloadPercent(5, 0), 0);  // unknown total
  EXPECT_EQ(DownloadPercent(int64_t{3} << 40, int64_t{4} << 40), 75);
}
