// The update service's operations: each reports its fixed text once, is in progress only
// meanwhile, and installs only through the update road (a scripted road here for what the service
// decides; the real road with the real installer on real files for what ends on disk).
#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <utility>
#include <vector>

#include "Application/UseCases/UpdateApplication.h"
#include "Infrastructure/Logging/DebugLoggerService.h"
#include "Infrastructure/Files/PackageSwap.h"
#include "Infrastructure/Platform/FileSystem.h"
#include "Infrastructure/Translator/PortugueseTranslator.h"
#include "Infrastructure/Update/AutoUpdateService.h"
#include "Infrastructure/Update/UpdateInstaller.h"
#include "support/MemoryFileService.h"
#include "support/RecordingProcessLauncher.h"
#include "support/TempDir.h"

using Core::ValueObjects::TUpdateInfo;
using Core::ValueObjects::TUpdateOutcome;
using Core::ValueObjects::TUpdatePlan;
using Core::ValueObjects::TUpdateResult;
using Infrastructure::Update::TAutoUpdateService;
using TestSupport::TMemoryFileService;
using TestSupport::TRecordingProcessLauncher;
using TestSupport::TTempDir;

namespace {

using TReports = std::vector<std::pair<std::string, int32_t>>;
using TCompletions = std::vector<std::pair<bool, std::string>>;

// The plans it was given; it reports a download and the installation's start, then ends as told.
class TScriptedRoad : public Core::Interfaces::IUpdateRoad {
 public:
  std::vector<TUpdatePlan> Plans;
  TUpdateResult Result = TUpdateResult::Installed;
  std::string Message;
  bool CancelSeen = false;
  std::function<void()> During;
  TUpdateOutcome ExecuteUpdate(const TUpdatePlan& APlan, Core::Interfaces::IUpdateObserver& AObserver,
                               const std::atomic<bool>& ACancel) override {
    Plans.push_back(APlan);
    if (APlan.LocalPackage.empty()) {
      AObserver.DownloadProgress(1, 2);
      AObserver.DownloadProgress(2, 2);
    }
    AObserver.BeginInstallation(APlan.IsZip());
    if (During) During();
    CancelSeen = ACancel;
    TUpdateOutcome outcome;
    outcome.Result = Result;
    outcome.Message = Message;
    return outcome;
  }
};

struct AutoUpdateServiceTest : ::testing::Test {
  std::shared_ptr<TMemoryFileService> Files = std::make_shared<TMemoryFileService>();
  std::shared_ptr<TRecordingProcessLauncher> Launcher = std::make_shared<TRecordingProcessLauncher>();
  TScriptedRoad Road;
  TAutoUpdateService Service{Road, Files, std::make_shared<Infrastructure::Translator::TPortugueseTranslator>(),
                             Launcher};
  TReports Reports;
  TCompletions Completions;

