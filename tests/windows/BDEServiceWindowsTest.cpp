// The BDE service on a real Windows: the prefix's registry (both key paths),
// the real default BDE folder, the shell's "runas", cmd.exe and reg running the
// generated batch file, and an installer of our own served over loopback HTTP.
// Every test leaves the BDE keys, the BDE folder and the compatibility values
// as it found them.
#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <fstream>
#include <memory>

#include "Core/Errors.h"
#include "Infrastructure/BDE/WindowsBDEService.h"
#include "Infrastructure/Files/WindowsFileService.h"
#include "Infrastructure/Platform/FileSystem.h"
#include "Infrastructure/Platform/Win32/ElevatedProcessRunner.h"
#include "Infrastructure/Platform/Win32/WinText.h"
#include "Infrastructure/Platform/Win32/WindowsRegistry.h"
#include "WindowsTestSupport.h"
#include "support/TempDir.h"
#include "support/TestServers.h"
#include "support/Utf8Path.h"

using namespace Core::Interfaces;
using Infrastructure::BDE::TBDEServicePorts;
using Infrastructure::BDE::TWindowsBDEService;
using Infrastructure::Platform::FileExists;
using Infrastructure::Platform::JoinPath;
using Infrastructure::Platform::Win32::ToWide;
using TestSupport::TTempDir;
using THive = TRegistryHive;

namespace {

const std::string kInstallerProgram = TestSupport::HostPath(QL_BUILD_DIR "/bde_test_installer.exe");
const std::string kKey(Infrastructure::BDE::kBDEKeyPath);
const std::string kWowKey(Infrastructure::BDE::kBDEKeyPathWow64);
const std::string kDefaultDir(Infrastructure::BDE::kDefaultBDEDirectory);
const std::string kLayersKey(Infrastructure::BDE::kCompatibilityLayersKey);

bool WaitForFile(const std::string& APath, int ASeconds = 30) {
  for (int i = 0; i < ASeconds * 10 && !FileExists(APath); ++i) Sleep(100);
  return FileExists(APath);
}

// The working folder the test installer recorded when it ran.
std::string RecordedFolder(const std::string& AInstaller) {
  if (!FileExists(AInstaller + ".ran")) return "(não executou)";
  const std::string bytes = TestSupport::ReadFileBytes(AInstaller + ".ran");
  return Infrastructure::Platform::Win32::FromWide(
      std::wstring_view(reinterpret_cast<const wchar_t*>(bytes.data()), bytes.size() / sizeof(wchar_t)));
}

bool SetDWord(const std::string& AKey, const std::string& AName, DWORD AValue) {
  HKEY key = nullptr;
  if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, ToWide(AKey).c_str(), 0, nullptr, 0, KEY_WRITE | KEY_WOW64_32KEY, nullptr,
                      &key, nullptr) != ERROR_SUCCESS)
    return false;
  const bool ok = RegSetValueExW(key, ToWide(AName).c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&AValue),
                                 sizeof(AValue)) == ERROR_SUCCESS;
  RegCloseKey(key);
  return ok;
}

struct TBDEOnWindows : ::testing::Test {
  TTempDir Dir;
  std::shared_ptr<Infrastructure::Platform::Win32::TWindowsRegistry> Registry =
      std::make_shared<Infrastructure::Platform::Win32::TWindowsRegistry>();
  std::shared_ptr<Infrastructure::Files::TWindowsFileService> Files =
      std::make_shared<Infrastructure::Files::TWindowsFileService>();
  TestSupport::TBDEPrefixGuard Prefix;
  std::vector<std::pair<int64_t, int64_t>> Reports;

  void SetUp() override { ASSERT_EQ(Prefix.LeftBehind(), "") << "a BDE left behind by an earlier run"; }
  void TearDown() override { Prefix.Restore(); }

  TWindowsBDEService Service(uint32_t ATimeLimitMs = 60000) {
    TBDEServicePorts ports = TBDEServicePorts::Defaults();
    ports.Timings.TimeLimitMs = ATimeLimitMs;
    ports.Timings.PauseMs = 100;
    return TWindowsBDEService(Files, std::move(ports));
  }
  TProgressProc Record() {
    return [this](int64_t ACurrent, int64_t ATotal) { Reports.emplace_back(ACurrent, ATotal); };
  }
  // A copy of the test installer under AName, below the test's folder.
  std::string Installer(const std::string& ARelative) {
    const std::string path = Dir.Join(ARelative);
    std::filesystem::create_directories(TestSupport::PathFromUtf8(path).parent_path());
    EXPECT_TRUE(CopyFileW(ToWide(kInstallerProgram).c_str(), ToWide(path).c_str(), FALSE)) << path;
    return path;
  }
  std::optional<std::string> CompatibilityValue(const std::string& AInstaller) {
    Prefix.RemoveCompatibilityValueOf(AInstaller);
    return Registry->ReadString(THive::CurrentUser, kLayersKey, AInstaller);
  }
};

}  // namespace

