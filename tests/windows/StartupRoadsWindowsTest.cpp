// The start-up roads end to end on a real Windows: the splash view model over
// the real services, the SQLite test database through ODBC, the release
// information and the packages on the loopback server, the hand-over through
// the message-only window pumped by this thread, and the shell starting the
// test application.
#include <gtest/gtest.h>
#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <ostream>
#include <set>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "Application/UseCases/StartupCheck.h"
#include "Bootstrap/Composition.h"
#include "Bootstrap/Win32/SplashComposition.h"
#include "Infrastructure/BDE/WindowsBDEService.h"
#include "Infrastructure/Config/IniConfigService.h"
#include "Infrastructure/Crypto/HexDigest.h"
#include "Infrastructure/Crypto/TrustedKeys.h"
#include "Infrastructure/Database/SQLDatabaseService.h"
#include "Infrastructure/Files/WindowsFileService.h"
#include "Infrastructure/Logging/DebugLoggerService.h"
#include "Infrastructure/Platform/Crypto.h"
#include "Infrastructure/Platform/DefaultPorts.h"
#include "Infrastructure/Platform/FileSystem.h"
#include "Infrastructure/Platform/Win32/Handles.h"
#include "Infrastructure/Platform/Win32/WinText.h"
#include "Infrastructure/Platform/Win32/WindowsRegistry.h"
#include "Infrastructure/Translator/PortugueseTranslator.h"
#include "Infrastructure/Update/ReleaseInfoSource.h"
#include "Infrastructure/Update/UpdateInstaller.h"
#include "Presentation/Views/DatabaseConfig.h"
#include "Presentation/Views/ODBCEditor.h"
#include "Presentation/Views/Splash.h"
#include "WindowsTestSupport.h"
#include "support/DatabasePeers.h"
#include "support/ManifestBuilder.h"
#include "support/TempDir.h"
#include "support/TestServers.h"
#include "support/ZipBuilder.h"
#include "windows/ODBCRegistryFixture.h"
#include "windows/WindowTestSupport.h"

using Infrastructure::Platform::FileExists;
using Infrastructure::Platform::Win32::TFileHandle;
using Infrastructure::Platform::Win32::ToWide;
using Presentation::ViewModels::TAppState;
using TestSupport::TTempDir;

