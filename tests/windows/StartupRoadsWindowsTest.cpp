// The start-up roads end to end on a real Windows: the splash view model over
// the real services, the SQLite test database through ODBC, the release
// information and the packages on the loopback server, the hand-over through
// the message-only window pumped by this thread, and the shell starting the
// test application.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "Bootstrap/Composition.h"
#include "Bootstrap/Win32/SplashComposition.h"
#include "Infrastructure/BDE/WindowsBDEService.h"
#include "Infrastructure/Config/IniConfigService.h"
#include "Infrastructure/Files/WindowsFileService.h"
#include "Infrastructure/Logging/DebugLoggerService.h"
#include "Infrastructure/Platform/FileSystem.h"
#include "Infrastructure/Platform/Win32/Handles.h"
#include "Infrastructure/Platform/Win32/WinText.h"
#include "Infrastructure/Translator/PortugueseTranslator.h"
#include "WindowsTestSupport.h"
#include "support/DatabasePeers.h"
#include "support/TempDir.h"
#include "support/TestServers.h"
#include "support/ZipBuilder.h"

using Infrastructure::Platform::FileExists;
using Infrastructure::Platform::Win32::TFileHandle;
using Infrastructure::Platform::Win32::ToWide;
using Presentation::ViewModels::TAppState;
using TestSupport::TTempDir;

