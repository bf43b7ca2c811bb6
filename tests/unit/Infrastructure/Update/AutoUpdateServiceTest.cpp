// The update steps over an in-memory file service and real temporary files:
// each step reports its fixed text and value once and answers what really
// happened. The Windows file system and shell take the same road under Wine.
#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <utility>
#include <vector>

#include "Infrastructure/Platform/FileSystem.h"
#include "Infrastructure/Translator/PortugueseTranslator.h"
#include "Infrastructure/Update/AutoUpdateService.h"
#include "support/MemoryFileService.h"
#include "support/RecordingProcessLauncher.h"
#include "support/TempDir.h"

using Core::ValueObjects::TUpdateInfo;
using Infrastructure::Platform::FileExists;
using Infrastructure::Update::TAutoUpdateService;
using TestSupport::TMemoryFileService;
using TestSupport::TRecordingProcessLauncher;
using TestSupport::TTempDir;

namespace {

using TReports = std::vector<std::pair<std::string, int32_t>>;

struct AutoUpdateServiceTest : ::testing::Test {
  TTempDir Dir;
  std::shared_ptr<TMemoryFileService> Files = std::make_shared<TMemoryFileService>();
  std::shared_ptr<TRecordingProcessLauncher> Launcher = std::make_shared<TRecordingProcessLauncher>();
  TAutoUpdateService Service{Files, std::make_shared<Infrastructure::Translator::TPortugueseTranslator>(), Launcher};
  TReports Reports;
  std::vector<std::pair<bool, std::string>> Completions;

  Core::Interfaces::TOnUpdateProgress Progress() {
    return [this](const std::string& AMessage, int32_t AValue) { Reports.emplace_back(AMessage, AValue); };
  }
  Core::Interfaces::TOnUpdateComplete Complete() {
    return [this](bool ASuccess, const std::string& AMessage) { Completions.emplace_back(ASuccess, AMessage); };
  }
  TUpdateInfo Info(const std::string& AUrl, const std::string& APath) {
    TUpdateInfo info;
    info.SetDownloadUrl(AUrl);
    info.SetDownloadPath(APath);
    return info;
  }
};

const std::string kDownloading = "Baixando atualiza\xC3\xA7\xC3\xA3o...";
const std::string kExtracting = "Extraindo arquivos...";
const std::string kApplying = "Aplicando atualiza\xC3\xA7\xC3\xA3o...";
const std::string kStarting = "Iniciando atualiza\xC3\xA7\xC3\xA3o...";

}  // namespace

TEST_F(AutoUpdateServiceTest, EachStepReportsItsTextAndValueOnceAndIsInProgressOnlyMeanwhile) {
  const std::string source = Dir.WriteFile("novo.exe", "novo");
  const std::string target = Dir.WriteFile("app.exe", "velho");
  const struct {
    const char* Name;
    std::function<bool(const Core::Interfaces::TOnUpdateProgress&)> Step;
    std::string Text;
    int32_t Value;
  } steps[] = {
      {"download", [&](auto& p) { return Service.DownloadUpdate(Info("http://127.0.0.1:1/p.zip", "p.zip"), p); },
       kDownloading, 50},
      {"extract", [&](auto& p) { return Service.ExtractUpdate("p.zip", "destino", p); }, kExtracting, 75},
      {"apply", [&](auto& p) { return Service.ApplyUpdate(source, target, p); }, kApplying, 90},
  };
  for (const auto& step : steps) {
    SCOPED_TRACE(step.Name);
    std::vector<bool> inProgress;
    TReports reports;
    EXPECT_TRUE(step.Step([&](const std::string& AMessage, int32_t AValue) {
      reports.emplace_back(AMessage, AValue);
      inProgress.push_back(Service.IsUpdateInProgress());
    }));
    EXPECT_EQ(reports, (TReports{{step.Text, step.Value}}));
    EXPECT_EQ(inProgress, std::vector<bool>{true});
    EXPECT_FALSE(Service.IsUpdateInProgress());
    EXPECT_TRUE(step.Step({}));  // no callback: the work alone
  }
}

