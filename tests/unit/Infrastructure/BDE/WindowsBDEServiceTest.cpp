// The BDE service's decisions over stand-in ports: a registry in memory, a
// clock that moves only when the code waits or sleeps, and a runner that
// starts nothing. The real registry, shell and folder security are tested
// under Wine.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <utility>

#include "Core/Errors.h"
#include "Infrastructure/BDE/WindowsBDEService.h"
#include "Infrastructure/Crypto/HexDigest.h"
#include "Infrastructure/Platform/Crypto.h"
#include "Infrastructure/Platform/FileSystem.h"
#include "Infrastructure/Platform/SystemClock.h"
#include "Infrastructure/Translator/PortugueseTranslator.h"
#include "support/MemoryFileService.h"
#include "support/MemoryRegistry.h"
#include "support/TempDir.h"
#include "support/TestServers.h"
#include "support/Utf8Path.h"

using namespace Core::Interfaces;
using Infrastructure::BDE::CompareVersions;
using Infrastructure::BDE::TBDEServicePorts;
using Infrastructure::BDE::TWindowsBDEService;
using Infrastructure::Platform::FileExists;
using Infrastructure::Platform::FileNameOf;
using Infrastructure::Platform::JoinPath;
using Infrastructure::Platform::ParentPath;
using TestSupport::TTempDir;
using THive = TRegistryHive;
using TType = TRegistryValueType;

namespace {

const std::string kKey = "SOFTWARE\\Borland\\Database Engine";
const std::string kWowKey = "SOFTWARE\\WOW6432Node\\Borland\\Database Engine";
const std::string kLayersKey = "Software\\Microsoft\\Windows NT\\CurrentVersion\\AppCompatFlags\\Layers";

class TManualClock : public IClock {
 public:
  uint64_t Now = 1000000;
  std::vector<uint32_t> Sleeps;
  uint64_t NowMilliseconds() override { return Now; }
  void SleepMilliseconds(uint32_t AMilliseconds) override {
    Sleeps.push_back(AMilliseconds);
    Now += AMilliseconds;
  }
};

// What one start answers.
struct TScriptedStart {
  TElevatedStartStatus Status = TElevatedStartStatus::StartedWithProcess;
  std::optional<uint64_t> EndsAfterMs;  // nullopt: runs until stopped
  bool WaitFails = false;
  std::function<void()> OnStart;  // what the started program does (install the BDE...)
};

struct TProcessLog {
  std::optional<uint32_t> TerminatedWith;
  bool Closed = false;
};

class TScriptedProcess : public IStartedProcess {
 public:
  TScriptedProcess(TManualClock& AClock, TScriptedStart AScript, TProcessLog& ALog)
      : FClock(AClock), FScript(std::move(AScript)), FLog(ALog), FStartedAt(AClock.Now) {}
  TProcessWaitResult Wait(uint32_t AMilliseconds) override {
    if (FScript.WaitFails) return TProcessWaitResult::Failed;
    if (FScript.EndsAfterMs && FStartedAt + *FScript.EndsAfterMs <= FClock.Now + AMilliseconds) {
      FClock.Now = std::max(FClock.Now, FStartedAt + *FScript.EndsAfterMs);
      return TProcessWaitResult::Ended;
    }
    FClock.Now += AMilliseconds;
    return TProcessWaitResult::TimedOut;
  }
  bool Terminate(uint32_t AExitCode) override {
    FLog.TerminatedWith = AExitCode;
    return true;
  }
  std::optional<uint32_t> ExitCode() override { return FLog.TerminatedWith; }
  void Close() override { FLog.Closed = true; }

 private:
  TManualClock& FClock;
  TScriptedStart FScript;
  TProcessLog& FLog;
  uint64_t FStartedAt;
};

class TScriptedRunner : public IElevatedProcessRunner {
 public:
  // What the started program would have found at its start.
  struct TRequest {
    std::string File;
    std::string WorkingDirectory;
    std::string Content;                // the file's bytes
    std::vector<std::string> Folder;    // the names in the working folder
    std::optional<std::string> Layers;  // the compatibility value for the file
  };
  explicit TScriptedRunner(TManualClock& AClock) : FClock(AClock) {}

  std::deque<TScriptedStart> Script;
  std::vector<TRequest> Requests;
  std::deque<TProcessLog> Processes;
  std::function<std::optional<std::string>(const std::string&)> LayersOf;