  Core::Interfaces::TOnUpdateProgress Progress() {
    return [this](const std::string& AMessage, int32_t AValue) { Reports.emplace_back(AMessage, AValue); };
  }
  Core::Interfaces::TOnUpdateComplete Complete() {
    return [this](bool ASuccess, const std::string& AMessage) { Completions.emplace_back(ASuccess, AMessage); };
  }
  static TUpdateInfo Info(const std::string& AUrl, const std::string& APath) {
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
  Files->Files = {"/tmp/novo.exe"};
  const struct {
    const char* Name;
    std::function<bool(const Core::Interfaces::TOnUpdateProgress&)> Step;
    std::string Text;
    int32_t Value;
  } steps[] = {
      {"download", [&](auto& p) { return Service.DownloadUpdate(Info("http://127.0.0.1:1/p.zip", "p.zip"), p); },
       kDownloading, 50},
      {"extract", [&](auto& p) { return Service.ExtractUpdate("p.zip", "destino", p); }, kExtracting, 75},
      {"apply", [&](auto& p) { return Service.ApplyUpdate("/tmp/novo.exe", "/opt/App.exe", p); }, kApplying, 90},
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

TEST_F(AutoUpdateServiceTest, InstallingOperationsGoThroughTheRoadWithThePackageOnDisk) {
  Files->Files = {"/tmp/novo.bin"};
  EXPECT_TRUE(Service.ExtractUpdate("/tmp/p.zip", "/opt/app", {}));
  EXPECT_TRUE(Service.ApplyUpdate("/tmp/novo.bin", "/opt/app/App.exe", {}));
  ASSERT_EQ(Road.Plans.size(), 2u);
  EXPECT_EQ(Road.Plans[0].LocalPackage, "/tmp/p.zip");
  EXPECT_TRUE(Road.Plans[0].IsZip());
  EXPECT_EQ(Road.Plans[0].Destination, "/opt/app");
  EXPECT_EQ(Road.Plans[1].LocalPackage, "/tmp/novo.bin");
  EXPECT_FALSE(Road.Plans[1].IsZip());  // whatever its name
  EXPECT_EQ(Road.Plans[1].Destination, "/opt/app/App.exe");

  // The road's outcome is the answer; nothing to do never reaches it.
  Road.Result = TUpdateResult::Failed;
  EXPECT_FALSE(Service.ExtractUpdate("/tmp/p.zip", "/opt/app", {}));
  EXPECT_FALSE(Service.ApplyUpdate("/tmp/novo.bin", "/opt/app/App.exe", {}));
  Road.Plans.clear();
  EXPECT_FALSE(Service.ExtractUpdate("", "/opt/app", {}));
  EXPECT_FALSE(Service.ApplyUpdate("/tmp/falta.exe", "/opt/app/App.exe", {}));
  EXPECT_FALSE(Service.ApplyUpdate("", "/opt/app/App.exe", {}));
  EXPECT_TRUE(Service.ApplyUpdate("/tmp/novo.bin", "/tmp/novo.bin", {}));  // already in place
  EXPECT_TRUE(Road.Plans.empty());
}

TEST_F(AutoUpdateServiceTest, TheWholeProcessIsOneRunOfTheRoadEndingAsItSays) {
  TUpdateInfo zip = Info("http://127.0.0.1:1/p.zip", "/opt/app/baixado.zip");
  zip.SetMinimumVersion("1.3");
  Service.StartUpdateProcess(zip, Progress(), Complete());
  EXPECT_EQ(Reports, (TReports{{kStarting, 0}, {kDownloading, 50}, {kExtracting, 75}}));
  EXPECT_EQ(Completions, (TCompletions{{true, ""}}));
  ASSERT_EQ(Road.Plans.size(), 1u);
  EXPECT_EQ(Road.Plans[0].PackageUrl, "http://127.0.0.1:1/p.zip");
  EXPECT_EQ(Road.Plans[0].MinimumVersion, "1.3");
  EXPECT_EQ(Road.Plans[0].Destination, "/opt/app");  // beside the download, when no folder is named

  zip.SetExtractPath("/srv/destino");
  Reports.clear();
  Service.StartUpdateProcess(zip, Progress(), {});
  EXPECT_EQ(Road.Plans.back().Destination, "/srv/destino");
  Service.StartUpdateProcess(Info("http://127.0.0.1:1/App.exe", ""), Progress(), {});
  EXPECT_EQ(Road.Plans.back().Destination, "");     // the application executable
  EXPECT_EQ(Road.Plans.back().MinimumVersion, "");  // the default minimum requires nothing
  EXPECT_EQ(Reports.back(), (std::pair<std::string, int32_t>{kApplying, 90}));

  const struct {
    TUpdateResult Result;
    std::string Message;
    std::string Completion;
  } endings[] = {
      {TUpdateResult::DoneByOther, "", ""},
      {TUpdateResult::Refused, "não confere", "Falha na atualiza\xC3\xA7\xC3\xA3o: não confere"},
      {TUpdateResult::Failed, "em uso", "Falha na atualiza\xC3\xA7\xC3\xA3o: em uso"},
      {TUpdateResult::Cancelled, "",
       "Falha na atualiza\xC3\xA7\xC3\xA3o: Atualiza\xC3\xA7\xC3\xA3o cancelada. Nada foi alterado."},
  };
  for (const auto& ending : endings) {
    SCOPED_TRACE(ending.Completion);
    Completions.clear();
    Road.Result = ending.Result;
    Road.Message = ending.Message;
    Service.StartUpdateProcess(zip, {}, Complete());
    EXPECT_EQ(Completions, (TCompletions{{ending.Completion.empty(), ending.Completion}}));
  }

  // Nothing to fetch, or nowhere to put it: a failure, and the road is not taken.
  Road.Plans.clear();
  Completions.clear();
  Service.StartUpdateProcess(Info("", "/opt/app/p.zip"), {}, Complete());
  Service.StartUpdateProcess(Info("http://127.0.0.1:1/p.zip", ""), {}, Complete());
  EXPECT_TRUE(Road.Plans.empty());
  EXPECT_EQ(Completions, (TCompletions(2, {false, "Falha na atualiza\xC3\xA7\xC3\xA3o: Erro ao baixar arquivo"})));
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

TEST_F(AutoUpdateServiceTest, DownloadIsTheVerifiedDownloadAndCancelReachesTheRoad) {
  for (bool answer : {true, false}) {
    SCOPED_TRACE(answer);
    Files->Calls.clear();
    Files->DownloadAnswer = answer;
    EXPECT_EQ(Service.DownloadUpdate(Info("http://127.0.0.1:1/p.zip", "/opt/app/p.zip"), {}), answer);
    EXPECT_EQ(Files->Checks.size(), answer ? 1u : 2u);
    EXPECT_EQ(Files->CallsOf("DownloadFile").size(), 1u);
  }
  Files->Calls.clear();
  EXPECT_FALSE(Service.DownloadUpdate(Info("", "/opt/app/p.zip"), {}));
  EXPECT_FALSE(Service.DownloadUpdate(Info("http://127.0.0.1:1/p.zip", ""), {}));
  EXPECT_TRUE(Files->Calls.empty());

  Road.During = [&] { Service.CancelUpdate(); };
  Service.StartUpdateProcess(Info("http://127.0.0.1:1/p.zip", "/opt/app/p.zip"), {}, {});
  EXPECT_TRUE(Road.CancelSeen);
  const TUpdateInfo info = Service.CheckForUpdate();
  EXPECT_EQ(info.CurrentVersion(), "0.0.0.0");
  EXPECT_EQ(info.Status(), Core::ValueObjects::TUpdateStatus::UpToDate);
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

  TAutoUpdateService withoutLauncher(Road, Files, nullptr);
  EXPECT_FALSE(withoutLauncher.ExecuteUpdate("C:\\App\\App.exe"));
}

// The real road, installer and files: what ApplyUpdate leaves on disk.
struct ApplyOnDiskTest : ::testing::Test {
  TTempDir Dir;
  std::shared_ptr<Core::Interfaces::ITranslator> Translator =
      std::make_shared<Infrastructure::Translator::TPortugueseTranslator>();
  Application::UseCases::TUpdateApplicationUseCase Road{Ports()};

  Application::UseCases::TUpdatePorts Ports() {
    Application::UseCases::TUpdatePorts ports;
    ports.Files = std::make_shared<TOnDisk>();
    ports.Installer = std::make_shared<Infrastructure::Update::TUpdateInstaller>(Translator);
    ports.Translator = Translator;
    ports.Logger = std::make_shared<Infrastructure::Logging::TDebugLoggerService>();
    ports.Sleep = [](uint32_t) {};
    ports.RemoveFile = [](const std::string& APath) { return Infrastructure::Platform::RemoveFile(APath); };
    return ports;
  }
  // Folders and files as they are on disk.
  class TOnDisk : public TMemoryFileService {
   public:
    bool FileExists(const std::string& APath) override { return Infrastructure::Platform::FileExists(APath); }
    bool DirectoryExists(const std::string& APath) override { return Infrastructure::Platform::DirectoryExists(APath); }
  };
};

TEST_F(ApplyOnDiskTest, ACopyGoesInPlaceTheSourceStaysAndAFailureLeavesTheDestination) {
  // What a folder holds besides the lock file the native installation lock keeps there.
  const auto entries = [](const std::string& AFolder) {
    size_t count = 0;
    for (const auto& entry : Infrastructure::Platform::ListDirectory(AFolder))
      count += entry.Name != ".~ql-update.lock";
    return count;
  };
  TAutoUpdateService service{Road, std::make_shared<TOnDisk>(), Translator};
  const std::string source = Dir.WriteFile("baixado.exe", "versão nova");
  const std::string target = Dir.WriteFile("app/App.exe", "versão velha");
  EXPECT_TRUE(service.ApplyUpdate(source, target, {}));
  EXPECT_EQ(TestSupport::ReadFileBytes(target), "versão nova");
  EXPECT_EQ(TestSupport::ReadFileBytes(source), "versão nova");
  // The old copy waits beside it for the next start, which finds the new file whole.
  EXPECT_EQ(entries(Dir.Join("app")), 3u);
  Infrastructure::Files::RecoverSwap(Dir.Join("app"));
  EXPECT_EQ(entries(Dir.Join("app")), 1u);  // nothing left beside it
  EXPECT_TRUE(service.ApplyUpdate(source, Dir.Join("app/Outro.exe"), {}));  // a new file is created
  EXPECT_EQ(TestSupport::ReadFileBytes(Dir.Join("app/Outro.exe")), "versão nova");

  // A destination that can never be replaced (a folder): false, the folder whole, nothing left beside it.
  const std::string folder = Dir.MakeDir("Pasta.exe");
  Dir.WriteFile("Pasta.exe/dentro.txt", "fica");
  const size_t before = entries(Dir.Path());
  EXPECT_FALSE(service.ApplyUpdate(source, folder, {}));
  EXPECT_EQ(TestSupport::ReadFileBytes(Dir.Join("Pasta.exe/dentro.txt")), "fica");
  EXPECT_EQ(entries(Dir.Path()), before);
  // A destination folder that does not exist: false, and it is not created.
  EXPECT_FALSE(service.ApplyUpdate(source, Dir.Join("falta/App.exe"), {}));
  EXPECT_FALSE(Infrastructure::Platform::DirectoryExists(Dir.Join("falta")));
}