TEST_F(AutoUpdateServiceTest, AnErrorFromACallbackPassesThroughAfterTheFlagIsReset) {
  const auto throwing = [](const std::string&, int32_t) { throw std::runtime_error("interface fechada"); };
  EXPECT_THROW(Service.ExtractUpdate("p.zip", "destino", throwing), std::runtime_error);
  EXPECT_FALSE(Service.IsUpdateInProgress());
  EXPECT_THROW(Service.StartUpdateProcess(Info("u", "p.zip"), throwing, {}), std::runtime_error);
  EXPECT_FALSE(Service.IsUpdateInProgress());
  EXPECT_THROW(Service.StartUpdateProcess(Info("u", "p.zip"), {},
                                          [](bool, const std::string&) { throw std::runtime_error("conclusão"); }),
               std::runtime_error);
  EXPECT_FALSE(Service.IsUpdateInProgress());
}

TEST_F(AutoUpdateServiceTest, DownloadAndExtractDoTheWorkThroughTheFileServiceAndAnswerItsOutcome) {
  for (bool answer : {true, false}) {
    SCOPED_TRACE(answer);
    Files->Calls.clear();
    Files->DownloadAnswer = answer;
    Files->ExtractAnswer = answer;
    EXPECT_EQ(Service.DownloadUpdate(Info("http://127.0.0.1:1/p.zip", "C:\\L\\temp_update.zip"), {}), answer);
    EXPECT_EQ(Service.ExtractUpdate("C:\\L\\temp_update.zip", "C:\\L", {}), answer);
    EXPECT_EQ(Files->Calls, (std::vector<TMemoryFileService::TCall>{
                                {"DownloadFile", "http://127.0.0.1:1/p.zip", "C:\\L\\temp_update.zip"},
                                {"ExtractZip", "C:\\L\\temp_update.zip", "C:\\L"}}));
  }
  // Nothing to fetch or nowhere to put it: a failure, and no traffic.
  Files->Calls.clear();
  EXPECT_FALSE(Service.DownloadUpdate(Info("", "C:\\L\\temp_update.zip"), {}));
  EXPECT_FALSE(Service.DownloadUpdate(Info("http://127.0.0.1:1/p.zip", ""), {}));
  EXPECT_FALSE(Service.DownloadUpdate(TUpdateInfo(), {}));
  EXPECT_TRUE(Files->Calls.empty());
}

TEST_F(AutoUpdateServiceTest, ApplyPutsACopyInPlaceAndKeepsTheSource) {
  const std::string source = Dir.WriteFile("temp_update.exe", "versão nova");
  const std::string target = Dir.WriteFile("app/App.exe", "versão velha");
  EXPECT_TRUE(Service.ApplyUpdate(source, target, {}));
  EXPECT_EQ(TestSupport::ReadFileBytes(target), "versão nova");
  EXPECT_EQ(TestSupport::ReadFileBytes(source), "versão nova");
  EXPECT_EQ(Infrastructure::Platform::ListDirectory(Dir.Join("app")).size(), 1u);  // nothing left beside it

  // A destination not there yet is simply created.
  EXPECT_TRUE(Service.ApplyUpdate(source, Dir.Join("app/Outro.exe"), {}));
  EXPECT_EQ(TestSupport::ReadFileBytes(Dir.Join("app/Outro.exe")), "versão nova");
  // Already in place: nothing to do.
  EXPECT_TRUE(Service.ApplyUpdate(source, source, {}));
  EXPECT_EQ(TestSupport::ReadFileBytes(source), "versão nova");
}

