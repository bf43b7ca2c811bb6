#include <gtest/gtest.h>
#include <windows.h>

#include "Infrastructure/Platform/FileSystem.h"
#include "Presentation/Views/DSNSelector.h"
#include "Presentation/Views/DatabaseConfig.h"
#include "Presentation/Views/ODBCEditor.h"
#include "Presentation/Views/Splash.h"
#include "support/TempDir.h"
#include "support/TestServers.h"
#include "windows/WindowTestSupport.h"
#include "windows/WindowsTestSupport.h"


// Started with no configuration anywhere: the splash is the one window shown,
// the selector and the editor exist hidden, the configuration window opens,
// and the close button ends the launcher.
TEST(ProgramEntry, ShowsTheSplashWithTheOtherWindowsHiddenAndEndsOnClose) {
  using namespace Presentation::Views;
  TestSupport::TTempDir dir;
  const std::string launcher = dir.Join("QuorvaneSoftLauncher.exe");
  dir.WriteFile("QuorvaneSoftLauncher.exe", TestSupport::ReadFileBytes(TestSupport::HostPath(QL_LAUNCHER_EXE)));
  TestSupport::TRunningProgram program(launcher);
  ASSERT_TRUE(program.Started());

  const HWND splash = TestSupport::WaitForWindow(TfrmSplash::ClassName, 20000, program.Id());
  ASSERT_NE(splash, nullptr);
  const auto selectors = TestSupport::WindowsOf(program.Id(), TfrmDSNSelector::ClassName);
  const auto editors = TestSupport::WindowsOf(program.Id(), TfrmODBCEditor::ClassName);
  ASSERT_EQ(selectors.size(), 1u);
  ASSERT_EQ(editors.size(), 1u);
  EXPECT_FALSE(IsWindowVisible(selectors.front()));
  EXPECT_FALSE(IsWindowVisible(editors.front()));
  // Their controls wait for a first showing: nothing of theirs delays the splash.
  EXPECT_EQ(GetWindow(selectors.front(), GW_CHILD), nullptr);
  EXPECT_EQ(GetWindow(editors.front(), GW_CHILD), nullptr);
  TestSupport::SaveScreenshot(splash, "launcher_first_start");

  // No configuration: the configuration window opens over the splash.
  const HWND config = TestSupport::WaitForWindow(TfrmDatabaseConfig::ClassName, 20000, program.Id());
  ASSERT_NE(config, nullptr);
  EXPECT_EQ(TestSupport::ControlText(splash, TfrmSplash::lblMessage), "Configuração do banco de dados necessária");
  TestSupport::CloseBox(config);
  ASSERT_TRUE(TestSupport::WaitFor([&] { return TestSupport::ControlVisible(splash, TfrmSplash::btnRetry); }));
  TestSupport::SaveScreenshot(splash, "launcher_configuration_cancelled");

  TestSupport::Click(splash, TfrmSplash::btnClose);
  EXPECT_EQ(program.Wait(20000), TfrmSplash::ExitClosedByUser);
}

TEST(ProgramEntry, ModulePathIsThisProgram) {
  const std::string path = Infrastructure::Platform::ModuleFileName();
  EXPECT_TRUE(path.ends_with("windows_tests.exe")) << path;
  EXPECT_EQ(Infrastructure::Platform::ModuleDirectory() + "\\windows_tests.exe", path);
}