namespace {

const std::string kOldApplication = TestSupport::HostPath(QL_BUILD_DIR "/marker_app_old.exe");  // 1.0.0.0
const std::string kNewApplication =
    TestSupport::HostPath(QL_BUILD_DIR "/marker_app_new.exe");  // 3.1.4.1, as the database
const std::string kInstallerProgram = TestSupport::HostPath(QL_BUILD_DIR "/bde_test_installer.exe");

// The marker the test application leaves when it runs, waited for up to 20 s.
bool WaitForMarker(const std::string& AProgram) {
  for (int i = 0; i < 200 && !FileExists(AProgram + ".started"); ++i) Sleep(100);
  return FileExists(AProgram + ".started");
}

// The launcher's own working files left in a folder (staging, journal, downloads, moved-aside files).
std::vector<std::string> LeftBehind(const std::string& AFolder) {
  std::vector<std::string> names;
  for (const auto& entry : Infrastructure::Platform::ListDirectory(AFolder))
    if (entry.Name.find(".~ql-") != std::string::npos) names.push_back(entry.Name);
  return names;
}

// As the loader holds a DLL: others may read it and rename it, not write it.
TFileHandle HoldLikeALoadedModule(const std::string& APath) {
  return TFileHandle(CreateFileW(ToWide(APath).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
}

// Another program with the file open but not shared for deletion: Windows
// refuses to replace it, or even rename it, meanwhile.
TFileHandle Hold(const std::string& APath) {
  return TFileHandle(CreateFileW(ToWide(APath).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
}

// Bytes that do not compress, different for each file and release, so that sizes tell what was fetched.
std::string Incompressible(int AFile, int ARelease, size_t ASize = 30000) {
  std::string bytes(ASize, '\0');
  uint32_t state = static_cast<uint32_t>(AFile * 7919 + ARelease * 104729 + 1);
  for (char& c : bytes) c = static_cast<char>((state = state * 1103515245u + 12345u) >> 24);
  return bytes;
}

// What the loopback server logged for APath since its range log held ABefore.
struct TServed {
  size_t Requests = 0;
  uint64_t Bytes = 0;
  std::vector<std::string> Lines;
};
TServed ServedSince(const std::string& ABefore, const std::string& APath) {
  TServed served;
  const std::string now = TestSupport::ServedFileBytes("range.log").value_or("");
  std::istringstream lines(now.substr(std::min(ABefore.size(), now.size())));
  for (std::string line; std::getline(lines, line);) {
    if (line.compare(0, APath.size() + 1, APath + " ") != 0) continue;
    ++served.Requests;
    served.Bytes += std::stoull(line.substr(line.rfind("bytes=") + 6));
    served.Lines.push_back(line);
  }
  return served;
}

struct TReport {
  TAppState State;
  std::string Message;
  int32_t Progress;
  bool operator==(const TReport&) const = default;
};

void PrintTo(const TReport& AReport, std::ostream* AOut) {
  *AOut << "{" << static_cast<int>(AReport.State) << ", \"" << AReport.Message << "\", " << AReport.Progress << "}";
}

struct TStartupRoadsOnWindows : ::testing::Test {
  TTempDir Dir;  // the launcher's folder; nothing goes into the prefix's C:\ .
  std::string Launcher = Dir.Join("QuorvaneSoftLauncher.exe");
  std::string Application = Dir.Join("QuorvaneSoft.exe");
  std::shared_ptr<Infrastructure::Translator::TPortugueseTranslator> Translator =
      std::make_shared<Infrastructure::Translator::TPortugueseTranslator>();
  std::vector<TAppState> States;
  std::vector<TReport> Reports;  // of the last run
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
  // AExtra: more lines of the release document's section, each ending in "\r\n".
  // ASignedBy: the test key the server signs the document with (its /signed/ route); empty: unsigned.
  void Publish(const std::string& APackageUrl, const std::string& ABdeUrl = "", const std::string& AExtra = "",
               const std::string& ASignedBy = "") {
    const std::string release = TestSupport::ServeTestFile(
        Unique("versao.ini"), "[Atualizacao]\r\nVersaoMinima=3.1.4.1\r\nUrlPacote=" + APackageUrl +
                                  "\r\nUrlBDE=" + ABdeUrl + "\r\n" + AExtra);
    const std::string route = ASignedBy.empty() ? "/files/" : "/signed/" + ASignedBy + "/";
    Dir.WriteFile("Config.ini", "[BancoDados]\r\n" + Database +
                                    "\r\n[Atualizacao]\r\nURL=" + TestSupport::TestHttpUrl(route + release) + "\r\n");
  }

  Infrastructure::BDE::TBDEServicePorts BDEPorts() const {
    Infrastructure::BDE::TBDEServicePorts ports = Infrastructure::BDE::TBDEServicePorts::Defaults();
    ports.DefaultBDEDirectory = BDEFolder;
    ports.TemporaryDirectory = Dir.Join("Downloads");  // where a BDE installer is downloaded
    ports.Timings.PauseMs = 100;
    return ports;
  }

  // AKeys: the launcher is built with these keys (PEM texts); none: without keys.
  std::shared_ptr<Presentation::ViewModels::TSplashViewModel> CreateViewModel(
      const std::vector<std::string_view>& AKeys = {}) {
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
    if (AKeys.empty()) return Bootstrap::CreateSplashViewModel(services, platform);
    // As the composition makes it, with the keys of a build that has them.
    const auto keys = Infrastructure::Crypto::TTrustedKeys::FromPem(AKeys);
    auto check = std::make_shared<Application::UseCases::TStartupCheckUseCase>(
        services.Config, services.Files, services.Translator, services.Logger,
        [] {
          return std::make_shared<Infrastructure::Database::TSQLDatabaseService>(
              Core::ValueObjects::TConnectionConfig(), Infrastructure::Platform::DefaultRegistry());
        },
        [keys](const std::string& AConfigPath) {
          return std::make_shared<Infrastructure::Update::TReleaseInfoSource>(
              Infrastructure::Platform::DefaultHttpClient(), AConfigPath,
              Infrastructure::Update::TReleaseInfoSource::DefaultOptions(), keys);
        });
    return Bootstrap::CreateSplashViewModel(services, platform, check);
  }

  void Run() { Run(CreateViewModel()); }

  // Runs the roads from StartValidation until the launch or a stopping state,
  // pumping this thread's messages, and until every background task has let
  // go. A retry starts again a view model that stopped, as its window does.
  void Run(const std::shared_ptr<Presentation::ViewModels::TSplashViewModel>& AViewModel, bool ARetry = false) {
    bool ended = false;
    Reports.clear();
    AViewModel->SetOnStateChanged([&](TAppState AState, const std::string& AMessage, int32_t AProgress) {
      States.push_back(AState);
      Reports.push_back({AState, AMessage, AProgress});
      LastMessage = AMessage;
      if (AState == TAppState::Error || AState == TAppState::BDEMissing) ended = true;
    });
    AViewModel->SetOnLaunchApplication([&] { Launched = ended = true; });
    if (!ARetry) AViewModel->Initialize();
    AViewModel->StartValidation();
    // A safety net against a road that hangs, not a measure of speed.
    for (int i = 0; i < 12000 && (!ended || AViewModel.use_count() > 1); ++i) {
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

// The BDE road with no BDE in the prefix: the test installer, served over
// loopback, installs it into the real default folder and registry keys, which
// go again at the end with the compatibility value of the installer.
struct TBDERoadOnWindows : TStartupRoadsOnWindows {
  TestSupport::TBDEPrefixGuard Prefix;
  std::shared_ptr<Infrastructure::Platform::Win32::TWindowsRegistry> Registry =
      std::make_shared<Infrastructure::Platform::Win32::TWindowsRegistry>();
  const std::string Layers = std::string(Infrastructure::BDE::kCompatibilityLayersKey);
  std::vector<std::string> Installers;  // where each installer leaves its marks: the download folder, its name
  std::string DownloadFolder = Dir.Join("Downloads");  // where the BDE service puts them

  void SetUp() override {
    TStartupRoadsOnWindows::SetUp();
    ASSERT_EQ(Prefix.LeftBehind(), "") << "a BDE left behind by an earlier run";
    Dir.WriteFile("QuorvaneSoft.exe", TestSupport::ReadFileBytes(kNewApplication));  // no update needed
  }
  void TearDown() override { Prefix.Restore(); }

  // Publishes the test installer under AName (which chooses its behaviour).
  void PublishInstaller(const std::string& AName) {
    const std::string name = Unique(AName);
    const std::string installer = Infrastructure::Platform::JoinPath(DownloadFolder, name);
    Installers.push_back(installer);
    Prefix.RemoveCompatibilityValueOf(installer);
    Publish(TestSupport::TestHttpUrl("/files/" + Unique("nao-baixar.zip")),
            TestSupport::TestHttpUrl("/files/" +
                                     TestSupport::ServeTestFile(name, TestSupport::ReadFileBytes(kInstallerProgram))));
  }

  // The whole run: validation, CheckingBDE, the start of the installation and
  // its progress, then AEnd. A retry does not initialize again.
  void ExpectInstallationReports(const std::vector<TReport>& AEnd, bool ARetry = false) {
    std::vector<TAppState> validation = {TAppState::Validating, TAppState::Validating};
    if (!ARetry) validation.insert(validation.begin(), TAppState::Initializing);
    ASSERT_GE(Reports.size(), validation.size() + 3 + AEnd.size());
    const TReport* report = Reports.data();
    const TReport* end = Reports.data() + Reports.size() - AEnd.size();
    for (const TAppState state : validation) EXPECT_EQ((report++)->State, state);
    EXPECT_EQ(*report++, (TReport{TAppState::CheckingBDE, Translator->Translate("CheckingBDE"), 5}));
    EXPECT_EQ(*report++, (TReport{TAppState::InstallingBDE, "BDE não encontrado. Instalando...", 10}));
    ASSERT_LT(report, end) << "no progress of the installation";
    EXPECT_EQ(report->Progress, 10);  // the download starts at 0 %
    for (; report < end; ++report) {
      const int32_t points = report->Progress - 10;
      EXPECT_EQ(*report,
                (TReport{TAppState::InstallingBDE,
                         Translator->TranslateFormat("InstallingBDE", {std::to_string(points)}), report->Progress}));
      EXPECT_GE(points, 0);
      EXPECT_LE(points, 80);
    }
    EXPECT_EQ(std::vector<TReport>(end, std::as_const(Reports).data() + Reports.size()), AEnd);
  }

  // After a road that installed the BDE and started the application.
  void ExpectInstalledAndStarted(bool ARetry = false) {
    EXPECT_TRUE(Launched) << LastMessage;
    ASSERT_FALSE(Reports.empty());
    ExpectInstallationReports({{TAppState::Validated, "BDE instalado com sucesso!", 100}, Reports.back()}, ARetry);
    EXPECT_EQ(Reports.back().State, TAppState::ReadyToLaunch);
    EXPECT_TRUE(WaitForMarker(Application)) << "the application did not start";

    // Found by a service of its own, through the real keys and folder.
    Infrastructure::BDE::TWindowsBDEService service(std::make_shared<Infrastructure::Files::TWindowsFileService>());
    const Core::Interfaces::TBDEInstallStatus status = service.CheckBDEInstalled();
    EXPECT_TRUE(status.IsInstalled);
    EXPECT_EQ(status.InstallPath, std::string(Infrastructure::BDE::kDefaultBDEDirectory));
    EXPECT_EQ(status.Version, "5.2.0.0");
    // Recorded by the installer while it ran, from a folder of its own, and gone with it.
    const std::string layers = TestSupport::ReadFileBytes(Installers.back() + ".layers");
    EXPECT_EQ(Infrastructure::Platform::Win32::FromWide(
                  std::wstring_view(reinterpret_cast<const wchar_t*>(layers.data()), layers.size() / sizeof(wchar_t))),
              std::string(Infrastructure::BDE::kCompatibilityLayers));
    EXPECT_FALSE(FileExists(Installers.back())) << "the download stays";
  }

  // The prefix as the test found it.
  void ExpectPrefixRestored() {
    Prefix.Restore();
    EXPECT_EQ(Prefix.LeftBehind(), "");
    for (const std::string& installer : Installers)
      EXPECT_FALSE(Registry->ValueExists(Core::Interfaces::TRegistryHive::CurrentUser, Layers, installer));
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
      {"ZIP package", "pacote.zip",
       TestSupport::TZipBuilder().File("QuorvaneSoft.exe", newApplication).File("modulo.dll", "módulo novo").Build()},
      {"executable package", "QuorvaneSoft.exe", newApplication},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    States.clear();
    Launched = false;
    Dir.WriteFile("QuorvaneSoft.exe", TestSupport::ReadFileBytes(kOldApplication));
    Dir.WriteFile("modulo.dll", "módulo antigo");
    Infrastructure::Platform::RemoveFile(Application + ".started");
    Publish(TestSupport::TestHttpUrl("/files/" + TestSupport::ServeTestFile(Unique(c.Package), c.Content)));
    // The application's DLL is in use by another session: it is renamed aside, not overwritten.
    TFileHandle module = HoldLikeALoadedModule(Dir.Join("modulo.dll"));
    ASSERT_TRUE(module.Valid());

    Run();
    module = TFileHandle();

    EXPECT_TRUE(Launched) << LastMessage;
    ASSERT_FALSE(States.empty());
    EXPECT_EQ(States.back(), TAppState::ReadyToLaunch);
    EXPECT_NE(std::find(States.begin(), States.end(), TAppState::DownloadingApplication), States.end());
    EXPECT_TRUE(TestSupport::ReadFileBytes(Application) == newApplication) << "the old executable is still there";
    EXPECT_TRUE(WaitForMarker(Application)) << "the updated application did not start";
    // What the update moved aside while it was held goes at the next start at the latest.
    Infrastructure::Update::TUpdateInstaller(Translator).Recover(Dir.Path());
    EXPECT_EQ(LeftBehind(Dir.Path()), std::vector<std::string>{});
  }
}

TEST_F(TStartupRoadsOnWindows, AFailedUpdateStopsWithAnErrorAndLeavesTheOldApplicationStartable) {
  const std::string oldApplication = TestSupport::ReadFileBytes(kOldApplication);
  struct TCase {
    const char* Name;
    std::string PackageUrl;
    std::string MessageStart;
    bool HeldOpen;  // another program holds the executable, so it cannot be replaced
    std::string Extra = "";  // more of the release document
  };
  const auto served = [&](const std::string& AName, const std::string& AContent) {
    return TestSupport::TestHttpUrl("/files/" + TestSupport::ServeTestFile(Unique(AName), AContent));
  };
  TestSupport::TZipBuilderEntry corrupt;
  corrupt.Name = "ultimo.dat";
  corrupt.Data = "dados";
  corrupt.Crc32 = 1;
  const std::string newApplicationUrl = TestSupport::TestHttpUrl(
      "/files/" + TestSupport::ServeTestFile(Unique("QuorvaneSoft.exe"), TestSupport::ReadFileBytes(kNewApplication)));
  const TCase cases[] = {
      {"download refused (404)", TestSupport::TestHttpUrl("/files/" + Unique("nao-existe.zip")),
       Translator->Translate("ErrorDownloading"), false},
      {"corrupt ZIP",
       TestSupport::TestHttpUrl(
           "/files/" + TestSupport::ServeTestFile(Unique("corrompido.zip"), "PK\x03\x04 isto não é um arquivo ZIP")),
       Translator->Translate("ErrorExtracting"), false},
      {"executable that cannot even be renamed", newApplicationUrl, "O arquivo \"" + Application + "\" está em uso", true},
      {"a ZIP whose last entry is corrupt",
       served("corrompido-no-fim.zip", TestSupport::TZipBuilder()
                                           .File("QuorvaneSoft.exe", TestSupport::ReadFileBytes(kNewApplication))
                                           .Add(corrupt)
                                           .Build()),
       Translator->Translate("ErrorExtracting"), false},
      {"a package that is not the one published", newApplicationUrl,
       Translator->TranslateFormat("DownloadDigestMismatch", {newApplicationUrl}), false,
       "Sha256Pacote=" + std::string(64, '0') + "\r\n"},
      {"an HTML page answered in place of the executable", served("portal.exe", "<html>Entre na rede</html>"),
       Translator->Translate("PackageNotExecutable"), false},
      {"an older application (a replayed release)", served("antigo.exe", oldApplication),
       "O pacote baixado traz a versão 1.0.0.0, mais antiga que a exigida (3.1.4.1)", false},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    States.clear();
    Launched = false;
    Publish(c.PackageUrl, "", c.Extra);
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
    EXPECT_EQ(LeftBehind(Dir.Path()), std::vector<std::string>{});
  }
}

// A launcher built with keys: the server it distrusts can neither break the signature nor leave
// the digests out to get a package installed.
TEST_F(TStartupRoadsOnWindows, ABuildWithKeysInstallsOnlyWhatAVerifiedDocumentVouchesFor) {
  const std::optional<std::string> key = TestSupport::TestStateFile("keys/a.pub.pem");
  ASSERT_TRUE(key) << "the test keys are missing";
  const std::string oldApplication = TestSupport::ReadFileBytes(kOldApplication);
  const std::string newApplication = TestSupport::ReadFileBytes(kNewApplication);
  const std::string package =
      TestSupport::TestHttpUrl("/files/" + TestSupport::ServeTestFile(Unique("assinado.exe"), newApplication));
  const std::string published =
      "Sha256Pacote=" + Infrastructure::Crypto::ToHex(Infrastructure::Platform::Sha256Of(newApplication)) +
      "\r\nTamanhoPacote=" + std::to_string(newApplication.size()) + "\r\n";
  const struct {
    const char* Name;
    std::string SignedBy;
    std::string Extra;
    std::string Message;  // empty: installed and started
  } cases[] = {
      {"signed by a key the build does not trust", "stranger", published, Translator->Translate("ReleaseUnverified")},
      {"signed, but without the package's digest and size", "a", "",
       Translator->TranslateFormat("DownloadNotPublished", {package})},
      {"signed, with the package's digest and size", "a", published, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    States.clear();
    Launched = false;
    Dir.WriteFile("QuorvaneSoft.exe", oldApplication);
    Publish(package, "", c.Extra, c.SignedBy);

    Run(CreateViewModel({*key}));

    if (c.Message.empty()) {
      EXPECT_TRUE(Launched) << LastMessage;
      EXPECT_TRUE(TestSupport::ReadFileBytes(Application) == newApplication);
      EXPECT_TRUE(WaitForMarker(Application)) << "the updated application did not start";
      Infrastructure::Platform::RemoveFile(Application + ".started");
      continue;
    }
    EXPECT_FALSE(Launched);
    ASSERT_FALSE(States.empty());
    EXPECT_EQ(States.back(), TAppState::Error);
    EXPECT_EQ(LastMessage, c.Message);
    EXPECT_TRUE(TestSupport::ReadFileBytes(Application) == oldApplication) << "the old executable was touched";
    EXPECT_EQ(LeftBehind(Dir.Path()), std::vector<std::string>{}) << "something was downloaded";
  }
}

// Release N+1 of a package of many files, installed at N where a few differ: with a manifest the
// signed document vouches for, only those are fetched, from a server that honours ranges or not.
TEST_F(TStartupRoadsOnWindows, AKeyedUpdateFetchesOnlyTheFilesThatChangedFromAnyServer) {
  const std::optional<std::string> key = TestSupport::TestStateFile("keys/a.pub.pem");
  ASSERT_TRUE(key) << "the test keys are missing";
  const std::string newApplication = TestSupport::ReadFileBytes(kNewApplication);
  const auto data = [](int AFile, int ARelease) { return Incompressible(AFile, ARelease); };
  constexpr int kFiles = 40;
  TestSupport::TZipBuilder release;
  release.File("QuorvaneSoft.exe", newApplication);
  for (int i = 0; i < kFiles; ++i)
    release.File("Dados/arquivo_" + std::to_string(i) + ".dat", data(i, i == 7 ? 2 : 1));  // 7 changed
  const std::string packageBytes = release.Build();
  const std::string name = Unique("parcial.zip");
  TestSupport::ServeTestFile(name, packageBytes);
  Dir.WriteFile("pacote-servido.zip", packageBytes);
  const std::string manifest = TestSupport::EncodeManifest(TestSupport::ManifestOfZip(Dir.Join("pacote-servido.zip")));
  Infrastructure::Platform::RemoveFile(Dir.Join("pacote-servido.zip"));
  TestSupport::ServeTestFile(name + ".manifest", manifest);
  const std::string published =
      "Sha256Pacote=" + Infrastructure::Crypto::ToHex(Infrastructure::Platform::Sha256Of(packageBytes)) +
      "\r\nTamanhoPacote=" + std::to_string(packageBytes.size()) +
      "\r\nSha256Manifesto=" + Infrastructure::Crypto::ToHex(Infrastructure::Platform::Sha256Of(manifest)) +
      "\r\nTamanhoManifesto=" + std::to_string(manifest.size()) + "\r\n";
  // What changed: the executable (about as large as 3 data files), file 7, and file 9 (missing).
  const struct {
    const char* Name;
    std::string Route;
    uint64_t MaxPackageBytes;  // served for the package, the manifest not counted
    size_t MaxRequests;
  } cases[] = {
      {"a server that honours ranges", "/range/ok/0/", newApplication.size() + 3 * 30000 + 4096, 3},
      {"a server that answers ranges with the whole package", "/range/ignore/99/", packageBytes.size(), 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    States.clear();
    Launched = false;
    Dir.WriteFile("QuorvaneSoft.exe", TestSupport::ReadFileBytes(kOldApplication));
    for (int i = 0; i < kFiles; ++i) Dir.WriteFile("Dados/arquivo_" + std::to_string(i) + ".dat", data(i, 1));
    Infrastructure::Platform::RemoveFile(Dir.Join("Dados/arquivo_9.dat"));
    const uint64_t untouchedTime = *Infrastructure::Platform::LastWriteTime(Dir.Join("Dados/arquivo_3.dat"));
    const std::string log = TestSupport::ServedFileBytes("range.log").value_or("");
    const std::string url = TestSupport::TestHttpUrl(c.Route + name);
    Publish(url, "", published, "a");

    Run(CreateViewModel({*key}));

    ASSERT_TRUE(Launched) << LastMessage;
    EXPECT_TRUE(WaitForMarker(Application)) << "the updated application did not start";
    Infrastructure::Platform::RemoveFile(Application + ".started");
    EXPECT_TRUE(TestSupport::ReadFileBytes(Application) == newApplication);
    for (int i = 0; i < kFiles; ++i)
      EXPECT_TRUE(TestSupport::ReadFileBytes(Dir.Join("Dados/arquivo_" + std::to_string(i) + ".dat")) ==
                  data(i, i == 7 ? 2 : 1))
          << i;
    EXPECT_EQ(*Infrastructure::Platform::LastWriteTime(Dir.Join("Dados/arquivo_3.dat")), untouchedTime)
        << "an unchanged file was replaced";
    for (const std::string& left : LeftBehind(Dir.Path()))  // old copies wait for the next start's check
      EXPECT_EQ(left.find(".~ql-download"), std::string::npos) << left;
    // The server's own count of what it sent for the package.
    const TServed served = ServedSince(log, c.Route + name);
    std::printf("%s: %zu request(s), %llu of %zu bytes of the package\n", c.Name, served.Requests,
                static_cast<unsigned long long>(served.Bytes), packageBytes.size());
    EXPECT_LE(served.Bytes, c.MaxPackageBytes);
    EXPECT_GE(served.Requests, 1u);
    EXPECT_LE(served.Requests, c.MaxRequests);
  }
}

// The link goes down at 60 % of the package and stays down for the rest of the start: the start
// ends with the download's error and the old application untouched, and the next one fetches only
// what is missing (the kept bytes checked piece by piece against a verified manifest, or trusted on
// the server's validator without one).
TEST_F(TStartupRoadsOnWindows, ADownloadCutPartWayIsResumedAtTheNextStart) {
  const std::optional<std::string> key = TestSupport::TestStateFile("keys/a.pub.pem");
  ASSERT_TRUE(key) << "the test keys are missing";
  const std::string oldApplication = TestSupport::ReadFileBytes(kOldApplication);
  const std::string newApplication = TestSupport::ReadFileBytes(kNewApplication);
  constexpr int kFiles = 120;  // 3.6 MB: a cut at 60 % leaves two whole 1 MiB pieces
  TestSupport::TZipBuilder release;
  release.File("QuorvaneSoft.exe", newApplication);
  for (int i = 0; i < kFiles; ++i) release.File("Dados/arquivo_" + std::to_string(i) + ".dat", Incompressible(i, 1));
  const std::string packageBytes = release.Build();
  Dir.WriteFile("pacote-servido.zip", packageBytes);
  const std::string manifest = TestSupport::EncodeManifest(TestSupport::ManifestOfZip(Dir.Join("pacote-servido.zip")));
  Infrastructure::Platform::RemoveFile(Dir.Join("pacote-servido.zip"));
  const std::string published =
      "Sha256Pacote=" + Infrastructure::Crypto::ToHex(Infrastructure::Platform::Sha256Of(packageBytes)) +
      "\r\nTamanhoPacote=" + std::to_string(packageBytes.size()) +
      "\r\nSha256Manifesto=" + Infrastructure::Crypto::ToHex(Infrastructure::Platform::Sha256Of(manifest)) +
      "\r\nTamanhoManifesto=" + std::to_string(manifest.size()) + "\r\n";
  const uint64_t cut = packageBytes.size() * 6 / 10;
  const struct {
    const char* Name;
    bool Keyed;
    uint64_t ResumedAt;  // where the next start's range begins
  } cases[] = {
      {"a build with keys and a verified manifest", true, cut / (1u << 20) * (1u << 20)},  // whole pieces only
      {"a build without keys (no manifest used)", false, cut},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    const std::string name = Unique(std::string(c.Keyed ? "com" : "sem") + "-chave.zip");
    TestSupport::ServeTestFile(name, packageBytes);
    TestSupport::ServeTestFile(name + ".manifest", manifest);
    // The first answer stops at 60 %; the three retries of that start find the link down (503).
    const std::string path = "/range/halt/4/" + name;
    Dir.WriteFile("QuorvaneSoft.exe", oldApplication);
    Publish(TestSupport::TestHttpUrl(path), "", published, c.Keyed ? "a" : "");
    const std::vector<std::string_view> keys =
        c.Keyed ? std::vector<std::string_view>{*key} : std::vector<std::string_view>{};
    const std::string log = TestSupport::ServedFileBytes("range.log").value_or("");
    States.clear();
    Launched = false;

    Run(CreateViewModel(keys));

    EXPECT_FALSE(Launched);
    ASSERT_FALSE(States.empty());
    EXPECT_EQ(States.back(), TAppState::Error);
    EXPECT_EQ(LastMessage.substr(0, Translator->Translate("ErrorDownloading").size()),
              Translator->Translate("ErrorDownloading"));
    EXPECT_TRUE(TestSupport::ReadFileBytes(Application) == oldApplication) << "the old executable was touched";
    // The bytes that arrived, what they are, and the manifest to check them with.
    EXPECT_EQ(LeftBehind(Dir.Path()).size(), c.Keyed ? 3u : 2u);
    const TServed first = ServedSince(log, path);
    EXPECT_EQ(first.Requests, 4u);
    EXPECT_EQ(ServedSince(log, path + ".manifest").Requests, c.Keyed ? 1u : 0u);

    const std::string between = TestSupport::ServedFileBytes("range.log").value_or("");
    States.clear();
    Run(CreateViewModel(keys));

    ASSERT_TRUE(Launched) << LastMessage;
    EXPECT_TRUE(WaitForMarker(Application)) << "the updated application did not start";
    Infrastructure::Platform::RemoveFile(Application + ".started");
    EXPECT_TRUE(TestSupport::ReadFileBytes(Application) == newApplication);
    EXPECT_TRUE(TestSupport::ReadFileBytes(Dir.Join("Dados/arquivo_119.dat")) == Incompressible(119, 1));
    for (const std::string& left : LeftBehind(Dir.Path()))
      EXPECT_EQ(left.find(".~ql-download"), std::string::npos) << left;
    const TServed second = ServedSince(between, path);
    EXPECT_EQ(ServedSince(between, path + ".manifest").Requests, 0u) << "the kept manifest was fetched again";
    ASSERT_EQ(second.Requests, 1u);
    EXPECT_NE(second.Lines[0].find(" range=bytes=" + std::to_string(c.ResumedAt) + "-"), std::string::npos)
        << second.Lines[0];
    EXPECT_EQ(second.Lines[0].find("if-range=-"), std::string::npos) << second.Lines[0];
    std::printf("%s: %llu bytes served at the cut start, %llu at the next, for a package of %zu\n", c.Name,
                static_cast<unsigned long long>(first.Bytes), static_cast<unsigned long long>(second.Bytes),
                packageBytes.size());
    EXPECT_LE(first.Bytes + second.Bytes, packageBytes.size() + (1u << 20));
    // The next case starts from the same folder: old copies gone (as at the next start), data files missing.
    Infrastructure::Update::TUpdateInstaller(Translator).Recover(Dir.Path());
    ASSERT_EQ(LeftBehind(Dir.Path()), std::vector<std::string>{});
    for (int i = 0; i < kFiles; ++i)
      Infrastructure::Platform::RemoveFile(Dir.Join("Dados/arquivo_" + std::to_string(i) + ".dat"));
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

TEST_F(TBDERoadOnWindows, AMissingBDEIsInstalledFromTheServerAndTheApplicationThenStarted) {
  PublishInstaller("bde_setup.exe");

  Run();

  ExpectInstalledAndStarted();
  ExpectPrefixRestored();
}

TEST_F(TBDERoadOnWindows, AnInstallerThatInstallsNothingStopsTheRoadAndARetryWithAWorkingOneSucceeds) {
  const auto viewModel = CreateViewModel();
  PublishInstaller("bde_noop.exe");

  Run(viewModel);

  EXPECT_FALSE(Launched);
  ExpectInstallationReports({{TAppState::BDEMissing, Translator->Translate("BDERequired"), 0}});
  EXPECT_TRUE(FileExists(Installers.back() + ".ended")) << "the installer did not run";
  EXPECT_EQ(Prefix.LeftBehind(), "");
  EXPECT_FALSE(FileExists(Application + ".started")) << "the application started without the BDE";

  PublishInstaller("bde_setup.exe");
  Run(viewModel, true);

  ExpectInstalledAndStarted(true);
  ExpectPrefixRestored();
}

namespace {

// The launcher program itself in the test's folder, its windows worked from
// this process as a user would work them.
struct TLauncherOnWindows : TBDERoadOnWindows {
  void SetUp() override {
    TBDERoadOnWindows::SetUp();
    Dir.WriteFile("QuorvaneSoftLauncher.exe", TestSupport::ReadFileBytes(TestSupport::HostPath(QL_LAUNCHER_EXE)));
    // The launcher downloads the BDE installer into the user's temporary folder.
    wchar_t temporary[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temporary);
    DownloadFolder = Infrastructure::Platform::Win32::FromWide(temporary);
    while (!DownloadFolder.empty() && DownloadFolder.back() == '\\') DownloadFolder.pop_back();
  }

  void ExpectBDEInstalledAndApplicationStarted() {
    EXPECT_TRUE(WaitForMarker(Application)) << "the application did not start";
    Infrastructure::BDE::TWindowsBDEService service(std::make_shared<Infrastructure::Files::TWindowsFileService>());
    EXPECT_TRUE(service.CheckBDEInstalled().IsInstalled);
  }
};

}  // namespace

TEST_F(TLauncherOnWindows, ARetryAfterTheBDEWasMissingInstallsItAndStartsTheApplication) {
  using Presentation::Views::TfrmSplash;
  PublishInstaller("bde_noop.exe");
  TestSupport::TRunningProgram launcher(Launcher);
  ASSERT_TRUE(launcher.Started());
  const HWND splash = TestSupport::WaitForWindow(TfrmSplash::ClassName, 20000, launcher.Id());
  ASSERT_NE(splash, nullptr);
  ASSERT_TRUE(TestSupport::WaitFor([&] { return TestSupport::ControlVisible(splash, TfrmSplash::btnRetry); }, 60000))
      << TestSupport::ControlText(splash, TfrmSplash::lblMessage);
  EXPECT_EQ(TestSupport::ControlText(splash, TfrmSplash::lblMessage), Translator->Translate("BDERequired"));
  EXPECT_EQ(TestSupport::ControlText(splash, TfrmSplash::lblVersion), "BD: 3.1.4.1 | EXE: 3.1.4.1 | WS: 3.1.4.1");
  TestSupport::SaveScreenshot(splash, "launcher_bde_missing");
  EXPECT_FALSE(FileExists(Application + ".started"));

  PublishInstaller("bde_setup.exe");
  TestSupport::Click(splash, TfrmSplash::btnRetry);

  EXPECT_EQ(launcher.Wait(120000), TfrmSplash::ExitLaunched);
  ExpectBDEInstalledAndApplicationStarted();
  ExpectPrefixRestored();
}

// What a person sees on a machine that was never set up: the configuration
// window, a data source created from it, the settings saved, then the road to
// a started application. The data source is the SQLite test database's: Wine
// hands ODBC to the host, where the fixture's odbc.ini defines that name.
TEST_F(TLauncherOnWindows, FromNoConfigurationThroughANewDataSourceToAStartedApplication) {
  using namespace Presentation::Views;
  using namespace TestSupport;
  PublishInstaller("bde_setup.exe");
  // Only the release information's address is written before the save, so that
  // nothing asks for the default address outside the loopback.
  const std::string published = ReadFileBytes(Dir.Join("Config.ini"));
  const std::string release = published.substr(published.find("[Atualizacao]"));
  ASSERT_TRUE(Infrastructure::Platform::RemoveFile(Dir.Join("Config.ini")));
  // The driver as its installer registers it on Windows (Wine lists none of the
  // host's), and the data source the launcher is about to write, both removed at the end.
  TODBCRegistryFixture odbc;
  odbc.AddDriver("SQLite3");
  odbc.WillWrite(HKEY_CURRENT_USER, "QL_SQLite");

  TRunningProgram launcher(Launcher);
  ASSERT_TRUE(launcher.Started());
  const HWND config = WaitForWindow(TfrmDatabaseConfig::ClassName, 20000, launcher.Id());
  ASSERT_NE(config, nullptr) << "the configuration window did not open";
  SaveScreenshot(config, "launcher_1_configuration");
  Dir.WriteFile("Config.ini", release);

  Click(config, TfrmDatabaseConfig::btnCreateODBC);
  const HWND editor = WaitForWindow(TfrmODBCEditor::ClassName, 20000, launcher.Id());
  ASSERT_NE(editor, nullptr) << "the data-source editor did not open";
  const std::vector<std::string> drivers = ComboItems(editor, TfrmODBCEditor::cmbDriver);
  const auto sqlite = std::find(drivers.begin(), drivers.end(), "SQLite3");
  ASSERT_NE(sqlite, drivers.end()) << "the SQLite driver is not among the installed drivers";
  ChooseItem(editor, TfrmODBCEditor::cmbDriver, static_cast<int>(sqlite - drivers.begin()));
  TypeText(editor, TfrmODBCEditor::edtDSNName, "QL_SQLite");
  TypeText(editor, TfrmODBCEditor::edtDatabase, "versao");
  TypeText(editor, TfrmODBCEditor::edtUser, "teste");
  TypeText(editor, TfrmODBCEditor::edtPassword, "teste");
  SaveScreenshot(editor, "launcher_2_new_data_source");
  Click(editor, IDOK);

  ASSERT_TRUE(WaitFor([&] { return !IsWindowVisible(editor); }, 20000)) << "the editor stayed open";
  ASSERT_TRUE(WaitFor([&] { return ControlText(config, TfrmDatabaseConfig::lblStatus) == "ODBC criado com sucesso!"; }))
      << ControlText(config, TfrmDatabaseConfig::lblStatus);
  EXPECT_EQ(ControlText(config, TfrmDatabaseConfig::cmbODBC), "QL_SQLite");
  EXPECT_EQ(ControlText(config, TfrmDatabaseConfig::edtUser), "teste");
  SaveScreenshot(config, "launcher_3_data_source_chosen");
  Click(config, IDOK);

  EXPECT_EQ(launcher.Wait(120000), TfrmSplash::ExitLaunched);
  ExpectBDEInstalledAndApplicationStarted();
  const std::string saved = ReadFileBytes(Dir.Join("Config.ini"));
  for (const char* line : {"ODBC=QL_SQLite", "Usuario=teste", "Senha=teste", "[Atualizacao]"})
    EXPECT_NE(saved.find(line), std::string::npos) << line << " missing from:\n" << saved;
  EXPECT_EQ(RegGetText(HKEY_CURRENT_USER, kDataSources, "QL_SQLite"), "SQLite3") << "the data source was not created";
  ExpectPrefixRestored();
}

// The close button also works while the package is still arriving: the
// launcher ends at once, starts nothing, and the installed application stays
// as it was (the part already downloaded stays too).
TEST_F(TStartupRoadsOnWindows, TheCloseButtonEndsTheLauncherInTheMiddleOfADownload) {
  using namespace Presentation::Views;
  using namespace TestSupport;
  Dir.WriteFile("QuorvaneSoftLauncher.exe", ReadFileBytes(HostPath(QL_LAUNCHER_EXE)));
  const std::string installed = ReadFileBytes(Application);
  Publish(TestHttpUrl("/trickle/25/pacote.zip"));

  TRunningProgram launcher(Launcher);
  ASSERT_TRUE(launcher.Started());
  const HWND splash = WaitForWindow(TfrmSplash::ClassName, 20000, launcher.Id());
  ASSERT_NE(splash, nullptr);
  ASSERT_TRUE(WaitFor([&] { return ControlText(splash, TfrmSplash::lblMessage).starts_with("Baixando..."); }, 30000))
      << ControlText(splash, TfrmSplash::lblMessage);
  SaveScreenshot(splash, "launcher_downloading");

  Click(splash, TfrmSplash::btnClose);
  // Well before the 25 s the download still needs.
  EXPECT_EQ(launcher.Wait(10000), TfrmSplash::ExitClosedByUser);
  EXPECT_TRUE(ReadFileBytes(Application) == installed) << "the installed application was touched";
  EXPECT_FALSE(FileExists(Application + ".started"));
  // The part already downloaded stays under a name of its own until the next start.
  const std::vector<std::string> left = LeftBehind(Dir.Path());
  ASSERT_EQ(left.size(), 1u);
  EXPECT_EQ(left[0].rfind(".~ql-download-", 0), 0u);
}

// A package of thousands of small files takes a few seconds to install under
// Wine: all that time the splash answers its messages and its progress moves;
// a close pressed in the middle leaves exactly the old or exactly the new version.
TEST_F(TStartupRoadsOnWindows, TheWindowKeepsAnsweringWhileAnUpdateInstalls) {
  using namespace Presentation::Views;
  using namespace TestSupport;
  Dir.WriteFile("QuorvaneSoftLauncher.exe", ReadFileBytes(HostPath(QL_LAUNCHER_EXE)));
  const std::string newApplication = ReadFileBytes(kNewApplication);
  TZipBuilder package;
  package.File("QuorvaneSoft.exe", newApplication);
  for (int i = 0; i < 5000; ++i) package.File("dados/arquivo" + std::to_string(i) + ".txt", "conteúdo " + std::to_string(i));
  const std::string url = TestHttpUrl("/files/" + ServeTestFile(Unique("pacote-grande.zip"), package.Build()));

  for (const bool closeMidway : {false, true}) {
    SCOPED_TRACE(closeMidway ? "closed during the installation" : "left to finish");
    Dir.WriteFile("QuorvaneSoft.exe", ReadFileBytes(kOldApplication));
    Infrastructure::Platform::RemoveDirectoryTree(Dir.Join("dados"));
    Infrastructure::Platform::RemoveFile(Application + ".started");
    Publish(url);
    TRunningProgram launcher(Launcher);
    ASSERT_TRUE(launcher.Started());
    const HWND splash = WaitForWindow(TfrmSplash::ClassName, 20000, launcher.Id());
    ASSERT_NE(splash, nullptr);
    ASSERT_TRUE(WaitFor([&] { return ControlText(splash, TfrmSplash::lblMessage).starts_with("Instalando"); }, 60000))
        << ControlText(splash, TfrmSplash::lblMessage);
    if (closeMidway) {
      Sleep(300);
      Click(splash, TfrmSplash::btnClose);
      EXPECT_EQ(launcher.Wait(60000), TfrmSplash::ExitClosedByUser);
      const std::string installed = ReadFileBytes(Application);
      const bool updated = installed == newApplication;
      EXPECT_EQ(FileExists(Dir.Join("dados/arquivo4999.txt")), updated) << "a mix of versions";
      EXPECT_EQ(FileExists(Dir.Join("dados/arquivo0.txt")), updated) << "a mix of versions";
      EXPECT_FALSE(FileExists(Application + ".started"));
      std::printf("[ close    ] during the installation: %s version left\n", updated ? "new" : "old");
      continue;
    }
    DWORD_PTR answer = 0;
    DWORD longest = 0;
    std::set<LRESULT> positions;
    int unanswered = 0;
    while (IsWindow(splash) && ControlText(splash, TfrmSplash::lblMessage).starts_with("Instalando")) {
      const DWORD before = GetTickCount();
      if (!SendMessageTimeoutW(splash, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 200, &answer)) {
        if (!IsWindow(splash)) break;
        ++unanswered;
      }
      longest = std::max(longest, GetTickCount() - before);
      LRESULT position = 0;
      if (SendMessageTimeoutW(GetDlgItem(splash, TfrmSplash::pbProgress), PBM_GETPOS, 0, 0, SMTO_ABORTIFHUNG, 200,
                              reinterpret_cast<DWORD_PTR*>(&position)))
        positions.insert(position);
      Sleep(20);
    }
    std::printf("[ answers  ] longest wait for the window during the installation: %lu ms\n", longest);
    EXPECT_EQ(unanswered, 0);
    EXPECT_GT(positions.size(), 2u) << "the progress did not move";
    EXPECT_EQ(launcher.Wait(30000), TfrmSplash::ExitLaunched);
    EXPECT_TRUE(ReadFileBytes(Application) == newApplication);
    EXPECT_TRUE(WaitForMarker(Application));
  }
}

// Two launchers started together on the update road: the second waits for the
// first, finds the new version in place and starts it without downloading.
TEST_F(TStartupRoadsOnWindows, TwoLaunchersTakeTurnsAndTheUpdateHappensOnce) {
  using namespace Presentation::Views;
  using namespace TestSupport;
  Dir.WriteFile("QuorvaneSoftLauncher.exe", ReadFileBytes(HostPath(QL_LAUNCHER_EXE)));
  const std::string newApplication = ReadFileBytes(kNewApplication);
  const std::string oldApplication = ReadFileBytes(kOldApplication);
  const std::string packageBytes = TZipBuilder().File("QuorvaneSoft.exe", newApplication).Build();
  // Published with its digest and size, the package is fetched to a name kept across starts
  // (the same name for both launchers): the lock alone keeps them apart.
  const struct {
    const char* Name;
    bool Published;
  } cases[] = {{"downloaded whole", false}, {"fetched resumably", true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    Dir.WriteFile("QuorvaneSoft.exe", oldApplication);
    Infrastructure::Platform::RemoveFile(Application + ".started");
    const std::string package =
        ServeTestFile(Unique(std::string(c.Published ? "publicado" : "pacote") + "-lento.zip"), packageBytes);
    Publish(TestHttpUrl("/slowfile/3/" + package), "",
            c.Published
                ? "Sha256Pacote=" + Infrastructure::Crypto::ToHex(Infrastructure::Platform::Sha256Of(packageBytes)) +
                      "\r\nTamanhoPacote=" + std::to_string(packageBytes.size()) + "\r\n"
                : "");

    TRunningProgram first(Launcher);
    ASSERT_TRUE(first.Started());
    const HWND firstSplash = WaitForWindow(TfrmSplash::ClassName, 20000, first.Id());
    ASSERT_NE(firstSplash, nullptr);
    ASSERT_TRUE(
        WaitFor([&] { return ControlText(firstSplash, TfrmSplash::lblMessage).starts_with("Baixando"); }, 30000));
    TRunningProgram second(Launcher);
    ASSERT_TRUE(second.Started());
    const HWND secondSplash = WaitForWindow(TfrmSplash::ClassName, 20000, second.Id());
    ASSERT_NE(secondSplash, nullptr);
    EXPECT_TRUE(WaitFor(
        [&] { return ControlText(secondSplash, TfrmSplash::lblMessage).starts_with("Outro inicializador"); }, 30000))
        << ControlText(secondSplash, TfrmSplash::lblMessage);
    if (!c.Published) SaveScreenshot(secondSplash, "launcher_waiting_for_another_update");

    EXPECT_EQ(first.Wait(60000), TfrmSplash::ExitLaunched);
    EXPECT_EQ(second.Wait(60000), TfrmSplash::ExitLaunched);
    EXPECT_TRUE(ReadFileBytes(Application) == newApplication);
    EXPECT_TRUE(WaitForMarker(Application));
    const auto root = TestServerValue("http.root");
    ASSERT_TRUE(root);
    const std::string hits = ReadFileBytes(HostPath(*root + "/slowfile.hits"));
    size_t downloads = 0;
    for (size_t at = hits.find(package); at != std::string::npos; at = hits.find(package, at + 1)) ++downloads;
    EXPECT_EQ(downloads, 1u) << "one download for both launchers";
    EXPECT_EQ(LeftBehind(Dir.Path()), std::vector<std::string>{});
  }
}