TEST_F(TBDEOnWindows, DetectionReadsBothKeyPathsOfTheRealRegistry) {
  auto service = Service();
  EXPECT_EQ(service.GetBDEPath(), kDefaultDir);
  EXPECT_FALSE(service.CheckBDEInstalled().IsInstalled);

  const std::string folder = Dir.MakeDir("Borland BDE");
  Dir.WriteFile("Borland BDE/bdeadmin.exe", "admin");
  ASSERT_TRUE(Registry->CreateKey(THive::LocalMachine, kKey));
  ASSERT_TRUE(Registry->WriteString(THive::LocalMachine, kKey, "DLLPATH", ""));
  ASSERT_TRUE(Registry->WriteString(THive::LocalMachine, kKey, "VERSION", "5.1"));
  ASSERT_TRUE(Registry->CreateKey(THive::LocalMachine, kWowKey));
  ASSERT_TRUE(Registry->WriteString(THive::LocalMachine, kWowKey, "DLLPATH", folder));

  const TBDEInstallStatus status = service.CheckBDEInstalled();
  EXPECT_TRUE(status.IsInstalled);
  EXPECT_EQ(status.InstallPath, folder);
  EXPECT_EQ(status.Version, "5.1");
  EXPECT_TRUE(status.NeedsUpdate);

  ASSERT_TRUE(SetDWord(kKey, "DLLPATH", 1));
  EXPECT_THROW(service.CheckBDEInstalled(), Core::ERegistryError);
}

TEST_F(TBDEOnWindows, ConfigureBDECopiesIntoTheBDEFolderAndRecordsTheFile) {
  const std::string folder = Dir.MakeDir("BDE");
  ASSERT_TRUE(Registry->CreateKey(THive::LocalMachine, kWowKey));
  ASSERT_TRUE(Registry->WriteString(THive::LocalMachine, kWowKey, "DLLPATH", folder));
  const std::string config = Dir.WriteFile("Configuração/IDAPI32.CFG", "nova");
  Dir.WriteFile("BDE/IDAPI32.CFG", "velha");

  ASSERT_TRUE(Service().ConfigureBDE(config));
  const std::string target = JoinPath(folder, "IDAPI32.CFG");
  EXPECT_EQ(TestSupport::ReadFileBytes(target), "nova");
  EXPECT_EQ(Registry->ReadString(THive::LocalMachine, kKey, "CONFIGFILE"), target);
}

TEST_F(TBDEOnWindows, AnInstallerFromTheServerPutsTheBDEInPlaceThroughTheBatchFile) {
  TestSupport::ServeTestFile("BDE Setup.exe", TestSupport::ReadFileBytes(kInstallerProgram));
  const std::string downloads = Dir.Join("Downloads/BDE");
  // The name keeps the URL's "%20": cmd must not read it as an argument.
  const std::string installer = JoinPath(downloads, "BDE%20Setup.exe");

  ASSERT_TRUE(Service().InstallBDEFromURL(TestSupport::TestHttpUrl("/files/BDE%20Setup.exe"), downloads, Record()));
  EXPECT_TRUE(Service().IsBDEInstalled());
  EXPECT_TRUE(FileExists(JoinPath(kDefaultDir, "bdeadmin.exe")));
  EXPECT_EQ(Registry->ReadString(THive::LocalMachine, kKey, "DLLPATH"), kDefaultDir);
  EXPECT_EQ(RecordedFolder(installer), downloads);
  EXPECT_EQ(CompatibilityValue(installer), "~ WINXPSP3 RUNASADMIN");
  EXPECT_FALSE(FileExists(installer));
  EXPECT_FALSE(FileExists(JoinPath(downloads, "install_bde.bat")));

  ASSERT_FALSE(Reports.empty());
  EXPECT_EQ(Reports.front(), (std::pair<int64_t, int64_t>{0, 100}));
  for (const auto& [current, total] : Reports) {
    EXPECT_GT(total, 0);
    EXPECT_LE(current * 100 / total, 97);
  }
  EXPECT_EQ(Reports.back().second, 100);  // the last report comes from the wait
  EXPECT_GE(Reports.back().first, 50);
}