  TElevatedStart StartElevated(const std::string& AFile, const std::string& AWorkingDirectory) override {
    std::vector<std::string> names;
    for (const auto& entry : Infrastructure::Platform::ListDirectory(AWorkingDirectory)) names.push_back(entry.Name);
    Requests.push_back({AFile, AWorkingDirectory, FileExists(AFile) ? TestSupport::ReadFileBytes(AFile) : "", names,
                        LayersOf ? LayersOf(AFile) : std::nullopt});
    TScriptedStart script;
    if (!Script.empty()) {
      script = Script.front();
      Script.pop_front();
    }
    TElevatedStart result;
    result.Status = script.Status;
    if (script.Status == TElevatedStartStatus::Failed) {
      result.ErrorMessage = "A operação foi cancelada pelo usuário.";
      return result;
    }
    if (script.OnStart) script.OnStart();
    if (script.Status == TElevatedStartStatus::StartedWithProcess)
      result.Process = std::make_unique<TScriptedProcess>(FClock, script, Processes.emplace_back());
    return result;
  }

 private:
  TManualClock& FClock;
};

// Downloads by writing the body to the destination, reporting as it goes.
class TWritingFileService : public TestSupport::TMemoryFileService {
 public:
  std::string Body = "MZ instalador";
  std::vector<std::pair<int64_t, int64_t>> Reports = {{0, 1000}, {500, 1000}, {1000, 1000}};
  std::function<void(const std::string&)> AfterWriting;  // what else happens to the download's folder
  bool DownloadFile(const std::string& AUrl, const std::string& ADestinationPath, TProgressProc AOnProgress) override {
    TMemoryFileService::DownloadFile(AUrl, ADestinationPath, AOnProgress);
    std::ofstream(TestSupport::PathFromUtf8(ADestinationPath), std::ios::binary) << Body;
    if (AfterWriting) AfterWriting(ADestinationPath);
    for (const auto& [current, total] : Reports)
      if (AOnProgress) AOnProgress(current, total);
    return DownloadAnswer;
  }
};

using TReports = std::vector<std::pair<int64_t, int64_t>>;

void WriteInto(const std::string& AFolder, const std::string& AName) {
  std::ofstream(TestSupport::PathFromUtf8(JoinPath(AFolder, AName)), std::ios::binary) << "MZ";
}

std::string Upper(std::string AText) {
  for (char& c : AText) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return AText;
}

struct TBDEService : ::testing::Test {
  TTempDir Dir;
  std::shared_ptr<TestSupport::TMemoryRegistry> Registry = std::make_shared<TestSupport::TMemoryRegistry>();
  std::shared_ptr<TManualClock> Clock = std::make_shared<TManualClock>();
  std::shared_ptr<TScriptedRunner> Runner = std::make_shared<TScriptedRunner>(*Clock);
  std::shared_ptr<TWritingFileService> Files = std::make_shared<TWritingFileService>();
  std::string DefaultDir = Dir.Join("Program Files/Borland/Common Files/BDE");
  std::string TempFolder = Dir.MakeDir("Temp");
  TReports Reports;

  TBDEService() {
    Runner->LayersOf = [this](const std::string& AFile) {
      return Registry->ReadString(THive::CurrentUser, kLayersKey, AFile);
    };
  }
  // The folder an installer ran from: new, inside AParent, gone afterwards.
  void ExpectOwnFolderGone(const std::string& AInstaller, const std::string& AParent) {
    const std::string folder = ParentPath(AInstaller);
    EXPECT_EQ(ParentPath(folder), AParent);
    EXPECT_EQ(FileNameOf(folder).rfind("ql-bde-", 0), 0u) << folder;
    EXPECT_FALSE(Infrastructure::Platform::DirectoryExists(folder));
  }
  TBDEServicePorts Ports(uint32_t ATimeLimitMs = 300000) {
    return {Registry, Runner, Clock, DefaultDir, TempFolder, {500, ATimeLimitMs, 2000}, nullptr};
  }
  TWindowsBDEService Service(uint32_t ATimeLimitMs = 300000) { return TWindowsBDEService(Files, Ports(ATimeLimitMs)); }
  TProgressProc Record() {
    return [this](int64_t ACurrent, int64_t ATotal) { Reports.emplace_back(ACurrent, ATotal); };
  }
  // A BDE folder with (or without) its administrator program.
  std::string MakeBDE(const std::string& APath, bool AWithAdmin = true) {
    std::filesystem::create_directories(TestSupport::PathFromUtf8(APath));
    if (AWithAdmin) std::ofstream(TestSupport::PathFromUtf8(Infrastructure::Platform::JoinPath(APath, "bdeadmin.exe")));
    return APath;
  }
  std::function<void()> Installs() {
    return [this] { MakeBDE(DefaultDir); };
  }
};

}  // namespace

