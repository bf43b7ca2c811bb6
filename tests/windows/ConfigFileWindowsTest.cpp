// The configuration file on a real Windows file system: the fixed folders of
// the prefix's own C: drive, and files held open by another program.
#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>

#include "Core/Errors.h"
#include "Infrastructure/Config/IniConfigService.h"
#include "Infrastructure/Config/IniConfigWriter.h"
#include "Infrastructure/Config/IniFile.h"
#include "Infrastructure/Platform/FileSystem.h"
#include "Infrastructure/Platform/Win32/Handles.h"
#include "Infrastructure/Platform/Win32/WinText.h"
#include "support/TempDir.h"

using Infrastructure::Config::TIniConfigService;
using Infrastructure::Config::TIniConfigWriter;
using Infrastructure::Config::TIniFile;
using Infrastructure::Platform::ReadFileBytes;
using Infrastructure::Platform::Win32::TFileHandle;
using Infrastructure::Platform::Win32::ToWide;
using TestSupport::TTempDir;

namespace {

// Leaves C:\QuorvaneSoft as the test found it: absent.
struct TFixedFolders {
  TFixedFolders() { Remove(); }
  ~TFixedFolders() { Remove(); }
  static void Remove() {
    std::error_code ignored;
    std::filesystem::remove_all(L"C:\\QuorvaneSoft", ignored);
  }
  static void Write(const std::string& APath, const std::string& AContent) {
    Infrastructure::Platform::CreateDirectories(Infrastructure::Platform::ParentPath(APath));
    Infrastructure::Platform::WriteFileAtomically(APath, AContent);
  }
};

// Another program holding the file open with the given sharing.
TFileHandle HoldOpen(const std::string& APath, DWORD AShare) {
  return TFileHandle(CreateFileW(ToWide(APath).c_str(), GENERIC_READ, AShare, nullptr, OPEN_EXISTING,
                                 FILE_ATTRIBUTE_NORMAL, nullptr));
}

}  // namespace

TEST(ConfigFileOnWindows, FixedFoldersOfTheRealDriveInTheirOrder) {
  const TFixedFolders folders;
  const TTempDir launcher;  // nothing beside the launcher

  EXPECT_EQ(TIniConfigService(launcher.Path()).GetConfigPath(), launcher.Path() + "\\Config.ini");

  TFixedFolders::Write("C:\\QuorvaneSoft\\DuzOzadAzez.xml", "[BancoDados]\r\nUsuario=raiz\r\n");
  TFixedFolders::Write("C:\\QuorvaneSoft\\Execs\\Config.ini", "[BancoDados]\r\nUsuario=execs\r\n");
  TIniConfigService fresh(launcher.Path());
  EXPECT_EQ(fresh.GetConfigPath(), "C:\\QuorvaneSoft\\Execs\\Config.ini");
  EXPECT_EQ(fresh.GetDatabaseUser(""), "execs");

  TFixedFolders::Write("C:\\QuorvaneSoft\\Arquivos\\DuzOzadAzez.xml", "[BancoDados]\r\nUsuario=arquivos\r\n");
  EXPECT_EQ(fresh.GetDatabaseUser(""), "arquivos");
}

TEST(ConfigFileOnWindows, FileHeldWithoutSharingIsAnErrorForTheCaller) {
  const TTempDir dir;
  const std::string path = dir.WriteFile("Config.ini", "[BancoDados]\r\nSenha=x\r\n");
  const TFileHandle holder = HoldOpen(path, 0);
  ASSERT_TRUE(holder.Valid());
  TIniConfigService service(dir.Path(), {});
  EXPECT_TRUE(service.ConfigExists(path));  // a locked file still exists
  EXPECT_THROW(service.GetDatabasePassword(path), Core::EFileSystemError);
}

TEST(ConfigFileOnWindows, SaveThatCannotReplaceLeavesTheOldFile) {
  const TTempDir dir;
  const std::string old = "[BancoDados]\r\nSenha=antiga\r\n";
  const std::string path = dir.WriteFile("Config.ini", old);
  TIniFile ini = TIniFile::Load(path);
  ini.WriteString("BancoDados", "Senha", "nova");
  {
    // Readers that do not share deletion block the replace.
    const TFileHandle reader = HoldOpen(path, FILE_SHARE_READ | FILE_SHARE_WRITE);
    ASSERT_TRUE(reader.Valid());
    EXPECT_THROW(ini.Save(path), Core::EFileSystemError);
  }
  EXPECT_EQ(ReadFileBytes(path), old);
  EXPECT_EQ(Infrastructure::Platform::ListDirectory(dir.Path()).size(), 1u);  // no temporary file left
  ini.Save(path);
  EXPECT_EQ(TIniFile::Load(path).ReadString("BancoDados", "Senha"), "nova");
}

// An administrator hides the shared file, or makes it read-only for the keys
// of others; a save through the configuration window must not undo that.
TEST(ConfigFileOnWindows, SaveKeepsTheFilesAttributesAndRefusesAReadOnlyFile) {
  const TTempDir dir;
  const std::string old = "[Aplicacao]\r\nX=1\r\n\r\n[BancoDados]\r\nSenha=antiga\r\n\r\n";
  const struct {
    const char* name;
    DWORD attributes;
    bool saved;
  } cases[] = {
      {"hidden", FILE_ATTRIBUTE_HIDDEN, true},
      {"hidden system file", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM, true},
      {"read-only", FILE_ATTRIBUTE_READONLY, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = dir.WriteFile("Config.ini", old);
    const std::wstring wide = ToWide(path);
    ASSERT_TRUE(SetFileAttributesW(wide.c_str(), c.attributes));
    try {
      TIniConfigWriter().WriteDatabaseSettings(path, {{"Senha", "nova"}});
      EXPECT_TRUE(c.saved) << "a read-only file was replaced";
    } catch (const Core::EFileSystemError& error) {
      EXPECT_FALSE(c.saved) << error.what();
      EXPECT_NE(std::string(error.what()).find(path), std::string::npos) << error.what();
    }
    constexpr DWORD kShown = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_READONLY;
    EXPECT_EQ(GetFileAttributesW(wide.c_str()) & kShown, c.attributes);
    EXPECT_EQ(TIniFile::Load(path).ReadString("BancoDados", "Senha"), c.saved ? "nova" : "antiga");
    EXPECT_EQ(Infrastructure::Platform::ListDirectory(dir.Path()).size(), 1u);  // no temporary file left
    SetFileAttributesW(wide.c_str(), FILE_ATTRIBUTE_NORMAL);
  }
}
