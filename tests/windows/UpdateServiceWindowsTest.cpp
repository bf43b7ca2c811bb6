// The update on a real Windows: the update service over the real road, the
// real file service downloading from the loopback server, the real installer
// replacing a file that another program holds, and the shell starting the result.
#include <gtest/gtest.h>
#include <windows.h>

#include <fstream>
#include <memory>
#include <thread>

#include "Application/UseCases/UpdateApplication.h"
#include "Infrastructure/Files/PackageSwap.h"
#include "Infrastructure/Files/WindowsFileService.h"
#include "Infrastructure/Logging/DebugLoggerService.h"
#include "Infrastructure/Platform/FileSystem.h"
#include "Infrastructure/Platform/Win32/Handles.h"
#include "Infrastructure/Platform/Win32/ShellProcessLauncher.h"
#include "Infrastructure/Platform/Win32/WinText.h"
#include "Infrastructure/Translator/PortugueseTranslator.h"
#include "Infrastructure/Update/AutoUpdateService.h"
#include "Infrastructure/Update/UpdateInstaller.h"
#include "support/TempDir.h"
#include "support/TestServers.h"
#include "support/Utf8Path.h"
#include "support/ZipBuilder.h"

using Core::ValueObjects::TUpdateInfo;
using Infrastructure::Platform::FileExists;
using Infrastructure::Platform::Win32::TFileHandle;
using Infrastructure::Platform::Win32::ToWide;
using Infrastructure::Update::TAutoUpdateService;
using TestSupport::TTempDir;