TEST(BDEVersions, CompareByNumericPartsThenByPartCount) {
  struct TCase {
    const char* A;
    const char* B;
    int Expected;
  } cases[] = {
      {"5.2.0.0", "5.2.0.0", 0},
      {"5.2.0.0.1", "5.2.0.0", 1},
      {"6", "5.2.0.0", 1},
      {"5.2", "5.2.0.0", -1},
      {"5.1.9.9", "5.2.0.0", -1},
      {"5.01", "5.2.0.0", -1},
      {"5.10", "5.9", 1},
      {"5.2.0.x", "5.2.0.0", 0},
      {"", "", 0},
      {"", "0.0", -1},
      {"-1", "0", -1},
      {"$10", "15", 1},
      {"99999999999", "0", 0},
      {" 7", "7", 0},
      {"5..2", "5.0.2", 0},
      {"5.2.0.0.", "5.2.0.0", 1},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(std::string(c.A) + " vs " + c.B);
    EXPECT_EQ(CompareVersions(c.A, c.B), c.Expected);
    EXPECT_EQ(CompareVersions(c.B, c.A), -c.Expected);
  }
}

TEST_F(TBDEService, DetectionTakesEachValueFromTheFirstKeyThatHasOneAndFallsBackToTheDefaultFolder) {
  const std::string withAdmin = MakeBDE(Dir.Join("com-admin"));
  const std::string withoutAdmin = MakeBDE(Dir.Join("sem-admin"), false);
  const std::string missing = Dir.Join("nao-existe");
  using V = std::optional<std::string>;  // nullopt: the value is not there at all
  const V none;
  struct TCase {
    const char* Name;
    V FirstPath, FirstVersion, SecondPath, SecondVersion;
    int DefaultFolder;  // 0 missing, 1 without bdeadmin.exe, 2 complete
    bool Installed;
    std::string InstallPath, Version;
    bool NeedsUpdate;
  } cases[] = {
      {"registry folder complete", withAdmin, "5.2.0.0", none, none, 2, true, withAdmin, "5.2.0.0", false},
      {"registry folder incomplete, default complete", withoutAdmin, "5.1", none, none, 2, true, DefaultDir, "5.1",
       true},
      {"nothing in the registry, default incomplete", none, none, none, none, 1, false, DefaultDir, "", false},
      {"nothing anywhere", none, none, none, none, 0, false, "", "", false},
      {"registry folder incomplete, no default", withoutAdmin, "5.1", none, none, 0, false, withoutAdmin, "5.1", false},
      {"registry folder missing, no default", missing, none, none, none, 0, false, missing, "", false},
      {"empty first values, second key used", "", "", withAdmin, "5.02", 0, true, withAdmin, "5.02", true},
      {"path and version from different keys", withAdmin, none, missing, "6.0", 0, true, withAdmin, "6.0", false},
      {"installed without a version", withAdmin, none, none, none, 0, true, withAdmin, "", false},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    Registry = std::make_shared<TestSupport::TMemoryRegistry>();
    const std::pair<const std::string*, std::pair<const char*, const V*>> values[] = {
        {&kKey, {"DLLPATH", &c.FirstPath}},
        {&kKey, {"VERSION", &c.FirstVersion}},
        {&kWowKey, {"DLLPATH", &c.SecondPath}},
        {&kWowKey, {"VERSION", &c.SecondVersion}}};
    for (const auto& [key, value] : values)
      if (*value.second) Registry->Put(THive::LocalMachine, *key, value.first, **value.second);
    std::filesystem::remove_all(TestSupport::PathFromUtf8(DefaultDir));
    if (c.DefaultFolder > 0) MakeBDE(DefaultDir, c.DefaultFolder == 2);

    auto service = Service();
    const TBDEInstallStatus status = service.CheckBDEInstalled();
    EXPECT_EQ(status.IsInstalled, c.Installed);
    EXPECT_EQ(status.InstallPath, c.InstallPath);
    EXPECT_EQ(status.Version, c.Version);
    EXPECT_EQ(status.NeedsUpdate, c.NeedsUpdate);
    EXPECT_EQ(service.IsBDEInstalled(), c.Installed);
    EXPECT_EQ(service.GetBDEVersion(), c.Version);
  }
}

