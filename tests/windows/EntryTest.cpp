#include <gtest/gtest.h>

#include "Infrastructure/Platform/FileSystem.h"
#include "support/TestServers.h"
#include "windows/WindowsTestSupport.h"

TEST(ProgramEntry, StartsFillsAndEmptiesTheRegistryAndEnds) {
  const std::string launcher = TestSupport::HostPath(QL_LAUNCHER_EXE);
  EXPECT_EQ(TestSupport::RunProgram(launcher, "", 30000), 0);
}

TEST(ProgramEntry, ModulePathIsThisProgram) {
  const std::string path = Infrastructure::Platform::ModuleFileName();
  EXPECT_TRUE(path.ends_with("windows_tests.exe")) << path;
  EXPECT_EQ(Infrastructure::Platform::ModuleDirectory() + "\\windows_tests.exe", path);
}
