#include <gtest/gtest.h>

#include "Core/ValueObjects/UpdateInfo.h"

using Core::ValueObjects::TUpdateInfo;
using Core::ValueObjects::TUpdateStatus;

TEST(UpdateInfo, StartsWithNoKnownVersionsAndNothingToDo) {
  const TUpdateInfo LInfo;
  EXPECT_EQ(LInfo.CurrentVersion(), "0.0.0.0");
  EXPECT_EQ(LInfo.MinimumVersion(), "0.0.0.0");
  EXPECT_EQ(LInfo.LatestVersion(), "0.0.0.0");
  EXPECT_EQ(LInfo.DownloadUrl(), "");
  EXPECT_EQ(LInfo.Status(), TUpdateStatus::UpToDate);
  EXPECT_EQ(LInfo.FileSize(), 0);
  EXPECT_EQ(LInfo.DownloadPath(), "");
  EXPECT_EQ(LInfo.ExtractPath(), "");
  EXPECT_EQ(LInfo.Progress(), 0);
  EXPECT_EQ(LInfo.ErrorMessage(), "");
  EXPECT_FALSE(LInfo.IsUpdateAvailable());
  EXPECT_FALSE(LInfo.IsUpdateRequired());
}

TEST(UpdateInfo, AvailableMeansLatestTextDiffersFromCurrent) {
  const struct {
    const char* current;
    const char* latest;
    bool expected;
  } cases[] = {
      {"1.0.0.0", "", false},                  // nothing published
      {"", "", false},                         // nothing known at all
      {"1.0.0.0", "1.0.0.0", false},           // same text
      {"1.0.0.0", "1.0.0.1", true},            // newer
      {"1.0.0.1", "1.0.0.0", true},            // a lower latest version still counts
      {"1.0.0.0", "1.0", true},                // texts differ although the numbers agree
      {"", "0.0.0.0", true},                   // an empty current text is not "0.0.0.0"
      {"1.0.0.0-BETA", "1.0.0.0-beta", true},  // case matters
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string("current '") + c.current + "', latest '" + c.latest + "'");
    TUpdateInfo LInfo;
    LInfo.SetCurrentVersion(c.current);
    LInfo.SetLatestVersion(c.latest);
    EXPECT_EQ(LInfo.IsUpdateAvailable(), c.expected);
  }
}

TEST(UpdateInfo, RequiredMeansCurrentIsOlderThanMinimumAsNumbers) {
  const struct {
    const char* current;
    const char* minimum;
    bool expected;
  } cases[] = {
      {"", "1.0", true},              // no version known is 0.0.0.0
      {"1.0.0.0", "1.0.0.0", false},  // equal
      {"1.0", "1.0.0.0", false},      // equal as numbers, different as text
      {"1.9", "1.10", true},          // numbers, not text
      {"2.0", "1.9.9.9", false},      // the first differing component decides
      {"1.0.0.1", "1.0.0.0", false},  // newer than the minimum
      {"abc", "0.0.0.1", true},       // unreadable counts 0.0.0.0
      {"1.2.3.4", "", false},         // no minimum
      {"-1", "", true},               // components are signed
      {"$FFFFFFFF", "0", true},       // hex keeps the 32-bit pattern: -1
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string("current '") + c.current + "', minimum '" + c.minimum + "'");
    TUpdateInfo LInfo;
    LInfo.SetCurrentVersion(c.current);
    LInfo.SetMinimumVersion(c.minimum);
    EXPECT_EQ(LInfo.IsUpdateRequired(), c.expected);
  }
}

TEST(UpdateInfo, ResetClearsOnlyStatusProgressAndError) {
  TUpdateInfo LInfo;
  LInfo.SetCurrentVersion("1.0.0.0");
  LInfo.SetMinimumVersion("1.1.0.0");
  LInfo.SetLatestVersion("1.2.0.0");
  LInfo.SetDownloadUrl("http://example.invalid/pkg.zip");
  LInfo.SetStatus(TUpdateStatus::Failed);
  LInfo.SetFileSize(5'000'000'000);
  LInfo.SetDownloadPath("C:\\App\\temp_update.zip");
  LInfo.SetExtractPath("C:\\App");
  LInfo.SetProgress(42);
  LInfo.SetErrorMessage("falha");

  LInfo.Reset();

  EXPECT_EQ(LInfo.Status(), TUpdateStatus::UpToDate);
  EXPECT_EQ(LInfo.Progress(), 0);
  EXPECT_EQ(LInfo.ErrorMessage(), "");
  EXPECT_EQ(LInfo.CurrentVersion(), "1.0.0.0");
  EXPECT_EQ(LInfo.MinimumVersion(), "1.1.0.0");
  EXPECT_EQ(LInfo.LatestVersion(), "1.2.0.0");
  EXPECT_EQ(LInfo.DownloadUrl(), "http://example.invalid/pkg.zip");
  EXPECT_EQ(LInfo.FileSize(), 5'000'000'000);
  EXPECT_EQ(LInfo.DownloadPath(), "C:\\App\\temp_update.zip");
  EXPECT_EQ(LInfo.ExtractPath(), "C:\\App");
}