TEST_F(TBDEService, NeedsUpdateOnlyWhenInstalledWithAVersionBelowTheReference) {
  const std::string folder = MakeBDE(Dir.Join("BDE"));
  struct TCase {
    const char* Version;
    bool NeedsUpdate;
  } cases[] = {{"5.2.0.0", false}, {"5.2.0.0.1", false}, {"6", false},      {"5.2", true},
               {"5.1.9.9", true},  {"5.01", true},       {"5.2.0.x", false}};
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Version);
    Registry->Put(THive::LocalMachine, kKey, "DLLPATH", folder);
    Registry->Put(THive::LocalMachine, kKey, "VERSION", c.Version);
    EXPECT_EQ(Service().CheckBDEInstalled().NeedsUpdate, c.NeedsUpdate);
  }
}

TEST_F(TBDEService, GetBDEPathIsTheRegistryValueAsStoredOrTheDefaultFolderEvenWhenMissing) {
  EXPECT_EQ(Service().GetBDEPath(), DefaultDir);
  Registry->Put(THive::LocalMachine, kWowKey, "DLLPATH", "%ProgramFiles%\\BDE", TType::ExpandString);
  EXPECT_EQ(Service().GetBDEPath(), "%ProgramFiles%\\BDE");
}

TEST_F(TBDEService, AValueThatIsNotTextReachesTheCallerAsARegistryError) {
  MakeBDE(DefaultDir);
  Registry->Put(THive::LocalMachine, kKey, "DLLPATH", "\x01\x00\x00\x00", TType::DWord);
  Registry->Put(THive::LocalMachine, kWowKey, "DLLPATH", DefaultDir);  // not reached
  auto service = Service();
  EXPECT_THROW(service.CheckBDEInstalled(), Core::ERegistryError);
  EXPECT_THROW(service.IsBDEInstalled(), Core::ERegistryError);
  EXPECT_THROW(service.GetBDEPath(), Core::ERegistryError);
  const std::string config = Dir.WriteFile("IDAPI32.CFG", "cfg");
  EXPECT_THROW(service.ConfigureBDE(config), Core::ERegistryError);
  EXPECT_THROW(service.InstallBDEFromURL("http://127.0.0.1/bde.exe", "", {}), Core::ERegistryError);
  EXPECT_TRUE(Files->Calls.empty());

  Registry->Put(THive::LocalMachine, kWowKey, "VERSION", "5", TType::Binary);
  EXPECT_THROW(service.GetBDEVersion(), Core::ERegistryError);
}

TEST_F(TBDEService, ConfigureBDEPutsTheFileInTheBDEFolderAndRecordsIt) {
  MakeBDE(DefaultDir);
  const std::string target = Infrastructure::Platform::JoinPath(DefaultDir, "IDAPI32.CFG");
  const std::string config = Dir.WriteFile("origem/IDAPI32.CFG", "nova");
  Dir.WriteFile("Program Files/Borland/Common Files/BDE/IDAPI32.CFG", "velha");

  EXPECT_TRUE(Service().ConfigureBDE(config));
  EXPECT_EQ(TestSupport::ReadFileBytes(target), "nova");
  EXPECT_EQ(Registry->ReadString(THive::LocalMachine, kKey, "CONFIGFILE"), target);
  EXPECT_EQ(TestSupport::ReadFileBytes(config), "nova");

  // Already in the BDE folder: replacing the file with itself must not lose it.
  EXPECT_TRUE(Service().ConfigureBDE(target));
  EXPECT_EQ(TestSupport::ReadFileBytes(target), "nova");
}

TEST_F(TBDEService, ConfigureBDEFailures) {
  const std::string config = Dir.WriteFile("IDAPI32.CFG", "cfg");
  // No source file, no BDE folder: false, and nothing recorded.
  EXPECT_FALSE(Service().ConfigureBDE(Dir.Join("nao-existe.cfg")));
  EXPECT_FALSE(Service().ConfigureBDE(config));
  EXPECT_TRUE(Registry->Writes.empty());

  // The key cannot be opened: the copy stands and the result stays true.
  MakeBDE(DefaultDir);
  Registry->SetReadOnly(THive::LocalMachine, true);
  EXPECT_TRUE(Service().ConfigureBDE(config));
  EXPECT_TRUE(FileExists(Infrastructure::Platform::JoinPath(DefaultDir, "IDAPI32.CFG")));

  // The key opens but the value cannot be written.
  struct TRefusingValues : TestSupport::TMemoryRegistry {
    bool WriteString(THive, const std::string&, const std::string&, const std::string&) override { return false; }
  };
  Registry = std::make_shared<TRefusingValues>();
  EXPECT_FALSE(Service().ConfigureBDE(config));
}

