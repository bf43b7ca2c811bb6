// The installation lock between real processes: a launcher killed in the
// middle of a swap leaves its lock abandoned and its journal behind, and the
// next launcher recovers the folder before it swaps anything; every spelling
// of one folder names one lock.
#include <gtest/gtest.h>
#include <windows.h>

#include <thread>

#include "Core/Errors.h"
#include "Infrastructure/Files/PackageSwap.h"
#include "Infrastructure/Files/ZipExtractor.h"
#include "Infrastructure/Platform/FileSystem.h"
#include "Infrastructure/Platform/InstallationLock.h"
#include "Infrastructure/Platform/Win32/WinText.h"
#include "Infrastructure/Translator/PortugueseTranslator.h"
#include "Infrastructure/Update/UpdateInstaller.h"
#include "WindowsTestSupport.h"
#include "support/FolderLink.h"
#include "support/TempDir.h"
#include "support/TestServers.h"
#include "support/ZipBuilder.h"

using Infrastructure::Platform::CreateInstallationLock;
using TestSupport::FolderSnapshot;
using TestSupport::TTempDir;

namespace {

// Whether another thread (a mutex is its owner thread's to take again) gets AFolder's lock now.
bool FreeForAnother(const std::string& AFolder) {
  bool taken = false;
  std::thread([&] { taken = CreateInstallationLock(AFolder)->TryAcquire(); }).join();
  return taken;
}

}  // namespace

TEST(UpdateLockOnWindows, ALauncherKilledMidSwapIsRecoveredBeforeTheNextSwap) {
  const TTempDir dir;
  const std::string app = dir.MakeDir("Aplicacao");
  for (const char* name : {"a.dll", "b.dll", "c.dll", "d.dll"}) dir.WriteFile(std::string("Aplicacao/") + name, "v1");
  const auto before = FolderSnapshot(app);
  TestSupport::TZipBuilder package;
  for (const char* name : {"a.dll", "b.dll", "c.dll", "d.dll", "novo.dll"}) package.File(name, "v2");
  package.WriteTo(dir.Join("pacote.zip"));

  Infrastructure::Update::TUpdateInstaller installer(
      std::make_shared<Infrastructure::Translator::TPortugueseTranslator>());
  // Held open from here, so the dead launcher's ownership is abandoned, not dropped with the mutex.
  const auto lock = installer.Lock(app);
  // The other launcher names the folder in other letters.
  std::string spelledOtherwise = app;
  for (char& c : spelledOtherwise) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  EXPECT_EQ(TestSupport::RunProgram(TestSupport::HostPath(QL_BUILD_DIR "/launcher_cut_swap.exe"),
                                    "\"" + spelledOtherwise + "\" \"" + dir.Join("pacote.zip") + "\" 2", 30000),
            7);
  ASSERT_TRUE(Infrastructure::Platform::FileExists(
      Infrastructure::Platform::JoinPath(app, std::string(Infrastructure::Files::kJournalName))));
  EXPECT_NE(FolderSnapshot(app), before) << "the swap was cut before it began";

  ASSERT_TRUE(lock->TryAcquire()) << "an abandoned lock is free";
  {
    // Over the dead launcher's journal a swap does not even start.
    Infrastructure::Files::TZipReader reader(dir.Join("pacote.zip"));
    const auto staged = Infrastructure::Files::StageZipArchive(reader, app);
    EXPECT_THROW(Infrastructure::Files::SwapIn(staged, app), Core::EFileSystemError);
  }
  installer.Recover(app);
  EXPECT_EQ(FolderSnapshot(app), before);

  Core::Interfaces::TInstallRequest request;
  request.PackagePath = dir.Join("pacote.zip");
  request.Destination = app;
  installer.Install(request);
  installer.Recover(app);
  const auto after = FolderSnapshot(app);
  EXPECT_EQ(after.size(), 5u);
  EXPECT_EQ(after.at("novo.dll"), "v2");
  EXPECT_EQ(after.at("a.dll"), "v2");
}

TEST(UpdateLockOnWindows, EverySpellingOfAFolderNamesOneLock) {
  const TTempDir dir;
  const std::string folder = dir.MakeDir("Instalacao Longa");
  dir.MakeDir("outra");
  wchar_t shortName[MAX_PATH];
  const DWORD length = GetShortPathNameW(Infrastructure::Platform::Win32::ToWide(folder).c_str(), shortName, MAX_PATH);
  ASSERT_TRUE(length > 0 && length < MAX_PATH);
  const TestSupport::TFolderLink link(dir.Join("atalho"), folder);

  const auto held = CreateInstallationLock(folder);
  ASSERT_TRUE(held->TryAcquire());
  struct TCase {
    const char* Name;
    std::string Path;
  };
  std::vector<TCase> spellings = {
      {"other letter case", dir.Join("INSTALACAO LONGA")},
      {"through ..", dir.Join("outra/../Instalacao Longa")},
      {"a trailing separator", folder + "\\"},
      {"the short name", Infrastructure::Platform::Win32::FromWide(shortName)},
  };
  if (link.Made()) spellings.push_back({"a link to the folder", dir.Join("atalho")});
  for (const TCase& c : spellings) {
    SCOPED_TRACE(std::string(c.Name) + ": " + c.Path);
    EXPECT_FALSE(FreeForAnother(c.Path));
  }
  EXPECT_TRUE(FreeForAnother(dir.Join("outra")));
  held->Release();
  EXPECT_TRUE(FreeForAnother(dir.Join("INSTALACAO LONGA")));
}
