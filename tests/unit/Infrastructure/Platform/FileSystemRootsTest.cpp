#include <gtest/gtest.h>

#include <filesystem>

#include "Infrastructure/Platform/FileSystem.h"
#include "support/TempDir.h"
#include "support/Utf8Path.h"

using namespace Infrastructure::Platform;

TEST(FileSystemRoots, TheTemporaryFolderExistsAndHasNoTrailingSeparator) {
  const std::string folder = TemporaryDirectory();
  ASSERT_FALSE(folder.empty());
  EXPECT_TRUE(DirectoryExists(folder)) << folder;
  EXPECT_NE(folder.back(), kPathSeparator);
}

TEST(FileSystemRoots, ARelativePathIsTakenFromTheCurrentFolder) {
  const TestSupport::TTempDir dir;
  const std::string sub = dir.MakeDir("Instalação");
  const auto previous = std::filesystem::current_path();
  std::filesystem::current_path(TestSupport::PathFromUtf8(sub));
  const std::string relative = AbsolutePath("setup.exe");
  const std::string absolute = AbsolutePath(JoinPath(dir.Path(), "x.exe"));
  std::filesystem::current_path(previous);

  EXPECT_EQ(relative, JoinPath(sub, "setup.exe"));
  EXPECT_EQ(absolute, JoinPath(dir.Path(), "x.exe"));
  EXPECT_EQ(AbsolutePath(""), "");
}
