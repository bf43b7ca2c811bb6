// The file service on a real Windows: version resources of programs built with
// windres, the registry fallback in the prefix's registry, and the fixed
// application folders of the prefix's C: drive.
#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>

#include "Core/Errors.h"
#include "Infrastructure/Files/WindowsFileService.h"
#include "Infrastructure/Platform/FileSystem.h"
#include "Infrastructure/Platform/Win32/WinText.h"
#include "support/TempDir.h"
#include "support/TestServers.h"

using Infrastructure::Files::TFileServicePorts;
using Infrastructure::Files::TWindowsFileService;
using TestSupport::TTempDir;

namespace {

std::string TestProgram(const std::string& AName) { return TestSupport::HostPath(QL_BUILD_DIR "/" + AName); }

// HKCU\SOFTWARE\QuorvaneSoft\Zentaro as the test needs it, removed afterwards.
struct TVersionKey {
  TVersionKey() { Remove(); }
  ~TVersionKey() { Remove(); }
  static void Remove() { RegDeleteTreeW(HKEY_CURRENT_USER, L"SOFTWARE\\QuorvaneSoft"); }
  static void Set(DWORD AType, const void* AData, DWORD ASize) {
    HKEY key;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, L"SOFTWARE\\QuorvaneSoft\\Zentaro", 0, nullptr, 0, KEY_ALL_ACCESS,
                              nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegSetValueExW(key, L"CurrentVersion", 0, AType, static_cast<const BYTE*>(AData), ASize);
    RegCloseKey(key);
  }
};

}  // namespace

TEST(FileServiceOnWindows, VersionFromResourcesThenRegistry) {
  const TVersionKey key;
  TWindowsFileService service;
  EXPECT_EQ(service.ReadVersionFromFile(TestProgram("version_pt_br.exe")), "1.2.0.0");
  EXPECT_EQ(service.ReadVersionFromFile(TestProgram("version_en_us.exe")), "3.4.5.6");  // other language: fixed part
  EXPECT_EQ(service.ReadVersionFromFile(TestProgram("version_fixed_only.exe")), "7.0.65535.1");
  EXPECT_EQ(service.ReadVersionFromFile(TestProgram("version_none.exe")), "0.0.0.0");
  EXPECT_EQ(service.ReadVersionFromFile("C:\\nao\\existe.exe"), "0.0.0.0");

  const wchar_t version[] = L"2.5";
  TVersionKey::Set(REG_SZ, version, sizeof(version));
  EXPECT_EQ(service.ReadVersionFromFile(TestProgram("version_none.exe")), "2.5.0.0");
  EXPECT_EQ(service.ReadVersionFromFile("C:\\nao\\existe.exe"), "2.5.0.0");
  EXPECT_EQ(service.ReadVersionFromFile(TestProgram("version_pt_br.exe")), "1.2.0.0");  // resources first

  const DWORD number = 3;
  TVersionKey::Set(REG_DWORD, &number, sizeof(number));
  EXPECT_THROW(service.ReadVersionFromFile(TestProgram("version_none.exe")), Core::ERegistryError);
}

TEST(FileServiceOnWindows, ApplicationInTheFixedFoldersOfTheRealDrive) {
  struct TFixedFolders {
    TFixedFolders() { Remove(); }
    ~TFixedFolders() { Remove(); }
    static void Remove() {
      std::error_code ignored;
      std::filesystem::remove_all(L"C:\\QuorvaneSoft", ignored);
    }
  } fixedFolders;
  const TTempDir launcherFolder;
  const std::string launcher = launcherFolder.WriteFile("QuorvaneSoftLauncher.exe", "");
  auto ports = TFileServicePorts::Defaults();
  ports.LauncherPath = launcher;
  TWindowsFileService service(ports);
  EXPECT_EQ(service.GetApplicationExecutable(), "");

  Infrastructure::Platform::CreateDirectories("C:\\QuorvaneSoft\\Exec");
  const std::wstring program = Infrastructure::Platform::Win32::ToWide(TestProgram("version_pt_br.exe"));
  ASSERT_TRUE(CopyFileW(program.c_str(), L"C:\\QuorvaneSoft\\QuorvaneSoft.exe", FALSE));
  ASSERT_TRUE(CopyFileW(program.c_str(), L"C:\\QuorvaneSoft\\Exec\\QuorvaneSoftZentaro.exe", FALSE));
  EXPECT_EQ(service.GetApplicationExecutable(), "C:\\QuorvaneSoft\\Exec\\QuorvaneSoftZentaro.exe");
  EXPECT_EQ(service.GetApplicationPath(), "C:\\QuorvaneSoft\\Exec");
  EXPECT_EQ(service.ReadVersionFromFile(service.GetApplicationExecutable()), "1.2.0.0");

  // Beside the launcher beats every fixed folder.
  const std::string beside = launcherFolder.WriteFile("QuorvaneSoft.exe", "");
  EXPECT_EQ(service.GetApplicationExecutable(), beside);
}