TEST_F(TBDEService, InstallFromURLDoesNothingWhenTheURLIsEmptyOrTheBDEIsPresent) {
  EXPECT_FALSE(Service().InstallBDEFromURL("", "", Record()));
  MakeBDE(DefaultDir);
  EXPECT_TRUE(Service().InstallBDEFromURL("http://127.0.0.1/bde.exe", Dir.Join("novo"), Record()));
  EXPECT_TRUE(Reports.empty());
  EXPECT_TRUE(Files->Calls.empty());
  EXPECT_TRUE(Runner->Requests.empty());
  EXPECT_FALSE(Infrastructure::Platform::DirectoryExists(Dir.Join("novo")));
  EXPECT_TRUE(Infrastructure::Platform::ListDirectory(TempFolder).empty());
}

TEST_F(TBDEService, TheDownloadIsNamedAfterTheURLInANewFolderOfTheChosenOne) {
  struct TCase {
    std::string Url, DestPath, Folder, Name;
  } cases[] = {
      {"http://127.0.0.1/bde/setup.exe", "", TempFolder, "setup.exe"},
      {"http://127.0.0.1/bde/", "", TempFolder, "bde_setup.exe"},
      {"http://127.0.0.1:8080", "", TempFolder, "8080"},
      {"http://127.0.0.1/a\\b%20c.exe", Dir.Join("x/y"), Dir.Join("x/y"), "b%20c.exe"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Url);
    Files->Calls.clear();
    Files->DownloadAnswer = false;
    EXPECT_FALSE(Service().InstallBDEFromURL(c.Url, c.DestPath, {}));
    const auto calls = Files->CallsOf("DownloadFile");
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].First, c.Url);
    EXPECT_EQ(FileNameOf(calls[0].Second), c.Name);
    // A failed download leaves nothing behind, not even a partial file.
    ExpectOwnFolderGone(calls[0].Second, c.Folder);
    EXPECT_TRUE(Infrastructure::Platform::ListDirectory(c.Folder).empty());
  }
  EXPECT_TRUE(Runner->Requests.empty());
}

// On a real read-only mount (tests/fixtures/servers/folders.sh): the temporary folder, not the network.
TEST_F(TBDEService, ATemporaryFolderThatRefusesTheInstallerIsNamed) {
  const std::optional<std::string> readOnly = TestSupport::TestServerValue("folders.readonly");
  if (!readOnly) GTEST_SKIP() << TestSupport::TestServerValue("folders.unavailable").value_or("no mounts");
  const std::string folder = TestSupport::HostPath(*readOnly);
  try {
    Service().InstallBDEFromURL("http://127.0.0.1/bde.exe", folder, {});
    ADD_FAILURE() << "no error";
  } catch (const Core::EDownloadVerificationError& e) {
    EXPECT_EQ(std::string(e.what()),
              Infrastructure::Translator::TPortugueseTranslator().TranslateFormat("FolderNotWritable", {folder}));
  }
  EXPECT_TRUE(Files->Calls.empty());
  EXPECT_TRUE(Runner->Requests.empty());
}

TEST_F(TBDEService, AURLThatEndsInAnInvalidFileNameIsAClearError) {
  for (const char* url : {"http://127.0.0.1/setup.exe?v=2", "http://127.0.0.1/a*b", "http://127.0.0.1/a|b"}) {
    SCOPED_TRACE(url);
    try {
      Service().InstallBDEFromURL(url, "", Record());
      ADD_FAILURE() << "no error";
    } catch (const Core::EArgumentError& e) {
      EXPECT_NE(std::string(e.what()).find("nome de arquivo inválido"), std::string::npos) << e.what();
    }
  }
  EXPECT_TRUE(Files->Calls.empty());
  EXPECT_TRUE(Reports.empty());
}

TEST_F(TBDEService, WithoutAFileServiceTheInstallationFailsAfterTheFirstReport) {
  TWindowsBDEService service(nullptr, Ports());
  EXPECT_FALSE(service.InstallBDEFromURL("http://127.0.0.1/bde.exe", "", Record()));
  EXPECT_EQ(Reports, (TReports{{0, 100}}));
}

