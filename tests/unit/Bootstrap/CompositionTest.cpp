// The portable part of the splash's platform: the executable put in place.
#include "Bootstrap/Composition.h"

#include <gtest/gtest.h>

#include "Infrastructure/Platform/FileSystem.h"

#include <filesystem>

#include "support/TempDir.h"
#include "support/Utf8Path.h"

namespace {

TEST(SplashPlatformComposition, ReplaceFilePutsTheCopyInPlaceOrLeavesTheOldFileWhole) {
  struct TCase {
    const char* Name;
    bool SourceExists;
    const char* Expected;  // the target afterwards
  };
  const TCase cases[] = {{"a new executable", true, "nova"}, {"no source at all", false, "velha"}};
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    const TestSupport::TTempDir dir;
    const std::string target = dir.WriteFile("QuorvaneSoft.exe", "velha");
    const std::string source = c.SourceExists ? dir.WriteFile("temp_update.exe", "nova") : dir.Join("falta.exe");
    const auto platform = Bootstrap::CreatePortableSplashPlatform(dir.Join("QuorvaneSoftLauncher.exe"));

    const size_t entries = Infrastructure::Platform::ListDirectory(dir.Path()).size();
    if (c.SourceExists) {
      platform.ReplaceFile(source, target);
    } else {
      EXPECT_ANY_THROW(platform.ReplaceFile(source, target));
    }
    EXPECT_EQ(TestSupport::ReadFileBytes(target), c.Expected);
    EXPECT_EQ(Infrastructure::Platform::ListDirectory(dir.Path()).size(), entries) << "a copy left beside it";
  }
}

}  // namespace
