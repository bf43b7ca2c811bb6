// The swap under a journal: a swap cut short at any instant is finished or
// undone by the next start, and the journal refuses paths that would leave
// the installation folder.
#include "Infrastructure/Files/PackageSwap.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <random>

#include "Infrastructure/Files/UpdateJournal.h"
#include "Infrastructure/Files/ZipExtractor.h"
#include "Infrastructure/Platform/FileSystem.h"
#include "support/TempDir.h"
#include "support/Utf8Path.h"
#include "support/ZipBuilder.h"

#ifndef _WIN32
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

using namespace Infrastructure::Files;

namespace {

// Every file below AFolder (relative, "/"-separated) with its bytes.
std::map<std::string, std::string> Snapshot(const std::string& AFolder) {
  std::map<std::string, std::string> files = TestSupport::FolderSnapshot(AFolder);
  std::erase_if(files, [](const auto& AEntry) { return AEntry.second == "<pasta>"; });
  return files;
}

TEST(UpdateJournal, RoundTripsAndRefusesWhatIsNotItsOwn) {
  TUpdateJournal journal;
  journal.Staging = ".~ql-stage-0123";
  journal.AsideSuffix = ".~ql-old-0123";
  journal.CreatedFolders = {"plugins"};
  journal.Files = {{"App.exe", true}, {Infrastructure::Platform::JoinPath("plugins", "a b.dll"), false}};
  const std::optional<TUpdateJournal> back = TUpdateJournal::Parse(journal.Format());
  ASSERT_TRUE(back);
  EXPECT_EQ(back->Format(), journal.Format());
  EXPECT_FALSE(back->Committed);

  const std::string text = journal.Format();
  const struct {
    const char* Name;
    std::string Text;
  } refused[] = {
      {"cut short (no end line)", text.substr(0, text.rfind("end"))},
      {"a path leaving the folder", "QuorvaneSoftLauncher update journal 1\nstage s\naside .x\nstate swapping\n"
                                    "file 1 ../../Windows/win.ini\nend\n"},
      {"an absolute path", "QuorvaneSoftLauncher update journal 1\nstage s\naside .x\nstate swapping\n"
                           "file 0 /etc/passwd\nend\n"},
      {"a staging folder elsewhere", "QuorvaneSoftLauncher update journal 1\nstage ../s\naside .x\nstate swapping\nend\n"},
      {"an unknown state", "QuorvaneSoftLauncher update journal 1\nstage s\naside .x\nstate maybe\nend\n"},
      {"another document", "[Atualizacao]\nVersaoMinima=1\n"},
  };
  for (const auto& c : refused) {
    SCOPED_TRACE(c.Name);
    EXPECT_FALSE(TUpdateJournal::Parse(c.Text));
  }
}

// Old and new versions of an installation: files kept, replaced, added to
// existing folders, and in new nested folders the swap moves in whole.
struct TVersions {
  std::map<std::string, std::string> Old{{"App.exe", "app v1"}, {"lib/a.dll", "a v1"}, {"Config.ini", "[x]"}};
  std::map<std::string, std::string> New;
  TestSupport::TZipBuilder Package;
  explicit TVersions(int AFiles) {
    New = Old;
    for (int i = 0; i < AFiles; ++i) {
      const std::string name = i % 3 == 0   ? "lib/m" + std::to_string(i) + ".dll"
                               : i % 7 == 1 ? "plugins/sub/p" + std::to_string(i)
                                            : "novo/f" + std::to_string(i);
      const std::string data(512 + i, static_cast<char>('a' + i % 26));
      New[name] = data;
      Package.File(name, data, i % 2 ? 8 : 0);
      if (i % 5 == 0 && name.rfind("plugins/", 0) != 0) Old[name] = "old " + std::to_string(i);
    }
    for (const char* name : {"App.exe", "lib/a.dll"}) {
      New[name] = std::string(name) + " v2";
      Package.File(name, New[name]);
    }
  }
  void Install(const TestSupport::TTempDir& ADir) const {
    for (const auto& [name, data] : Old) ADir.WriteFile("app/" + name, data);
  }
};

TEST(PackageSwap, SwapsWholeAndLeavesNothingBehind) {
  const TestSupport::TTempDir dir;
  const TVersions versions(40);
  versions.Install(dir);
  versions.Package.WriteTo(dir.Join("pacote.zip"));
  ASSERT_TRUE(ExtractZipArchive(dir.Join("pacote.zip"), dir.Join("app")));
  EXPECT_EQ(Snapshot(dir.Join("app")), versions.New);  // no staging, journal or moved-aside file left
}

TEST(PackageSwap, AMoveThatFailsHalfWayPutsEverythingBack) {
  const TestSupport::TTempDir dir;
  const TVersions versions(12);
  versions.Install(dir);
  versions.Package.WriteTo(dir.Join("pacote.zip"));
  Infrastructure::Files::TZipReader reader(dir.Join("pacote.zip"));
  TStagedPackage staged = StageZipArchive(reader, dir.Join("app"));
  // A staged file that vanished before its turn: the swap fails on it.
  std::filesystem::remove(TestSupport::PathFromUtf8(Infrastructure::Platform::JoinPath(staged.Folder, staged.Files[7])));
  EXPECT_THROW(SwapIn(staged, dir.Join("app")), Core::EFileSystemError);
  EXPECT_EQ(Snapshot(dir.Join("app")), versions.Old);
}

TEST(PackageSwap, TheNextStartRemovesWhatEarlierUpdatesLeftAndNothingElse) {
  const TestSupport::TTempDir dir;
  dir.WriteFile("fora.txt", "fica");  // outside the installation: a list naming it is not obeyed
  dir.WriteFile("app/App.exe", "nova");
  dir.WriteFile("app/App.exe.~ql-old-1", "velha, presa na última atualização");
  dir.WriteFile("app/lib/m.dll.~ql-old-1", "velha");
  // As the launcher writes it: the system's own separators.
  dir.WriteFile(std::string("app/") + std::string(kCleanupName),
                "App.exe.~ql-old-1\n" + Infrastructure::Platform::JoinPath("lib", "m.dll.~ql-old-1") + "\n../fora.txt\n");
  dir.WriteFile("app/.~ql-stage-77/App.exe", "preparada e abandonada");
  dir.WriteFile("app/.~ql-download-77.zip.part", "metade");
  dir.WriteFile("app/.~ql-update.journal.tmp3", "QuorvaneSoftLauncher update");
  dir.WriteFile("app/Config.ini", "[BancoDados]");
  RecoverSwap(dir.Join("app"));
  EXPECT_EQ(Snapshot(dir.Join("app")),
            (std::map<std::string, std::string>{{"App.exe", "nova"}, {"Config.ini", "[BancoDados]"}}));
  EXPECT_EQ(TestSupport::ReadFileBytes(dir.Join("fora.txt")), "fica");
}

// A staged file that is gone when its turn comes (a virus scanner's
// quarantine) stops the swap wherever it was, in a folder moved in whole too.
TEST(PackageSwap, AStagedFileGoneBeforeItsTurnLeavesTheOldVersion) {
  for (const std::string name : {"App.exe", "novo/f2", "plugins/sub/p8"}) {
    SCOPED_TRACE(name);
    const TestSupport::TTempDir dir;
    const TVersions versions(20);
    ASSERT_EQ(versions.New.count(name), 1u);
    versions.Install(dir);
    versions.Package.WriteTo(dir.Join("pacote.zip"));
    Infrastructure::Files::TZipReader reader(dir.Join("pacote.zip"));
    const TStagedPackage staged = StageZipArchive(reader, dir.Join("app"));
    std::filesystem::remove(TestSupport::PathFromUtf8(
        Infrastructure::Platform::JoinPath(staged.Folder, *Infrastructure::Files::SafeRelativePath(name))));
    EXPECT_THROW(SwapIn(staged, dir.Join("app")), Core::EFileSystemError);
    EXPECT_EQ(Snapshot(dir.Join("app")), versions.Old);
  }
}

#ifndef _WIN32
// The launcher killed at random instants while it stages and swaps: after the
// next start's recovery the folder holds exactly the old version or exactly
// the new one, every time.
TEST(PackageSwap, KilledAtAnyInstantTheNextStartFindsOneWholeVersion) {
  const TVersions versions(300);
  constexpr int kKills = 40;
  // Runs the installation in a child process, killed after AKillAfterUs (or left to finish when negative).
  const auto installInChild = [&](const TestSupport::TTempDir& ADir, int AKillAfterUs) {
    versions.Install(ADir);
    versions.Package.WriteTo(ADir.Join("pacote.zip"));
    const pid_t child = fork();
    if (child == 0) {
      ExtractZipArchive(ADir.Join("pacote.zip"), ADir.Join("app"));
      _exit(0);
    }
    if (AKillAfterUs >= 0) {
      usleep(AKillAfterUs);
      kill(child, SIGKILL);
    }
    int status = 0;
    waitpid(child, &status, 0);
  };
  // The kills are spread over the time one whole installation takes here.
  const auto start = std::chrono::steady_clock::now();
  {
    const TestSupport::TTempDir dir;
    installInChild(dir, -1);
    ASSERT_EQ(Snapshot(dir.Join("app")), versions.New);
  }
  const int wholeUs = static_cast<int>(
      std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - start).count());
  std::mt19937 random(20261210);
  int olds = 0, news = 0;
  for (int run = 0; run < kKills; ++run) {
    SCOPED_TRACE("kill " + std::to_string(run));
    const TestSupport::TTempDir dir;
    installInChild(dir, std::uniform_int_distribution<int>(0, wholeUs)(random));
    RecoverSwap(dir.Join("app"));
    const auto found = Snapshot(dir.Join("app"));
    if (found == versions.Old)
      ++olds;
    else if (found == versions.New)
      ++news;
    else {
      std::string differences;
      for (const auto& [name, data] : found)
        if (versions.Old.count(name) == 0 && versions.New.count(name) == 0) differences += " +" + name;
      for (const auto& [name, data] : versions.Old)
        if (found.count(name) == 0) differences += " -" + name;
      ADD_FAILURE() << "a mix of versions after the recovery:" << differences;
    }
  }
  std::printf("[ kills    ] %d kills: %d left the old version, %d the new one\n", kKills, olds, news);
}
#endif

}  // namespace