TEST_F(TBDEService, ASuccessfulInstallationReportsDownloadThenWaitAndEndsWithTheBDEDetected) {
  Runner->Script = {{TElevatedStartStatus::StartedWithProcess, 1200, false, Installs()}};
  auto service = Service(2000);
  EXPECT_TRUE(service.InstallBDEFromURL("http://127.0.0.1/files/BDE%20Setup.exe", "", Record()));

  // Download halved (0-50 %), then the wait of 1.2 s against a 2 s limit.
  EXPECT_EQ(Reports, (TReports{{0, 100}, {0, 1000}, {250, 1000}, {500, 1000}, {62, 100}, {75, 100}, {80, 100}}));
  EXPECT_EQ(Clock->Sleeps, (std::vector<uint32_t>{2000}));
  ASSERT_EQ(Runner->Processes.size(), 1u);
  EXPECT_TRUE(Runner->Processes[0].Closed);
  EXPECT_FALSE(Runner->Processes[0].TerminatedWith);

  // Without a callback the same road runs and reports nothing.
  std::filesystem::remove_all(TestSupport::PathFromUtf8(DefaultDir));
  Runner->Script = {{TElevatedStartStatus::StartedWithProcess, 700, false, Installs()}};
  Reports.clear();
  EXPECT_TRUE(service.InstallBDEFromURL("http://127.0.0.1/files/bde.exe", "", {}));
  EXPECT_TRUE(Reports.empty());
}

// One start, of the installer itself (never a script the user could rewrite
// after consenting), from its own folder that holds nothing else, with the
// compatibility value naming it while it runs and only then.
TEST_F(TBDEService, TheInstallerItselfIsStartedOnceFromItsOwnFolderWithItsCompatibilityValue) {
  for (const char* name : {"BDE%20Setup.exe", "Instalação do BDE.exe", "bde%PATH% 100%.exe"}) {
    SCOPED_TRACE(name);
    std::filesystem::remove_all(TestSupport::PathFromUtf8(DefaultDir));
    Runner->Requests.clear();
    Runner->Script = {{TElevatedStartStatus::StartedWithProcess, 300, false, Installs()}};
    EXPECT_TRUE(Service().InstallBDEFromURL(std::string("http://127.0.0.1/files/") + name, "", {}));

    ASSERT_EQ(Runner->Requests.size(), 1u);
    const TScriptedRunner::TRequest& start = Runner->Requests[0];
    EXPECT_EQ(FileNameOf(start.File), name);
    EXPECT_EQ(start.WorkingDirectory, ParentPath(start.File));
    EXPECT_EQ(start.Folder, std::vector<std::string>{name});
    EXPECT_EQ(start.Content, Files->Body);
    EXPECT_EQ(start.Layers, "~ WINXPSP3 RUNASADMIN");
    // It names a folder that is gone now.
    EXPECT_FALSE(Registry->ReadString(THive::CurrentUser, kLayersKey, start.File));
    ExpectOwnFolderGone(start.File, TempFolder);
  }
}

TEST_F(TBDEService, ADeclinedPromptEndsTheInstallationWithoutASecondOne) {
  using S = TElevatedStartStatus;
  struct TCase {
    const char* Name;
    S Status;
    bool Installs;
    bool Result;
    size_t Sleeps;
  } cases[] = {
      {"declined", S::Failed, false, false, 0},
      {"started without a process, installed: the detection decides", S::StartedWithoutProcess, true, true, 1},
      {"started without a process, nothing installed", S::StartedWithoutProcess, false, false, 1},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    std::filesystem::remove_all(TestSupport::PathFromUtf8(DefaultDir));
    Runner->Requests.clear();
    Clock->Sleeps.clear();
    Runner->Script = {{c.Status, 300, false, c.Installs ? Installs() : std::function<void()>{}},
                      {S::StartedWithProcess, 300, false, Installs()}};
    EXPECT_EQ(Service().InstallBDEFromURL("http://127.0.0.1/files/setup.exe", "", {}), c.Result);
    ASSERT_EQ(Runner->Requests.size(), 1u);
    EXPECT_EQ(Clock->Sleeps.size(), c.Sleeps);
    EXPECT_FALSE(Registry->ReadString(THive::CurrentUser, kLayersKey, Runner->Requests[0].File));
    ExpectOwnFolderGone(Runner->Requests[0].File, TempFolder);
  }
}