TEST_F(TBDEOnWindows, AnInstallerThatInstallsNothingLeavesTheResultFalse) {
  const std::string installer = Installer("bde_noop.exe");
  EXPECT_FALSE(Service().InstallBDE(installer, {}));
  EXPECT_TRUE(WaitForFile(installer + ".ended"));
  EXPECT_TRUE(FileExists(installer));  // only a download is cleaned up
  EXPECT_FALSE(FileExists(Dir.Join("install_bde.bat")));
  EXPECT_EQ(CompatibilityValue(installer), "~ WINXPSP3 RUNASADMIN");
}

TEST_F(TBDEOnWindows, TheBatchFileIsStoppedAtTheLimitAndStays) {
  const std::string installer = Installer("bde_slow.exe");
  EXPECT_FALSE(Service(3000).InstallBDE(installer, Record()));
  EXPECT_TRUE(FileExists(Dir.Join("install_bde.bat")));
  ASSERT_FALSE(Reports.empty());
  EXPECT_EQ(Reports.back(), (std::pair<int64_t, int64_t>{95, 100}));

  // Only cmd was stopped: the installer it started runs on until told to end.
  EXPECT_TRUE(FileExists(installer + ".ran"));
  EXPECT_FALSE(FileExists(installer + ".ended"));
  Dir.WriteFile("bde_slow.exe.stop", "");
  EXPECT_TRUE(WaitForFile(installer + ".ended"));
  Sleep(300);  // lets the process end before the folder goes
  Prefix.RemoveCompatibilityValueOf(installer);
}

TEST_F(TBDEOnWindows, InstallerPathsWithPercentSignsAndNonASCIICharactersRunTheRightFile) {
  struct TCase {
    const char* Relative;
    bool BatchFile;
  } cases[] = {
      {"Instaladores/bde%PATH%%1 100%.exe", true},
      {"Instalação São Paulo/bde_setup.exe", true},
      {"Instaladores/Instalação do BDE.exe", false},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Relative);
    const std::string installer = Installer(c.Relative);
    const std::string folder = Infrastructure::Platform::ParentPath(installer);
    EXPECT_TRUE(Service().InstallBDE(installer, {}));
    EXPECT_EQ(RecordedFolder(installer), folder);
    EXPECT_EQ(CompatibilityValue(installer), "~ WINXPSP3 RUNASADMIN");
    EXPECT_FALSE(FileExists(JoinPath(folder, "install_bde.bat")));
    EXPECT_TRUE(WaitForFile(installer + ".ended"));
    Prefix.Restore();
  }
}

TEST(ElevatedProcessRunnerOnWindows, StartsWaitsInSlicesAndStopsWithAnExitCode) {
  TTempDir dir;
  const std::string program = dir.Join("runner_slow.exe");
  ASSERT_TRUE(CopyFileW(ToWide(kInstallerProgram).c_str(), ToWide(program).c_str(), FALSE));
  Infrastructure::Platform::Win32::TShellElevatedProcessRunner runner;

  TElevatedStart start = runner.StartElevated(program, dir.Path());
  ASSERT_EQ(start.Status, TElevatedStartStatus::StartedWithProcess) << start.ErrorMessage;
  ASSERT_NE(start.Process, nullptr);
  EXPECT_EQ(start.Process->Wait(50), TProcessWaitResult::TimedOut);
  EXPECT_EQ(start.Process->ExitCode(), std::nullopt);
  EXPECT_TRUE(start.Process->Terminate(1));
  EXPECT_EQ(start.Process->Wait(10000), TProcessWaitResult::Ended);
  EXPECT_EQ(start.Process->ExitCode(), 1u);
  start.Process->Close();
  EXPECT_EQ(start.Process->Wait(0), TProcessWaitResult::Failed);

  const TElevatedStart missing = runner.StartElevated(dir.Join("nao-existe.exe"), dir.Path());
  EXPECT_EQ(missing.Status, TElevatedStartStatus::Failed);
  EXPECT_FALSE(missing.ErrorMessage.empty());
  EXPECT_EQ(missing.Process, nullptr);
}
