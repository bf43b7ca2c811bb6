// The swap under a journal: a swap cut short at any instant is finished or
// undone by the next start, and the journal refuses paths that would leave
// the installation folder.
#include "Infrastructure/Files/PackageSwap.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <random>

#include "Core/Errors.h"
#include "Infrastructure/Files/UpdateJournal.h"
#include "Infrastructure/Files/ZipExtractor.h"
#include "Infrastructure/Platform/FileSystem.h"
#include "support/FolderLink.h"
#include "support/TempDir.h"
#include "support/Utf8Path.h"
#include "support/ZipBuilder.h"

#ifndef _WIN32
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

using namespace Infrastructure::Files;
using Infrastructure::Platform::JoinPath;

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
  journal.Files = {{"App.exe", true, {1234567890123, 0xDEADBEEF}},
                   {Infrastructure::Platform::JoinPath("plugins", "a b.dll"), false, {0, 0}}};
  const std::optional<TUpdateJournal> back = TUpdateJournal::Parse(journal.Format());
  ASSERT_TRUE(back);
  EXPECT_EQ(back->Format(), journal.Format());
  EXPECT_FALSE(back->Committed);
  EXPECT_EQ(back->Files[0].Sum, (TFileSum{1234567890123, 0xDEADBEEF}));

  const std::string text = journal.Format();
  const struct {
    const char* Name;
    std::string Text;
  } refused[] = {
      {"cut short (no end line)", text.substr(0, text.rfind("end"))},
      {"a path leaving the folder",
       "QuorvaneSoftLauncher update journal 2\nstage s\naside .x\nstate swapping\n"
       "file 1 000000000000000000000000 ../../Windows/win.ini\nend\n"},
      {"an absolute path",
       "QuorvaneSoftLauncher update journal 2\nstage s\naside .x\nstate swapping\n"
       "file 0 000000000000000000000000 /etc/passwd\nend\n"},
      {"a staging folder elsewhere",
       "QuorvaneSoftLauncher update journal 2\nstage ../s\naside .x\nstate swapping\nend\n"},
      {"an unknown state", "QuorvaneSoftLauncher update journal 2\nstage s\naside .x\nstate maybe\nend\n"},
      {"a file without its sum",
       "QuorvaneSoftLauncher update journal 2\nstage s\naside .x\nstate swapping\n"
       "file 1 App.exe\nend\n"},
      {"a sum cut short",
       "QuorvaneSoftLauncher update journal 2\nstage s\naside .x\nstate swapping\n"
       "file 1 00000000000000c0abc App.exe\nend\n"},
      {"a sum that is not hexadecimal",
       "QuorvaneSoftLauncher update journal 2\nstage s\naside .x\nstate swapping\n"
       "file 1 -0000000000000c00000abcd App.exe\nend\n"},
      {"the first form, without sums (its files stay where they are)",
       "QuorvaneSoftLauncher update journal 1\nstage s\naside .x\nstate committed\nfile 1 App.exe\nend\n"},
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

// Staged files are not flushed: until the next start has checked the new
// files against the journal's sums, the old ones stay aside. A power cut
// leaves a file its length and zeros, or nothing at all; either way the next
// start puts the old version back whole.
TEST(PackageSwap, TheNextStartKeepsTheNewVersionOnlyWhenEveryFileIsWhole) {
  // What a power cut leaves: the contents lost, the time the file had when it was staged.
  const auto cut = [](std::string AContent) {
    return [AContent](const std::string& AFile) {
      const auto path = TestSupport::PathFromUtf8(AFile);
      const auto staged = std::filesystem::last_write_time(path);
      Infrastructure::Platform::OverwriteFile(AFile, AContent);
      std::filesystem::last_write_time(path, staged);
    };
  };
  const struct {
    const char* Name;
    std::function<void(const std::string& AFile)> Damage;
    bool NewKept;
  } cases[] = {
      {"nothing lost", [](const std::string&) {}, true},
      {"zeros in place of the contents", cut(std::string(6, '\0')), false},
      {"an empty file", cut(""), false},
      {"the file gone", [](const std::string& AFile) { Infrastructure::Platform::RemoveFile(AFile); }, false},
  };
  for (const auto& c : cases) {
    for (const std::string name : {"lib/a.dll", "novo/f2"}) {  // replacing an old file, in a folder moved in whole
      SCOPED_TRACE(c.Name + (" in " + name));
      const TestSupport::TTempDir dir;
      const TVersions versions(20);
      versions.Install(dir);
      versions.Package.WriteTo(dir.Join("pacote.zip"));
      TZipReader reader(dir.Join("pacote.zip"));
      SwapIn(StageZipArchive(reader, dir.Join("app")), dir.Join("app"));
      const auto afterSwap = Snapshot(dir.Join("app"));
      EXPECT_EQ(afterSwap.count(std::string(kJournalName)), 1u);
      EXPECT_EQ(afterSwap.at("App.exe" + TUpdateJournal::Parse(afterSwap.at(std::string(kJournalName)))->AsideSuffix),
                "app v1");
      c.Damage(dir.Join("app/" + name));
      RecoverSwap(dir.Join("app"));
      EXPECT_EQ(Snapshot(dir.Join("app")), c.NewKept ? versions.New : versions.Old);
    }
  }
}

// The application may change a file it ships once it runs (its tables, its settings): written after
// the swap, that file is no sign of a power cut, and the update stays.
TEST(PackageSwap, AFileTheApplicationChangedAfterTheUpdateDoesNotUndoIt) {
  const TestSupport::TTempDir dir;
  const TVersions versions(6);
  versions.Install(dir);
  versions.Package.WriteTo(dir.Join("pacote.zip"));
  TZipReader reader(dir.Join("pacote.zip"));
  SwapIn(StageZipArchive(reader, dir.Join("app")), dir.Join("app"));
  const std::string journal = dir.Join("app/" + std::string(kJournalName));
  const auto committed = std::filesystem::last_write_time(TestSupport::PathFromUtf8(journal));
  const std::string changed = dir.Join("app/lib/a.dll");
  Infrastructure::Platform::OverwriteFile(changed, "gravado pela aplicação");
  std::filesystem::last_write_time(TestSupport::PathFromUtf8(changed), committed + std::chrono::seconds(2));
  RecoverSwap(dir.Join("app"));
  auto expected = versions.New;
  expected["lib/a.dll"] = "gravado pela aplicação";
  EXPECT_EQ(Snapshot(dir.Join("app")), expected);
}

// A dead launcher's journal is the only record of where its old files went:
// a swap that wrote over it would orphan them.
TEST(PackageSwap, ASwapRefusesToStartOverAJournalNotYetRecovered) {
  const TestSupport::TTempDir dir;
  const TVersions versions(6);
  versions.Install(dir);
  versions.Package.WriteTo(dir.Join("pacote.zip"));
  TZipReader reader(dir.Join("pacote.zip"));
  SwapIn(StageZipArchive(reader, dir.Join("app")), dir.Join("app"));
  const std::string journal = TestSupport::ReadFileBytes(dir.Join("app/" + std::string(kJournalName)));

  const TStagedPackage second = StageZipArchive(reader, dir.Join("app"));
  try {
    SwapIn(second, dir.Join("app"));
    ADD_FAILURE() << "swapped over the journal";
  } catch (const Core::EFileSystemError& e) {
    EXPECT_EQ(e.Path(), dir.Join("app/" + std::string(kJournalName)));
  }
  EXPECT_EQ(TestSupport::ReadFileBytes(dir.Join("app/" + std::string(kJournalName))), journal);
  EXPECT_FALSE(Infrastructure::Platform::DirectoryExists(second.Folder)) << "the refused staging is left behind";

  RecoverSwap(dir.Join("app"));
  SwapIn(StageZipArchive(reader, dir.Join("app")), dir.Join("app"));
  RecoverSwap(dir.Join("app"));
  EXPECT_EQ(Snapshot(dir.Join("app")), versions.New);
}

// On a terminal server every user may write in the installation folder: the
// next launcher (perhaps an administrator's) must not remove, move or write
// anything a planted link leads to. Each case plants a link to a folder
// outside, with a canary in it, and a file that names a path through it.
TEST(PackageSwap, RecoveryNeverFollowsALinkOutOfTheInstallation) {
  const std::string sep(1, Infrastructure::Platform::kPathSeparator);
  const std::string committed =
      "QuorvaneSoftLauncher update journal 2\nstage .~ql-stage-9\naside .~ql-old-9\n"
      "state committed\nfile 1 000000000000000000000000 lib" +
      sep + "x.dll\nend\n";
  const std::string cut =
      "QuorvaneSoftLauncher update journal 2\nstage .~ql-stage-9\naside .~ql-old-9\n"
      "state swapping\nfolder lib\nfile 1 000000000000000000000000 lib" +
      sep + "x.dll\nend\n";
  const struct {
    const char* Name;
    const char* Link;  // below the installation folder
    std::string File;  // written into the installation folder, by name
    std::string Content;
  } cases[] = {
      {"a staging folder that is a link", ".~ql-stage-x", "", ""},
      {"a clean-up list through a linked folder", "lib", std::string(kCleanupName),
       "lib" + sep + "canario.txt\nlib" + sep + "x.dll.~ql-old-9\n"},
      {"a committed journal through a linked folder", "lib", std::string(kJournalName), committed},
      {"a cut journal through a linked folder", "lib", std::string(kJournalName), cut},
      {"a cut journal whose staging folder is a link", ".~ql-stage-9", std::string(kJournalName),
       "QuorvaneSoftLauncher update journal 2\nstage .~ql-stage-9\naside .~ql-old-9\nstate swapping\n"
       "file 0 000000000000000000000000 canario.txt\nend\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    const TestSupport::TTempDir dir;
    dir.WriteFile("fora/canario.txt", "fica");
    dir.WriteFile("fora/x.dll", "de outro");
    dir.WriteFile("fora/x.dll.~ql-old-9", "de outro também");
    dir.WriteFile("app/canario.txt", "da instalação");
    const auto outside = Snapshot(dir.Join("fora"));
    const TestSupport::TFolderLink link(dir.Join("app/" + std::string(c.Link)), dir.Join("fora"));
    if (!link.Made()) GTEST_SKIP() << "this system cannot make a folder link here";
    if (!c.File.empty()) dir.WriteFile("app/" + c.File, c.Content);
    RecoverSwap(dir.Join("app"));
    EXPECT_EQ(Snapshot(dir.Join("fora")), outside);
  }
}

// A folder of the staging swapped for a link between two files: the second
// file is not written wherever the link leads.
TEST(PackageSwap, StagingNeverWritesThroughALink) {
  const TestSupport::TTempDir dir;
  dir.WriteFile("fora/canario.txt", "fica");
  const auto outside = Snapshot(dir.Join("fora"));
  dir.MakeDir("app");
  TestSupport::TZipBuilder().File("lib/a.dll", "a").File("lib/b.dll", "b").WriteTo(dir.Join("pacote.zip"));
  TZipReader reader(dir.Join("pacote.zip"));
  std::optional<TestSupport::TFolderLink> link;
  TStageCallbacks callbacks;
  callbacks.OnProgress = [&](int64_t ADone, int64_t) {
    if (ADone == 0 || link) return;
    for (const auto& entry : Infrastructure::Platform::ListDirectory(dir.Join("app")))
      if (entry.Name.starts_with(kStagingPrefix)) {
        const std::string staging = dir.Join("app/" + entry.Name);
        std::filesystem::rename(TestSupport::PathFromUtf8(JoinPath(staging, "lib")),
                                TestSupport::PathFromUtf8(JoinPath(staging, "lib-antiga")));
        link.emplace(JoinPath(staging, "lib"), dir.Join("fora"));
      }
  };
  EXPECT_THROW(StageZipArchive(reader, dir.Join("app"), callbacks), Core::EFileSystemError);
  ASSERT_TRUE(link);
  if (!link->Made()) GTEST_SKIP() << "this system cannot make a folder link here";
  EXPECT_EQ(Snapshot(dir.Join("fora")), outside);
}

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
