// Field support on a Windows system: the launcher started with its switches
// writes the support log where support looks for it, the log survives a file
// another program holds, and the taskbar button is driven without harm where
// the system lacks parts of the interface.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "Infrastructure/Logging/DebugLoggerService.h"
#include "Infrastructure/Platform/Win32/WinText.h"
#include "Presentation/Views/DatabaseConfig.h"
#include "Presentation/Views/Splash.h"
#include "Presentation/Views/Taskbar.h"
#include "support/TempDir.h"
#include "support/TestServers.h"
#include "windows/WindowTestSupport.h"
#include "windows/WindowsTestSupport.h"

using Infrastructure::Platform::Win32::ToWide;

namespace {

// LOCALAPPDATA pointed at a folder of the test's own while it lives.
class TLocalAppData {
 public:
  explicit TLocalAppData(const std::string& AFolder) {
    wchar_t buffer[4096];
    const DWORD length = GetEnvironmentVariableW(L"LOCALAPPDATA", buffer, 4096);
    FHad = length > 0 && length < 4096;
    if (FHad) FOld.assign(buffer, length);
    SetEnvironmentVariableW(L"LOCALAPPDATA", ToWide(AFolder).c_str());
  }
  ~TLocalAppData() { SetEnvironmentVariableW(L"LOCALAPPDATA", FHad ? FOld.c_str() : nullptr); }

 private:
  bool FHad = false;
  std::wstring FOld;
};

}  // namespace

TEST(SupportOnWindows, LogAndConfigSwitchesOpenTheConfigurationFirstAndWriteTheLog) {
  using namespace Presentation::Views;
  TestSupport::TTempDir dir;
  const std::string launcher = dir.Join("app\\QuorvaneSoftLauncher.exe");
  dir.WriteFile("app\\QuorvaneSoftLauncher.exe", TestSupport::ReadFileBytes(TestSupport::HostPath(QL_LAUNCHER_EXE)));
  // A complete configuration whose server nobody answers: without /config the
  // road would go to the check, not to the configuration window.
  dir.WriteFile("app\\Config.ini",
                "[BancoDados]\r\nODBC=\r\nServidor=127.0.0.1\r\nBANCO=erp\r\nDRIVE=SQL Server\r\nUsuario=joao\r\n"
                "Senha=s3gr3d0\r\n");
  const TLocalAppData appData(dir.Join("dados"));
  TestSupport::TRunningProgram program(launcher, "/log /config /desconhecido /log");
  ASSERT_TRUE(program.Started());
  const HWND splash = TestSupport::WaitForWindow(TfrmSplash::ClassName, 20000, program.Id());
  ASSERT_NE(splash, nullptr);
  const HWND config = TestSupport::WaitForWindow(TfrmDatabaseConfig::ClassName, 20000, program.Id());
  ASSERT_NE(config, nullptr);
  TestSupport::CloseBox(config);
  ASSERT_TRUE(TestSupport::WaitFor([&] { return TestSupport::ControlVisible(splash, TfrmSplash::btnRetry); }));
  TestSupport::Click(splash, TfrmSplash::btnClose);
  EXPECT_EQ(program.Wait(20000), TfrmSplash::ExitClosedByUser);

  const std::string log = TestSupport::ReadFileBytes(dir.Join("dados\\QuorvaneSoft\\Launcher\\launcher.log"));
  for (const char* expected :
       {"\tINFO\tInicio\tQuorvaneSoft Launcher ", "\tInicio\tSistema: Windows ", "(Wine ",
        "\tInicio\tLog de suporte pedido por /log\r\n", "\tInicio\t/config: a configuração do banco abre primeiro",
        "\tWARN\tInicio\tParâmetro desconhecido ignorado: /desconhecido", "Config.ini (encontrado)",
        "Servidor=127.0.0.1; Banco=erp; Driver=SQL Server; Usuario=joao",
        "\tValidateConfiguration\tConfiguração pedida na linha de comando (/config)"})
    EXPECT_NE(log.find(expected), std::string::npos) << expected << "\n" << log;
  EXPECT_EQ(log.find("s3gr3d0"), std::string::npos);
  // Given twice, started once.
  EXPECT_EQ(log.find("Log de suporte pedido"), log.rfind("Log de suporte pedido"));
}

TEST(SupportOnWindows, ALogFileAnotherProgramHoldsLeavesTheLauncherWithoutALog) {
  TestSupport::TTempDir dir;
  const std::string path = dir.Join("launcher.log");
  const HANDLE held = CreateFileW(ToWide(path).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  Infrastructure::Logging::TDebugLoggerService logger;
  EXPECT_FALSE(logger.StartSupportLog(path));
  logger.Info("Teste - nada quebra");
  CloseHandle(held);

  // Shared with another launcher that writes too: both sets of lines arrive whole.
  Infrastructure::Logging::TDebugLoggerService first, second;
  ASSERT_TRUE(first.StartSupportLog(path));
  ASSERT_TRUE(second.StartSupportLog(path));
  for (int i = 0; i < 50; ++i) {
    first.Info("Um - " + std::string(50, '1'));
    second.Info("Dois - " + std::string(50, '2'));
  }
  const std::string text = TestSupport::ReadFileBytes(path);
  size_t lines = 0;
  for (size_t at = 0; (at = text.find("\r\n", at)) != std::string::npos; at += 2) ++lines;
  EXPECT_EQ(lines, 100u);
}

TEST(SupportOnWindows, TaskbarButtonFollowsTheRoadAndAsksForAttentionOnlyBehindAnotherWindow) {
  using Presentation::ViewModels::TAppState;
  using Presentation::ViewModels::TTaskbarProgress;
  const HWND window = CreateWindowExW(WS_EX_APPWINDOW, L"STATIC", L"Barra", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200,
                                      100, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
  const HWND other = CreateWindowExW(WS_EX_APPWINDOW, L"STATIC", L"Outra", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 50, 50,
                                     200, 100, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
  ASSERT_NE(window, nullptr);
  ASSERT_NE(other, nullptr);
  {
    Presentation::Views::TTaskbarButton button;
    EXPECT_FALSE(button.Show(window, TAppState::DownloadingApplication, 40));
    EXPECT_EQ(button.Current().Progress, TTaskbarProgress::Normal);
    EXPECT_FALSE(button.Show(window, TAppState::InstallingBDE, 70));
    std::printf("[ note     ] ITaskbarList3 %s on this system\n",
                button.HasProgressInterface() ? "available" : "missing: the button shows no progress");

    SetForegroundWindow(window);
    if (GetForegroundWindow() == window) {
      EXPECT_FALSE(button.Show(window, TAppState::Error, 0));
    }
    EXPECT_EQ(button.Current().Progress, TTaskbarProgress::Error);
    EXPECT_EQ(button.Current().Percent, 70);

    SetForegroundWindow(other);
    if (GetForegroundWindow() == other) {
      EXPECT_TRUE(button.Show(window, TAppState::ConfigNeeded, 0));
    }
    EXPECT_FALSE(button.Show(window, TAppState::Validating, 15));  // nothing to ask for
    EXPECT_FALSE(button.Show(nullptr, TAppState::BDEMissing, 0));  // no window yet: nothing happens
  }
  DestroyWindow(other);
  DestroyWindow(window);
}