TEST_F(AutoUpdateServiceTest, ApplyThatCannotReplaceLeavesTheDestinationAsItWas) {
  const std::string target = Dir.WriteFile("App.exe", "versão velha");
  // No source: nothing is touched.
  EXPECT_FALSE(Service.ApplyUpdate(Dir.Join("falta.exe"), target, {}));
  EXPECT_EQ(TestSupport::ReadFileBytes(target), "versão velha");
  EXPECT_FALSE(Service.ApplyUpdate("", target, {}));
  EXPECT_FALSE(Service.ApplyUpdate(Dir.WriteFile("novo.exe", "novo"), "", {}));

  // A destination that can never be replaced (a folder): false at once, with
  // the folder and its content whole and nothing left beside it.
  const std::string folder = Dir.MakeDir("Pasta.exe");
  Dir.WriteFile("Pasta.exe/dentro.txt", "fica");
  const size_t entries = Infrastructure::Platform::ListDirectory(Dir.Path()).size();
  EXPECT_FALSE(Service.ApplyUpdate(Dir.Join("novo.exe"), folder, {}));
  EXPECT_EQ(TestSupport::ReadFileBytes(Dir.Join("Pasta.exe/dentro.txt")), "fica");
  EXPECT_EQ(Infrastructure::Platform::ListDirectory(Dir.Path()).size(), entries);

  // A destination folder that does not exist: false, and it is not created.
  EXPECT_FALSE(Service.ApplyUpdate(Dir.Join("novo.exe"), Dir.Join("falta/App.exe"), {}));
  EXPECT_FALSE(Infrastructure::Platform::DirectoryExists(Dir.Join("falta")));
}

TEST_F(AutoUpdateServiceTest, ExecuteStartsAnExistingExecutableAndAnswersWhetherItStarted) {
  Files->Files = {"C:\\App\\App.exe"};
  EXPECT_TRUE(Service.ExecuteUpdate("C:\\App\\App.exe"));
  ASSERT_EQ(Launcher->Requests.size(), 1u);
  EXPECT_EQ(Launcher->Requests[0].Program, "C:\\App\\App.exe");
  EXPECT_EQ(Launcher->Requests[0].Arguments, "");

  Launcher->Answer = {false, "Acesso negado."};
  EXPECT_FALSE(Service.ExecuteUpdate("C:\\App\\App.exe"));

  Launcher->Requests.clear();
  EXPECT_FALSE(Service.ExecuteUpdate("C:\\App\\Falta.exe"));
  EXPECT_FALSE(Service.ExecuteUpdate(""));
  EXPECT_TRUE(Launcher->Requests.empty());
  EXPECT_FALSE(Service.IsUpdateInProgress());

  TAutoUpdateService withoutLauncher(Files, nullptr);
  EXPECT_FALSE(withoutLauncher.ExecuteUpdate("C:\\App\\App.exe"));
}

TEST_F(AutoUpdateServiceTest, AZipPackageIsDownloadedExtractedBesideItAndRemoved) {
  const std::string package = Dir.WriteFile("temp_update.zip", "zip");
  Service.StartUpdateProcess(Info("http://127.0.0.1:1/p.zip", package), Progress(), Complete());
  EXPECT_EQ(Reports, (TReports{{kStarting, 0}, {kDownloading, 50}, {kExtracting, 75}}));
  EXPECT_EQ(Completions, (std::vector<std::pair<bool, std::string>>{{true, ""}}));
  ASSERT_EQ(Files->CallsOf("ExtractZip").size(), 1u);
  EXPECT_EQ(Files->CallsOf("ExtractZip")[0].Second, Dir.Path());
  EXPECT_FALSE(FileExists(package));
  EXPECT_FALSE(Service.IsUpdateInProgress());

  // An extraction folder of its own, when the information names one.
  TUpdateInfo info = Info("http://127.0.0.1:1/p.zip", Dir.WriteFile("temp_update.ZIP", "zip"));
  info.SetExtractPath("C:\\Destino");
  Service.StartUpdateProcess(info, {}, {});
  EXPECT_EQ(Files->CallsOf("ExtractZip").back().Second, "C:\\Destino");
}

