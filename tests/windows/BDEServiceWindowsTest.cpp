// The BDE service on a real Windows: the prefix's registry (both key paths),
// the real default BDE folder, the shell's "runas", real folder security and
// file sharing, second processes (cmd.exe) that try to change what is about
// to run, and an installer of our own served over loopback HTTP. Every test
// leaves the BDE keys, the BDE folder and the compatibility values as it
// found them.
#include <gtest/gtest.h>
#include <windows.h>

#include <aclapi.h>
#include <sddl.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <thread>

#include "Core/Errors.h"
#include "Infrastructure/BDE/WindowsBDEService.h"
#include "Infrastructure/Files/WindowsFileService.h"
#include "Infrastructure/Platform/FileSystem.h"
#include "Infrastructure/Platform/SealedFolder.h"
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
using Infrastructure::Platform::FileNameOf;
using Infrastructure::Platform::JoinPath;
using Infrastructure::Platform::ParentPath;
using Infrastructure::Platform::Win32::FromWide;
using Infrastructure::Platform::Win32::ToWide;
using TestSupport::TTempDir;
using THive = TRegistryHive;

namespace {

const std::string kInstallerProgram = TestSupport::HostPath(QL_BUILD_DIR "/bde_test_installer.exe");
const std::string kKey(Infrastructure::BDE::kBDEKeyPath);
const std::string kWowKey(Infrastructure::BDE::kBDEKeyPathWow64);
const std::string kDefaultDir(Infrastructure::BDE::kDefaultBDEDirectory);
const std::string kLayersKey(Infrastructure::BDE::kCompatibilityLayersKey);
const std::string kLayers(Infrastructure::BDE::kCompatibilityLayers);

// A mark the test installer left beside the folder it ran from (UTF-16 text).
std::string Mark(const std::string& AMarks, const char* AKind) {
  const std::string path = AMarks + AKind;
  if (!FileExists(path)) return "(não executou)";
  const std::string bytes = TestSupport::ReadFileBytes(path);
  return FromWide(std::wstring_view(reinterpret_cast<const wchar_t*>(bytes.data()), bytes.size() / sizeof(wchar_t)));
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

int64_t Cmd(const std::string& ACommand) {
  return TestSupport::RunProgram("C:\\windows\\system32\\cmd.exe", "/c " + ACommand, 20000);
}

// The folders of the launcher's own that an installation left in AParent.
std::vector<std::string> InstallerFolders(const std::string& AParent) {
  std::vector<std::string> found;
  for (const auto& entry : Infrastructure::Platform::ListDirectory(AParent))
    if (entry.Name.rfind(Infrastructure::BDE::kInstallerFolderPrefix, 0) == 0) found.push_back(entry.Name);
  return found;
}

// The shell's runner, with a look at what is about to run just before it starts.
class TWatchedRunner : public IElevatedProcessRunner {
 public:
  std::function<void(const std::string& AFile, const std::string& AFolder)> BeforeStart;
  std::vector<std::string> Started;
  TElevatedStart StartElevated(const std::string& AFile, const std::string& AWorkingDirectory) override {
    Started.push_back(AFile);
    if (BeforeStart) BeforeStart(AFile, AWorkingDirectory);
    return FShell.StartElevated(AFile, AWorkingDirectory);
  }

 private:
  Infrastructure::Platform::Win32::TShellElevatedProcessRunner FShell;
};

// The real download, then whatever else happens to the downloaded file.
class TTamperedDownloads : public Infrastructure::Files::TWindowsFileService {
 public:
  std::function<void(const std::string&)> AfterDownload;
  Core::ValueObjects::TDownloadVerdict DownloadVerifiedFile(const std::string& AUrl, const std::string& APath,
                                                            const Core::ValueObjects::TDownloadCheck& ACheck,
                                                            TProgressProc AOnProgress) override {
    const auto verdict = TWindowsFileService::DownloadVerifiedFile(AUrl, APath, ACheck, AOnProgress);
    if (AfterDownload) AfterDownload(APath);
    return verdict;
  }
};

struct TBDEOnWindows : ::testing::Test {
  TTempDir Dir;
  std::shared_ptr<Infrastructure::Platform::Win32::TWindowsRegistry> Registry =
      std::make_shared<Infrastructure::Platform::Win32::TWindowsRegistry>();
  std::shared_ptr<TTamperedDownloads> Files = std::make_shared<TTamperedDownloads>();
  std::shared_ptr<TWatchedRunner> Runner = std::make_shared<TWatchedRunner>();
  TestSupport::TBDEPrefixGuard Prefix;
  std::vector<std::pair<int64_t, int64_t>> Reports;

  void SetUp() override { ASSERT_EQ(Prefix.LeftBehind(), "") << "a BDE left behind by an earlier run"; }
  void TearDown() override { Prefix.Restore(); }

  // Installers given by path run from a new folder in the test's own.
  TWindowsBDEService Service(uint32_t ATimeLimitMs = 60000) {
    TBDEServicePorts ports = TBDEServicePorts::Defaults();
    ports.ProcessRunner = Runner;
    ports.TemporaryDirectory = Dir.Path();
    ports.Timings.TimeLimitMs = ATimeLimitMs;
    ports.Timings.PauseMs = 100;
    return TWindowsBDEService(Files, std::move(ports));
  }
  TProgressProc Record() {
    return [this](int64_t ACurrent, int64_t ATotal) { Reports.emplace_back(ACurrent, ATotal); };
  }
  // A copy of the test installer under ARelative, below the test's folder.
  std::string Installer(const std::string& ARelative) {
    const std::string path = Dir.Join(ARelative);
    std::filesystem::create_directories(TestSupport::PathFromUtf8(path).parent_path());
    EXPECT_TRUE(CopyFileW(ToWide(kInstallerProgram).c_str(), ToWide(path).c_str(), FALSE)) << path;
    return path;
  }
  // The compatibility value for AInstaller now; removed at the end in any case.
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

TEST_F(TBDEOnWindows, AnInstallerFromTheServerRunsItselfFromItsOwnFolderWhichGoesAfterwards) {
  const std::string body = TestSupport::ReadFileBytes(kInstallerProgram);
  TestSupport::ServeTestFile("BDE Setup.exe", body);
  const std::string downloads = Dir.Join("Downloads/BDE");
  std::string installer;
  Runner->BeforeStart = [&](const std::string& AFile, const std::string&) {
    installer = AFile;
    EXPECT_EQ(CompatibilityValue(AFile), kLayers);
  };

  ASSERT_TRUE(Service().InstallBDEFromURL(TestSupport::TestHttpUrl("/files/BDE%20Setup.exe"), downloads, Record()));
  EXPECT_TRUE(Service().IsBDEInstalled());
  EXPECT_TRUE(FileExists(JoinPath(kDefaultDir, "bdeadmin.exe")));
  EXPECT_EQ(Registry->ReadString(THive::LocalMachine, kKey, "DLLPATH"), kDefaultDir);

  // The installer itself, once, from a new folder in the chosen one; the name
  // keeps the URL's "%20".
  ASSERT_EQ(Runner->Started, std::vector<std::string>{installer});
  EXPECT_EQ(FileNameOf(installer), "BDE%20Setup.exe");
  const std::string folder = ParentPath(installer);
  EXPECT_EQ(ParentPath(folder), downloads);
  const std::string marks = JoinPath(downloads, "BDE%20Setup.exe");
  EXPECT_EQ(Mark(marks, ".ran"), folder);
  EXPECT_EQ(Mark(marks, ".layers"), kLayers);
  EXPECT_EQ(CompatibilityValue(installer), std::nullopt);
  EXPECT_FALSE(Infrastructure::Platform::DirectoryExists(folder));
  EXPECT_TRUE(InstallerFolders(downloads).empty());

  ASSERT_FALSE(Reports.empty());
  EXPECT_EQ(Reports.front(), (std::pair<int64_t, int64_t>{0, 100}));
  for (const auto& [current, total] : Reports) {
    EXPECT_GT(total, 0);
    EXPECT_LE(current * 100 / total, 97);
  }
  EXPECT_EQ(Reports.back().second, 100);  // the last report comes from the wait
  EXPECT_GE(Reports.back().first, 50);
}

// Second processes try to change the installer and its folder just before it
// starts: each would succeed on a file nobody holds, none does on this one.
TEST_F(TBDEOnWindows, WhileTheInstallerIsHeldNoOtherProcessWritesRenamesOrDeletesItOrItsFolder) {
  const std::string body = TestSupport::ReadFileBytes(kInstallerProgram);
  TestSupport::ServeTestFile("bde_noop_held.exe", body);
  const struct {
    const char* Name;
    std::string Command;  // "%F": the file, "%D": its folder
    std::function<bool(const std::string& AFile)> Changed;
  } attempts[] = {
      {"append to the file", "echo x>>\"%F\"",
       [&](const std::string& AFile) { return !FileExists(AFile) || TestSupport::ReadFileBytes(AFile) != body; }},
      {"rename the file", "ren \"%F\" outro.exe", [](const std::string& AFile) { return !FileExists(AFile); }},
      {"delete the file", "del /f /q \"%F\"", [](const std::string& AFile) { return !FileExists(AFile); }},
      {"rename the folder", "ren \"%D\" outra", [](const std::string& AFile) { return !FileExists(AFile); }},
  };
  auto expand = [](std::string ACommand, const std::string& AFile) {
    for (const auto& [mark, value] : {std::pair<std::string, std::string>{"%F", AFile}, {"%D", ParentPath(AFile)}})
      for (size_t at; (at = ACommand.find(mark)) != std::string::npos;) ACommand.replace(at, 2, value);
    return ACommand;
  };
  for (const auto& attempt : attempts) {
    SCOPED_TRACE(attempt.Name);
    // The same on a copy nobody holds: the attempt itself works.
    const std::string loose =
        Dir.WriteFile(std::string("solta-") + std::to_string(&attempt - attempts) + "/setup.exe", body);
    Cmd(expand(attempt.Command, loose));
    EXPECT_TRUE(attempt.Changed(loose));

    Runner->BeforeStart = [&](const std::string& AFile, const std::string&) {
      Cmd(expand(attempt.Command, AFile));
      EXPECT_FALSE(attempt.Changed(AFile));
    };
    EXPECT_FALSE(Service().InstallBDEFromURL(TestSupport::TestHttpUrl("/files/bde_noop_held.exe"), "", {}));
    ASSERT_EQ(Runner->Started.size(), 1u);
    EXPECT_EQ(Mark(Dir.Join("bde_noop_held.exe"), ".ran"), ParentPath(Runner->Started[0]));
    EXPECT_TRUE(InstallerFolders(Dir.Path()).empty());
    Runner->Started.clear();
    std::filesystem::remove(TestSupport::PathFromUtf8(Dir.Join("bde_noop_held.exe.ran")));
  }
}

TEST_F(TBDEOnWindows, ADownloadSomeoneStillWritesOrThatHasCompanyInItsFolderNeverRuns) {
  TestSupport::ServeTestFile("bde_setup_refused.exe", TestSupport::ReadFileBytes(kInstallerProgram));
  std::thread writer;
  const struct {
    const char* Name;
    std::function<void(const std::string&)> AfterDownload;
  } cases[] = {
      {"another handle writes it for a moment longer",
       [&](const std::string& APath) {
         const HANDLE file =
             CreateFileW(ToWide(APath).c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                         nullptr, OPEN_EXISTING, 0, nullptr);
         EXPECT_NE(file, INVALID_HANDLE_VALUE);
         writer = std::thread([file] {
           Sleep(500);
           CloseHandle(file);
         });
       }},
      {"a DLL planted beside it",
       [](const std::string& APath) {
         std::ofstream(TestSupport::PathFromUtf8(JoinPath(ParentPath(APath), "version.dll")), std::ios::binary) << "MZ";
       }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    Files->AfterDownload = c.AfterDownload;
    EXPECT_THROW(Service().InstallBDEFromURL(TestSupport::TestHttpUrl("/files/bde_setup_refused.exe"), "", {}),
                 Core::EDownloadVerificationError);
    if (writer.joinable()) writer.join();
    EXPECT_TRUE(Runner->Started.empty());
    EXPECT_FALSE(FileExists(Dir.Join("bde_setup_refused.exe.ran")));
    EXPECT_TRUE(InstallerFolders(Dir.Path()).empty());
  }
}

TEST_F(TBDEOnWindows, AnInstallerThatInstallsNothingLeavesTheResultFalse) {
  const std::string installer = Installer("bde_noop.exe");
  EXPECT_FALSE(Service().InstallBDE(installer, {}));
  EXPECT_EQ(Mark(installer, ".ended"), "");
  EXPECT_TRUE(FileExists(installer));  // the caller's file; a copy ran
  ASSERT_EQ(Runner->Started.size(), 1u);
  EXPECT_NE(Runner->Started[0], installer);
  EXPECT_EQ(Mark(installer, ".layers"), kLayers);
  EXPECT_EQ(CompatibilityValue(Runner->Started[0]), std::nullopt);
  EXPECT_TRUE(InstallerFolders(Dir.Path()).empty());
}

TEST_F(TBDEOnWindows, TheInstallerIsStoppedAtTheLimitAndItsFolderGoes) {
  const std::string installer = Installer("bde_slow.exe");
  EXPECT_FALSE(Service(3000).InstallBDE(installer, Record()));
  ASSERT_FALSE(Reports.empty());
  EXPECT_EQ(Reports.back(), (std::pair<int64_t, int64_t>{95, 100}));
  // The installer itself was stopped: nothing is left running on its own.
  EXPECT_TRUE(FileExists(installer + ".ran"));
  EXPECT_FALSE(FileExists(installer + ".ended"));
  EXPECT_TRUE(InstallerFolders(Dir.Path()).empty());
}

TEST_F(TBDEOnWindows, InstallerNamesWithPercentSignsAndNonASCIICharactersRunTheRightFile) {
  // Percent signs as a URL leaves them. A pair around a defined variable
  // ("%PATH%") would be expanded by Wine's shell, which Windows does only
  // when asked (SEE_MASK_DOENVSUBST).
  for (const char* relative : {"Instaladores/bde%20Setup%25 100%.exe", "Instalação São Paulo/Instalação do BDE.exe"}) {
    SCOPED_TRACE(relative);
    const std::string installer = Installer(relative);
    const std::string marks = Dir.Join(FileNameOf(installer));
    Runner->Started.clear();
    EXPECT_TRUE(Service().InstallBDE(installer, {}));
    ASSERT_EQ(Runner->Started.size(), 1u);
    EXPECT_EQ(FileNameOf(Runner->Started[0]), FileNameOf(installer));
    EXPECT_EQ(Mark(marks, ".ran"), ParentPath(Runner->Started[0]));
    EXPECT_EQ(Mark(marks, ".layers"), kLayers);
    EXPECT_EQ(Mark(marks, ".ended"), "");
    EXPECT_EQ(CompatibilityValue(Runner->Started[0]), std::nullopt);
    EXPECT_TRUE(InstallerFolders(Dir.Path()).empty());
    Prefix.Restore();
  }
}

namespace {

// The DACL of a folder as SDDL, its "auto-inherited" mark left out.
std::string DaclOf(const std::string& AFolder) {
  const HANDLE folder = CreateFileW(ToWide(AFolder).c_str(), READ_CONTROL, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (folder == INVALID_HANDLE_VALUE) return "(não abriu)";
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  wchar_t* text = nullptr;
  std::string dacl = "(não leu)";
  if (GetSecurityInfo(folder, SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, nullptr, nullptr,
                      &descriptor) == ERROR_SUCCESS &&
      ConvertSecurityDescriptorToStringSecurityDescriptorW(descriptor, SDDL_REVISION_1, DACL_SECURITY_INFORMATION,
                                                           &text, nullptr)) {
    dacl = FromWide(text);
    if (dacl.rfind("D:PAI", 0) == 0) dacl.erase(3, 2);
  }
  LocalFree(text);
  LocalFree(descriptor);
  CloseHandle(folder);
  return dacl;
}

// Whether this system keeps the DACL set on a folder at all (Wine makes one
// up from the Unix permissions instead).
bool KeepsFolderSecurity(const std::string& AFolder) {
  const std::string kept = "D:P(A;OICI;FA;;;WD)";
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(ToWide(kept).c_str(), SDDL_REVISION_1, &descriptor,
                                                            nullptr))
    return false;
  BOOL present = FALSE, defaulted = FALSE;
  PACL dacl = nullptr;
  GetSecurityDescriptorDacl(descriptor, &present, &dacl, &defaulted);
  std::wstring path = ToWide(AFolder);
  const DWORD set = SetNamedSecurityInfoW(path.data(), SE_FILE_OBJECT,
                                          DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION, nullptr,
                                          nullptr, dacl, nullptr);
  LocalFree(descriptor);
  return set == ERROR_SUCCESS && DaclOf(AFolder) == kept;
}

}  // namespace

TEST(SealedFolderOnWindows, IsNewAndGoesWithItsContentAfterTheSeal) {
  TTempDir dir;
  const std::string path = dir.Join("selada");
  {
    Infrastructure::Platform::TSealedFolder taken;
    dir.MakeDir("existente");
    EXPECT_THROW(taken.Create(dir.Join("existente")), Core::EFileSystemError);
  }
  EXPECT_TRUE(Infrastructure::Platform::DirectoryExists(dir.Join("existente")));  // not someone else's to remove

  Infrastructure::Platform::TSealedFolder folder;
  folder.Create(path);
  dir.WriteFile("selada/setup.exe", "MZ");
  ASSERT_TRUE(folder.Seal());
  // Held without delete sharing: nobody renames it away and puts another in its place.
  EXPECT_FALSE(MoveFileW(ToWide(path).c_str(), ToWide(dir.Join("outra")).c_str()));
  EXPECT_TRUE(folder.Remove());
  EXPECT_FALSE(Infrastructure::Platform::DirectoryExists(path));
}

TEST(SealedFolderOnWindows, LeavesTheUserOnlyReadingAndRunningInIt) {
  TTempDir dir;
  if (!KeepsFolderSecurity(dir.MakeDir("sonda")))
    GTEST_SKIP() << "this system does not keep a folder's DACL (Wine derives one from the Unix permissions), "
                    "so the seal cannot be read back here";
  Infrastructure::Platform::TSealedFolder folder;
  folder.Create(dir.Join("selada"));
  dir.WriteFile("selada/setup.exe", "MZ");
  ASSERT_TRUE(folder.Seal());
  EXPECT_EQ(DaclOf(folder.Path()), "D:P(A;OICI;0x1200a9;;;OW)(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)");
  // A user whose token does not carry the Administrators for granting cannot
  // put anything beside the installer.
  HANDLE token = nullptr;
  TOKEN_ELEVATION elevation{};
  DWORD size = 0;
  OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token);
  GetTokenInformation(token, TokenElevation, &elevation, sizeof(elevation), &size);
  CloseHandle(token);
  if (!elevation.TokenIsElevated) {
    const HANDLE planted =
        CreateFileW(ToWide(dir.Join("selada/version.dll")).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
    EXPECT_EQ(planted, INVALID_HANDLE_VALUE);
    if (planted != INVALID_HANDLE_VALUE) CloseHandle(planted);
  }
  EXPECT_TRUE(folder.Remove());
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