namespace {

const std::string kMarkerProgram = TestSupport::HostPath(QL_BUILD_DIR "/started_marker.exe");

// The marker a started_marker.exe copy leaves, waited for up to 20 s.
std::string WaitForMarker(const std::string& AProgram) {
  const std::string marker = AProgram + ".started";
  for (int i = 0; i < 200 && !FileExists(marker); ++i) Sleep(100);
  return FileExists(marker) ? TestSupport::ReadFileBytes(marker) : std::string("(não iniciou)");
}

// Another program with the file open for reading and writing but not for
// deletion: Windows refuses to replace it meanwhile.
TFileHandle Hold(const std::string& APath) {
  return TFileHandle(CreateFileW(ToWide(APath).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
}

struct TUpdateOnWindows : ::testing::Test {
  TTempDir Dir;
  std::shared_ptr<Infrastructure::Files::TWindowsFileService> Files =
      std::make_shared<Infrastructure::Files::TWindowsFileService>(Ports());
  std::shared_ptr<Infrastructure::Platform::Win32::TShellProcessLauncher> Launcher =
      std::make_shared<Infrastructure::Platform::Win32::TShellProcessLauncher>();
  std::shared_ptr<Core::Interfaces::ITranslator> Translator =
      std::make_shared<Infrastructure::Translator::TPortugueseTranslator>();
  Application::UseCases::TUpdateApplicationUseCase Road{RoadPorts()};
  TAutoUpdateService Service{Road, Files, Translator, Launcher};
  std::vector<std::pair<bool, std::string>> Completions;

  Core::Interfaces::TOnUpdateComplete Complete() {
    return [this](bool ASuccess, const std::string& AMessage) { Completions.emplace_back(ASuccess, AMessage); };
  }
  Application::UseCases::TUpdatePorts RoadPorts() {
    Application::UseCases::TUpdatePorts ports;
    ports.Files = Files;
    ports.Installer = std::make_shared<Infrastructure::Update::TUpdateInstaller>(Translator);
    ports.Translator = Translator;
    ports.Logger = std::make_shared<Infrastructure::Logging::TDebugLoggerService>();
    ports.Sleep = [](uint32_t AMs) { Sleep(AMs); };
    ports.RemoveFile = [](const std::string& APath) { return Infrastructure::Platform::RemoveFile(APath); };
    ports.LauncherPath = Dir.Join("QuorvaneSoftLauncher.exe");
    return ports;
  }
  // The real ports, with the launcher in the test's folder and no fixed folders.
  Infrastructure::Files::TFileServicePorts Ports() const {
    Infrastructure::Files::TFileServicePorts ports = Infrastructure::Files::TFileServicePorts::Defaults();
    ports.LauncherPath = Dir.Join("QuorvaneSoftLauncher.exe");
    ports.ApplicationFolders.clear();
    return ports;
  }
  TUpdateInfo Info(const std::string& AUrl, const std::string& APackage) {
    TUpdateInfo info;
    info.SetDownloadUrl(AUrl);
    info.SetDownloadPath(Dir.Join(APackage));
    return info;
  }
};

}  // namespace

TEST_F(TUpdateOnWindows, TheShellStartsAProgramWithItsArgumentsOrSaysWhyNot) {
  const std::string program = Dir.Join("Aplicação.exe");
  ASSERT_TRUE(CopyFileW(ToWide(kMarkerProgram).c_str(), ToWide(program).c_str(), FALSE));
  const auto started = Launcher->Open(program, "um \"dois três\"");
  EXPECT_TRUE(started.Started) << started.ErrorMessage;
  EXPECT_NE(WaitForMarker(program).find("um \"dois três\""), std::string::npos);

  const auto missing = Launcher->Open(Dir.Join("nao-existe.exe"));
  EXPECT_FALSE(missing.Started);
  EXPECT_FALSE(missing.ErrorMessage.empty());
  EXPECT_FALSE(Launcher->Open("").Started);
}

TEST_F(TUpdateOnWindows, AnExecutablePackageReplacesTheApplicationAndStarts) {
  const std::string application = Dir.WriteFile("QuorvaneSoftZentaro.exe", "versão velha");
  const std::string program = TestSupport::ReadFileBytes(kMarkerProgram);
  TestSupport::ServeTestFile("App-nova.exe", program);

  Service.StartUpdateProcess(Info(TestSupport::TestHttpUrl("/files/App-nova.exe"), "temp_update.exe"), {}, Complete());
  EXPECT_EQ(Completions, (std::vector<std::pair<bool, std::string>>{{true, ""}}));
  EXPECT_TRUE(TestSupport::ReadFileBytes(application) == program);
  EXPECT_FALSE(FileExists(Dir.Join("temp_update.exe")));

  EXPECT_TRUE(Service.ExecuteUpdate(application));
  EXPECT_NE(WaitForMarker(application).find("QuorvaneSoftZentaro.exe"), std::string::npos);
}

TEST_F(TUpdateOnWindows, AZipPackageIsExtractedBesideTheDownload) {
  TestSupport::ServeTestFile(
      "pacote-teste.zip",
      TestSupport::TZipBuilder().File("QuorvaneSoftZentaro.exe", "programa").File("Dados/leia.txt", "texto").Build());
  Service.StartUpdateProcess(Info(TestSupport::TestHttpUrl("/redirect/1/files/pacote-teste.zip"), "temp_update.zip"),
                             {}, Complete());
  EXPECT_EQ(Completions, (std::vector<std::pair<bool, std::string>>{{true, ""}}));
  EXPECT_EQ(TestSupport::ReadFileBytes(Dir.Join("QuorvaneSoftZentaro.exe")), "programa");
  EXPECT_EQ(TestSupport::ReadFileBytes(Dir.Join("Dados\\leia.txt")), "texto");
  EXPECT_FALSE(FileExists(Dir.Join("temp_update.zip")));
}

TEST_F(TUpdateOnWindows, AFailedDownloadLeavesTheApplicationAsItWas) {
  const std::string application = Dir.WriteFile("QuorvaneSoftZentaro.exe", "versão velha");
  Service.StartUpdateProcess(Info(TestSupport::TestHttpUrl("/status/404"), "temp_update.exe"), {}, Complete());
  EXPECT_EQ(Completions, (std::vector<std::pair<bool, std::string>>{
                             {false, "Falha na atualiza\xC3\xA7\xC3\xA3o: Erro ao baixar arquivo"}}));
  EXPECT_EQ(TestSupport::ReadFileBytes(application), "versão velha");
  // The error page is not left behind (earlier versions kept it beside the application).
  EXPECT_EQ(Infrastructure::Platform::ListDirectory(Dir.Path()).size(), 1u);
}

TEST_F(TUpdateOnWindows, ApplyWaitsForAFileHeldForAMomentAndGivesUpOnOneHeldForGood) {
  const std::string source = Dir.WriteFile("temp_update.exe", "versão nova");
  const std::string target = Dir.WriteFile("App.exe", "versão velha");
  {
    TFileHandle held = Hold(target);
    ASSERT_TRUE(held.Valid());
    std::thread release([&] {
      Sleep(300);
      held.Reset();
    });
    EXPECT_TRUE(Service.ApplyUpdate(source, target, {}));
    release.join();
  }
  EXPECT_EQ(TestSupport::ReadFileBytes(target), "versão nova");
  Infrastructure::Files::RecoverSwap(Dir.Path());  // the next start: the old copy goes once the new file checks out

  const std::string other = Dir.WriteFile("Outro.exe", "versão velha");
  const TFileHandle held = Hold(other);
  ASSERT_TRUE(held.Valid());
  const size_t entries = Infrastructure::Platform::ListDirectory(Dir.Path()).size();
  EXPECT_FALSE(Service.ApplyUpdate(source, other, {}));
  EXPECT_EQ(TestSupport::ReadFileBytes(other), "versão velha");
  EXPECT_EQ(Infrastructure::Platform::ListDirectory(Dir.Path()).size(), entries);  // no copy left beside it
}

// On real mounts (tests/fixtures/servers/folders.sh): an installation this user may not change, and
// a full disk, are said to be what they are, not a network failure, and the application stays.
TEST_F(TUpdateOnWindows, AFolderThatRefusesTheUpdateOrAFullDiskIsNamedAndNothingChanges) {
  const std::optional<std::string> readOnly = TestSupport::TestServerValue("folders.readonly");
  const std::optional<std::string> full = TestSupport::TestServerValue("folders.full");
  if (!readOnly || !full) GTEST_SKIP() << TestSupport::TestServerValue("folders.unavailable").value_or("no mounts");
  const std::string readOnlyFolder = TestSupport::HostPath(*readOnly);
  const std::string fullFolder = TestSupport::HostPath(*full);
  // Twice what the small disk holds, and not compressible, so the download itself fills it.
  std::string noise(512 * 1024, '\0');
  uint32_t state = 12345;
  for (char& c : noise) c = static_cast<char>((state = state * 1103515245u + 12345u) >> 24);
  const std::string zip =
      TestSupport::TZipBuilder().File("QuorvaneSoft.exe", "versão nova").File("dados.bin", noise).Build();
  const std::string package =
      TestSupport::TestHttpUrl("/files/" + TestSupport::ServeTestFile("pacote-grande.zip", zip));
  const struct {
    const char* Name;
    std::string Folder;
    std::string LocalPackage;  // installed from disk: the download is not what fails
    const char* Key;
  } cases[] = {
      {"read-only installation, download", readOnlyFolder, "", "FolderNotWritable"},
      {"read-only installation, package on disk", readOnlyFolder, "pacote.zip", "FolderNotWritable"},
      {"full disk, download", fullFolder, "", "FolderDiskFull"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    Application::UseCases::TUpdatePorts ports = RoadPorts();
    ports.LauncherPath = Infrastructure::Platform::JoinPath(c.Folder, "QuorvaneSoftLauncher.exe");
    Infrastructure::Files::TFileServicePorts filePorts = Ports();
    filePorts.LauncherPath = ports.LauncherPath;
    ports.Files = std::make_shared<Infrastructure::Files::TWindowsFileService>(filePorts);
    Application::UseCases::TUpdateApplicationUseCase road(ports);
    Core::ValueObjects::TUpdatePlan plan;
    plan.PackageUrl = package;
    plan.LauncherPath = ports.LauncherPath;
    if (!c.LocalPackage.empty()) {
      plan.LocalPackage = Dir.WriteFile(c.LocalPackage, zip);
      plan.Destination = c.Folder;
    }
    Core::Interfaces::IUpdateObserver observer;
    const std::atomic<bool> cancel{false};
    const Core::ValueObjects::TUpdateOutcome outcome = road.ExecuteUpdate(plan, observer, cancel);
    EXPECT_EQ(outcome.Result, Core::ValueObjects::TUpdateResult::Failed);
    EXPECT_EQ(outcome.Message, Translator->TranslateFormat(c.Key, {c.Folder}));
  }
  EXPECT_EQ(TestSupport::ReadFileBytes(Infrastructure::Platform::JoinPath(readOnlyFolder, "QuorvaneSoft.exe")),
            "versão antiga");
  EXPECT_TRUE(Infrastructure::Platform::ListDirectory(fullFolder).empty()) << "a partial download was left";
}