TEST_F(AutoUpdateServiceTest, AnExecutablePackageReplacesTheApplicationExecutable) {
  const std::string package = Dir.WriteFile("temp_update.exe", "versão nova");
  Files->ApplicationExecutable = Dir.WriteFile("App.exe", "versão velha");
  Service.StartUpdateProcess(Info("http://127.0.0.1:1/App.exe", package), Progress(), Complete());
  EXPECT_EQ(Reports, (TReports{{kStarting, 0}, {kDownloading, 50}, {kApplying, 90}}));
  EXPECT_EQ(Completions, (std::vector<std::pair<bool, std::string>>{{true, ""}}));
  EXPECT_EQ(TestSupport::ReadFileBytes(Files->ApplicationExecutable), "versão nova");
  EXPECT_FALSE(FileExists(package));
  EXPECT_TRUE(Launcher->Requests.empty());  // starting it is the caller's decision
}

TEST_F(AutoUpdateServiceTest, AFailedStepEndsTheProcessWithItsReasonAndKeepsThePackage) {
  const std::string zip = Dir.WriteFile("temp_update.zip", "zip");
  const std::string exe = Dir.WriteFile("temp_update.exe", "exe");
  const struct {
    const char* Name;
    bool Download;
    bool Extract;
    std::string Package;
    std::string Executable;
    std::string Message;
    TReports Reports;
  } cases[] = {
      {"download",
       false,
       true,
       zip,
       "",
       "Falha na atualiza\xC3\xA7\xC3\xA3o: Erro ao baixar arquivo",
       {{kStarting, 0}, {kDownloading, 50}}},
      {"extract",
       true,
       false,
       zip,
       "",
       "Falha na atualiza\xC3\xA7\xC3\xA3o: Erro ao extrair arquivo",
       {{kStarting, 0}, {kDownloading, 50}, {kExtracting, 75}}},
      {"no executable",
       true,
       true,
       exe,
       "",
       "Falha na atualiza\xC3\xA7\xC3\xA3o: Erro ao aplicar atualiza\xC3\xA7\xC3\xA3o",
       {{kStarting, 0}, {kDownloading, 50}}},
      {"apply",
       true,
       true,
       exe,
       Dir.Join("falta/App.exe"),
       "Falha na atualiza\xC3\xA7\xC3\xA3o: Erro ao aplicar atualiza\xC3\xA7\xC3\xA3o",
       {{kStarting, 0}, {kDownloading, 50}, {kApplying, 90}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    Reports.clear();
    Completions.clear();
    Files->DownloadAnswer = c.Download;
    Files->ExtractAnswer = c.Extract;
    Files->ApplicationExecutable = c.Executable;
    Service.StartUpdateProcess(Info("http://127.0.0.1:1/p", c.Package), Progress(), Complete());
    EXPECT_EQ(Reports, c.Reports);
    EXPECT_EQ(Completions, (std::vector<std::pair<bool, std::string>>{{false, c.Message}}));
    EXPECT_TRUE(FileExists(c.Package));
    EXPECT_FALSE(Service.IsUpdateInProgress());
  }
}

TEST_F(AutoUpdateServiceTest, CheckForUpdateIsANewDefaultInformationAndCancelClearsTheFlag) {
  const TUpdateInfo info = Service.CheckForUpdate();
  EXPECT_EQ(info.CurrentVersion(), "0.0.0.0");
  EXPECT_EQ(info.MinimumVersion(), "0.0.0.0");
  EXPECT_EQ(info.LatestVersion(), "0.0.0.0");
  EXPECT_EQ(info.Status(), Core::ValueObjects::TUpdateStatus::UpToDate);
  bool during = false;
  Service.ExtractUpdate("p.zip", "d", [&](const std::string&, int32_t) {
    Service.CancelUpdate();
    during = Service.IsUpdateInProgress();
  });
  EXPECT_FALSE(during);
  EXPECT_FALSE(Service.IsUpdateInProgress());
}