TEST_F(TBDEService, AnythingBesideTheInstallerInItsFolderRefusesTheRun) {
  const struct {
    const char* Name;
    std::function<void(const std::string&)> Plant;
  } cases[] = {
      {"a DLL", [](const std::string& AFolder) { WriteInto(AFolder, "version.dll"); }},
      {"a folder",
       [](const std::string& AFolder) {
         std::filesystem::create_directory(TestSupport::PathFromUtf8(JoinPath(AFolder, "sub")));
       }},
      {"a redirection file", [](const std::string& AFolder) { WriteInto(AFolder, "setup.exe.local"); }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    std::string installer;
    Files->AfterWriting = [&](const std::string& APath) {
      installer = APath;
      c.Plant(ParentPath(APath));
    };
    try {
      Service().InstallBDEFromURL("http://127.0.0.1/files/setup.exe", "", {});
      ADD_FAILURE() << "no error";
    } catch (const Core::EDownloadVerificationError& e) {
      EXPECT_NE(std::string(e.what()).find("não pôde ser protegido"), std::string::npos) << e.what();
      EXPECT_NE(std::string(e.what()).find("http://127.0.0.1/files/setup.exe"), std::string::npos) << e.what();
    }
    ExpectOwnFolderGone(installer, TempFolder);
  }
  EXPECT_TRUE(Runner->Requests.empty());
}

// The download's own check passed, but the file changed afterwards: what is
// read again through the handle that stays open is compared once more.
TEST_F(TBDEService, TheInstallerIsCheckedAgainThroughTheHandleThatStaysOpen) {
  const std::string body = Files->Body;
  std::string digest = Infrastructure::Crypto::ToHex(Infrastructure::Platform::Sha256Of(body));
  const struct {
    const char* Name;
    Core::ValueObjects::TDownloadCheck Check;
    bool Runs;
  } cases[] = {
      {"nothing published", {}, true},
      {"the published size", {"", static_cast<int64_t>(body.size())}, true},
      {"another size", {"", static_cast<int64_t>(body.size()) + 1}, false},
      {"the published digest, in capitals", {Upper(digest), static_cast<int64_t>(body.size())}, true},
      {"another digest", {std::string(64, 'a'), -1}, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    Runner->Requests.clear();
    std::filesystem::remove_all(TestSupport::PathFromUtf8(DefaultDir));
    Runner->Script = {{TElevatedStartStatus::StartedWithProcess, 300, false, Installs()}};
    if (c.Runs) {
      EXPECT_TRUE(Service().InstallBDEFromURL("http://127.0.0.1/files/setup.exe", "", {}, c.Check));
    } else {
      EXPECT_THROW(Service().InstallBDEFromURL("http://127.0.0.1/files/setup.exe", "", {}, c.Check),
                   Core::EDownloadVerificationError);
    }
    EXPECT_EQ(Runner->Requests.size(), c.Runs ? 1u : 0u);
    EXPECT_TRUE(Infrastructure::Platform::ListDirectory(TempFolder).empty());
  }
}

TEST_F(TBDEService, TheWaitStopsTheProcessOnceTheLimitHasPassed) {
  const std::string installer = Dir.WriteFile("instalador/setup.exe", "MZ");
  struct TCase {
    const char* Name;
    std::optional<uint64_t> EndsAfterMs;
    bool WaitFails;
    bool Result;
    bool Stopped;
    TReports Reports;
  } cases[] = {
      {"ends within the limit", 1200, false, true, false, {{25, 100}, {50, 100}, {60, 100}}},
      {"ends exactly at the limit", 2000, false, true, false, {{25, 100}, {50, 100}, {75, 100}, {95, 100}}},
      {"ends in the pass that crosses the limit",
       2300,
       false,
       false,
       true,
       {{25, 100}, {50, 100}, {75, 100}, {95, 100}, {95, 100}}},
      {"never ends", std::nullopt, false, false, true, {{25, 100}, {50, 100}, {75, 100}, {95, 100}, {95, 100}}},
      {"the wait fails", std::nullopt, true, false, false, {{0, 100}}},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    Runner->Script = {{TElevatedStartStatus::StartedWithProcess, c.EndsAfterMs, c.WaitFails, Installs()}};
    Runner->Processes.clear();
    Runner->Requests.clear();
    Clock->Sleeps.clear();
    Reports.clear();
    std::filesystem::remove_all(TestSupport::PathFromUtf8(DefaultDir));

    EXPECT_EQ(Service(2000).InstallBDE(installer, Record()), c.Result);
    EXPECT_EQ(Reports, c.Reports);
    ASSERT_EQ(Runner->Processes.size(), 1u);
    EXPECT_EQ(Runner->Processes[0].TerminatedWith, c.Stopped ? std::optional<uint32_t>(1) : std::nullopt);
    EXPECT_TRUE(Runner->Processes[0].Closed);
    // Only a run that ended is followed by the pause and the detection.
    EXPECT_EQ(Clock->Sleeps.size(), c.Result ? 1u : 0u);
    // A copy ran, from a folder of its own; the caller's installer stays.
    ASSERT_EQ(Runner->Requests.size(), 1u);
    EXPECT_EQ(Runner->Requests[0].Content, "MZ");
    ExpectOwnFolderGone(Runner->Requests[0].File, TempFolder);
    EXPECT_TRUE(FileExists(installer));
  }
}

TEST_F(TBDEService, AMissingInstallerStartsNothing) {
  EXPECT_FALSE(Service().InstallBDE(Dir.Join("nao-existe.exe"), Record()));
  EXPECT_TRUE(Runner->Requests.empty());
  EXPECT_TRUE(Reports.empty());
  EXPECT_TRUE(Infrastructure::Platform::ListDirectory(TempFolder).empty());
}

TEST_F(TBDEService, ARelativeInstallerPathIsTakenFromTheCurrentFolder) {
  Dir.WriteFile("setup.exe", "MZ relativo");
  const auto previous = std::filesystem::current_path();
  std::filesystem::current_path(TestSupport::PathFromUtf8(Dir.Path()));
  Runner->Script = {{TElevatedStartStatus::StartedWithProcess, 100, false, Installs()}};
  const bool result = Service().InstallBDE("setup.exe", {});
  std::filesystem::current_path(previous);

  EXPECT_TRUE(result);
  ASSERT_EQ(Runner->Requests.size(), 1u);
  EXPECT_EQ(Runner->Requests[0].Content, "MZ relativo");
  ExpectOwnFolderGone(Runner->Requests[0].File, TempFolder);
}

TEST(BDEServiceDefaults, TheProductWaitsInHalfSecondSlicesUpToFiveMinutesAndPausesTwoSeconds) {
  const TWindowsBDEService service(std::make_shared<TestSupport::TMemoryFileService>());
  const TBDEServicePorts& ports = service.Ports();
  EXPECT_EQ(ports.Timings.WaitSliceMs, 500u);
  EXPECT_EQ(ports.Timings.TimeLimitMs, 300000u);
  EXPECT_EQ(ports.Timings.PauseMs, 2000u);
  EXPECT_NE(std::dynamic_pointer_cast<Infrastructure::Platform::TSystemClock>(ports.Clock), nullptr);
  EXPECT_EQ(ports.DefaultBDEDirectory, "C:\\Program Files (x86)\\Borland\\Common Files\\BDE");
  EXPECT_EQ(ports.TemporaryDirectory, Infrastructure::Platform::TemporaryDirectory());
  EXPECT_NE(ports.Registry, nullptr);
  EXPECT_NE(ports.ProcessRunner, nullptr);
}

TEST_F(TBDEService, AnInstallerThatDoesNotVerifyNeverRuns) {
  using Core::ValueObjects::TDownloadVerdict;
  const struct {
    TDownloadVerdict Verdict;
    const char* Text;
  } cases[] = {
      {TDownloadVerdict::DigestMismatch, "SHA-256 diferente"},
      {TDownloadVerdict::TooLarge, "maior que o tamanho publicado"},
      {TDownloadVerdict::WrongSize, "não tem o tamanho publicado"},
      {TDownloadVerdict::InvalidDigest, "é inválido"},
  };
  const Core::ValueObjects::TDownloadCheck check{std::string(64, 'a'), 13};
  for (const auto& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.Verdict));
    Files->Checks.clear();
    Files->VerdictAnswer = c.Verdict;
    try {
      Service().InstallBDEFromURL("http://127.0.0.1/bde/setup.exe", "", {}, check);
      ADD_FAILURE() << "no error";
    } catch (const Core::EDownloadVerificationError& e) {
      EXPECT_NE(std::string(e.what()).find(c.Text), std::string::npos) << e.what();
      EXPECT_NE(std::string(e.what()).find("http://127.0.0.1/bde/setup.exe"), std::string::npos) << e.what();
      EXPECT_NE(std::string(e.what()).find("ada foi instalado"), std::string::npos) << e.what();
    }
    ASSERT_EQ(Files->Checks.size(), 1u);
    EXPECT_EQ(Files->Checks[0].Sha256, check.Sha256);
    EXPECT_EQ(Files->Checks[0].Size, check.Size);
  }
  EXPECT_TRUE(Runner->Requests.empty());
  EXPECT_TRUE(Infrastructure::Platform::ListDirectory(TempFolder).empty());
}