namespace {

const std::string kOldApplication = TestSupport::HostPath(QL_BUILD_DIR "/marker_app_old.exe");  // 1.0.0.0
const std::string kNewApplication =
    TestSupport::HostPath(QL_BUILD_DIR "/marker_app_new.exe");  // 3.1.4.1, as the database

// The marker the test application leaves when it runs, waited for up to 20 s.
bool WaitForMarker(const std::string& AProgram) {
  for (int i = 0; i < 200 && !FileExists(AProgram + ".started"); ++i) Sleep(100);
  return FileExists(AProgram + ".started");
}

// Another program with the file open but not shared for deletion: Windows
// refuses to replace it meanwhile.
TFileHandle Hold(const std::string& APath) {
  return TFileHandle(CreateFileW(ToWide(APath).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
}

struct TStartupRoadsOnWindows : ::testing::Test {
  TTempDir Dir;  // the launcher's folder; nothing goes into the prefix's C:\ .
  std::string Launcher = Dir.Join("QuorvaneSoftLauncher.exe");
  std::string Application = Dir.Join("QuorvaneSoft.exe");
  std::shared_ptr<Infrastructure::Translator::TPortugueseTranslator> Translator =
      std::make_shared<Infrastructure::Translator::TPortugueseTranslator>();
  std::vector<TAppState> States;
  std::string LastMessage;
  bool Launched = false;
  // The [BancoDados] lines: a unixODBC data source of the SQLite test
  // database, which records 3.1.4.1.
  std::string Database = "ODBC=QL_SQLite\r\nUsuario=teste\r\nSenha=teste\r\n";
  // The BDE's default folder: one of the test's own, so the prefix's stays untouched.
  std::string BDEFolder = Dir.Join("BDE");

  void SetUp() override { Dir.WriteFile("QuorvaneSoft.exe", TestSupport::ReadFileBytes(kOldApplication)); }

  // Names unique to this test inside the server's shared folder.
  std::string Unique(const std::string& AName) const {
    return Infrastructure::Platform::FileNameOf(Dir.Path()) + "-" + AName;
  }

  // Config.ini beside the launcher: the data source of Database, and the release
  // document published on the loopback server.
  void Publish(const std::string& APackageUrl) {
    const std::string release = TestSupport::ServeTestFile(
        Unique("versao.ini"), "[Atualizacao]\r\nVersaoMinima=3.1.4.1\r\nUrlPacote=" + APackageUrl + "\r\nUrlBDE=\r\n");
    Dir.WriteFile("Config.ini", "[BancoDados]\r\n" + Database + "\r\n[Atualizacao]\r\nURL=" +
                                    TestSupport::TestHttpUrl("/files/" + release) + "\r\n");
  }

  Infrastructure::BDE::TBDEServicePorts BDEPorts() const {
    Infrastructure::BDE::TBDEServicePorts ports = Infrastructure::BDE::TBDEServicePorts::Defaults();
    ports.DefaultBDEDirectory = BDEFolder;
    return ports;
  }

  // Runs the roads from StartValidation until the launch or an error, pumping
  // this thread's messages, and until every background task has let go.
  void Run() {
    Infrastructure::Files::TFileServicePorts ports = Infrastructure::Files::TFileServicePorts::Defaults();
    ports.LauncherPath = Launcher;
    ports.ApplicationFolders.clear();
    auto files = std::make_shared<Infrastructure::Files::TWindowsFileService>(ports);
    const Bootstrap::TSplashServices services{
        std::make_shared<Infrastructure::Config::TIniConfigService>(Dir.Path(), std::vector<std::string>{}), files,
        Translator, std::make_shared<Infrastructure::Logging::TDebugLoggerService>(),
        std::make_shared<Infrastructure::BDE::TWindowsBDEService>(files, BDEPorts())};
    Presentation::ViewModels::TSplashPlatform platform = Bootstrap::Win32::CreateSplashPlatform(Launcher);
    platform.Sleep = [](uint32_t) { Sleep(1); };  // the pauses are not under test here
    auto viewModel = Bootstrap::CreateSplashViewModel(services, platform);
    bool ended = false;
    viewModel->SetOnStateChanged([&](TAppState AState, const std::string& AMessage, int32_t) {
      States.push_back(AState);
      LastMessage = AMessage;
      if (AState == TAppState::Error) ended = true;
    });
    viewModel->SetOnLaunchApplication([&] { Launched = ended = true; });
    viewModel->Initialize();
    viewModel->StartValidation();
    // A safety net against a road that hangs, not a measure of speed.
    for (int i = 0; i < 12000 && (!ended || viewModel.use_count() > 1); ++i) {
      MSG message;
      while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
      }
      MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
    ASSERT_TRUE(ended) << "the roads did not end; last message: " << LastMessage;
  }
};

}  // namespace

TEST_F(TStartupRoadsOnWindows, AnUpdatePackageReplacesTheApplicationWhichIsThenStarted) {
  const std::string newApplication = TestSupport::ReadFileBytes(kNewApplication);
  struct TCase {
    const char* Name;
    std::string Package;
    std::string Content;
  };
  const TCase cases[] = {
      {"ZIP package", "pacote.zip", TestSupport::TZipBuilder().File("QuorvaneSoft.exe", newApplication).Build()},
      {"executable package", "QuorvaneSoft.exe", newApplication},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    States.clear();
    Launched = false;
    Dir.WriteFile("QuorvaneSoft.exe", TestSupport::ReadFileBytes(kOldApplication));
    Infrastructure::Platform::RemoveFile(Application + ".started");
    Publish(TestSupport::TestHttpUrl("/files/" + TestSupport::ServeTestFile(Unique(c.Package), c.Content)));

    Run();

    EXPECT_TRUE(Launched) << LastMessage;
    ASSERT_FALSE(States.empty());
    EXPECT_EQ(States.back(), TAppState::ReadyToLaunch);
    EXPECT_NE(std::find(States.begin(), States.end(), TAppState::DownloadingApplication), States.end());
    EXPECT_TRUE(TestSupport::ReadFileBytes(Application) == newApplication) << "the old executable is still there";
    EXPECT_TRUE(WaitForMarker(Application)) << "the updated application did not start";
    EXPECT_FALSE(FileExists(Dir.Join("temp_update.zip")));
    EXPECT_FALSE(FileExists(Dir.Join("temp_update.exe")));
  }
}

TEST_F(TStartupRoadsOnWindows, AFailedUpdateStopsWithAnErrorAndLeavesTheOldApplicationStartable) {
  const std::string oldApplication = TestSupport::ReadFileBytes(kOldApplication);
  struct TCase {
    const char* Name;
    std::string PackageUrl;
    std::string MessageStart;
    bool HeldOpen;  // another program holds the executable, so it cannot be replaced
  };
  const std::string newApplicationUrl = TestSupport::TestHttpUrl(
      "/files/" + TestSupport::ServeTestFile(Unique("QuorvaneSoft.exe"), TestSupport::ReadFileBytes(kNewApplication)));
  const TCase cases[] = {
      {"download refused (404)", TestSupport::TestHttpUrl("/files/" + Unique("nao-existe.zip")),
       Translator->Translate("ErrorDownloading"), false},
      {"corrupt ZIP",
       TestSupport::TestHttpUrl(
           "/files/" + TestSupport::ServeTestFile(Unique("corrompido.zip"), "PK\x03\x04 isto não é um arquivo ZIP")),
       Translator->Translate("ErrorExtracting"), false},
      {"executable that cannot be replaced", newApplicationUrl, Translator->TranslateFormat("DownloadException", {""}),
       true},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    States.clear();
    Launched = false;
    Publish(c.PackageUrl);
    TFileHandle hold;
    if (c.HeldOpen) {
      hold = Hold(Application);
      ASSERT_TRUE(hold.Valid());
    }

    Run();
    hold = TFileHandle();

    EXPECT_FALSE(Launched);
    ASSERT_FALSE(States.empty());
    EXPECT_EQ(States.back(), TAppState::Error);
    EXPECT_EQ(LastMessage.substr(0, c.MessageStart.size()), c.MessageStart);
    EXPECT_TRUE(TestSupport::ReadFileBytes(Application) == oldApplication) << "the old executable was touched";
    EXPECT_FALSE(FileExists(Application + ".started")) << "nothing may start after a failed update";
    EXPECT_EQ(TestSupport::RunProgram(Application, "", 20000), 0);
    EXPECT_TRUE(WaitForMarker(Application)) << "the old application no longer starts";
    Infrastructure::Platform::RemoveFile(Application + ".started");
  }
}

TEST_F(TStartupRoadsOnWindows, AnUpToDateApplicationWithTheBDEPresentIsStartedAsItIs) {
  const std::string current = TestSupport::ReadFileBytes(kNewApplication);
  Dir.WriteFile("BDE/bdeadmin.exe", "admin");
  // A package that must not be fetched: the installed version already matches.
  const std::string package = TestSupport::TestHttpUrl("/files/" + Unique("nao-baixar.zip"));
  struct TCase {
    const char* Name;
    std::string Database;
  };
  const TCase cases[] = {
      {"SQLite (3.1.4.1)", Database},
      {"PostgreSQL (2.5.0.1)", "ODBC=QL_PG\r\nUsuario=" + TestSupport::DatabasePeerValue("pg.user") +
                                   "\r\nSenha=" + TestSupport::DatabasePeerValue("pg.password") + "\r\n"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    States.clear();
    Launched = false;
    Dir.WriteFile("QuorvaneSoft.exe", current);
    Infrastructure::Platform::RemoveFile(Application + ".started");
    Database = c.Database;
    Publish(package);

    Run();

    EXPECT_TRUE(Launched) << LastMessage;
    const std::vector<TAppState> expected = {TAppState::Initializing, TAppState::Validating, TAppState::Validating,
                                             TAppState::CheckingBDE,  TAppState::Validated,  TAppState::ReadyToLaunch};
    EXPECT_EQ(States, expected);
    EXPECT_TRUE(TestSupport::ReadFileBytes(Application) == current);
    EXPECT_TRUE(WaitForMarker(Application)) << "the application did not start";
  }
}
