// The update road without any window: each step's failure, the wait for another launcher and its
// deadline, cancelling at each step and the version check after the wait, over an in-memory file
// service and a scripted installer (the real installer takes the same road in the Windows tests).
#include "Application/UseCases/UpdateApplication.h"

#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>

#include "Core/Text/PathText.h"
#include "Infrastructure/Logging/DebugLoggerService.h"
#include "Infrastructure/Translator/PortugueseTranslator.h"
#include "Infrastructure/Update/AutoUpdateService.h"
#include "support/MemoryFileService.h"
#include "support/ScriptedInstaller.h"

using Application::UseCases::TUpdateApplicationUseCase;
using Core::ValueObjects::TDownloadVerdict;
using Core::ValueObjects::TUpdateInfo;
using Core::ValueObjects::TUpdateOutcome;
using Core::ValueObjects::TUpdatePlan;
using Core::ValueObjects::TUpdateResult;
using TestSupport::TMemoryFileService;
using TestSupport::TScriptedInstaller;

namespace {

const std::string kFolder = "/opt/qs";
const std::string kLauncher = kFolder + "/QuorvaneSoftLauncher.exe";
const std::string kApp = kFolder + "/QuorvaneSoft.exe";
const std::string kZipDownload = Core::Text::JoinPath(kFolder, "download.zip");

// Records what the road reports; BeginInstallation answers as told.
class TRecordingObserver : public Core::Interfaces::IUpdateObserver {
 public:
  std::vector<std::string> Events;
  bool Begin = true;
  std::function<void()> OnDownload;
  void WaitingForOtherLauncher() override { Events.push_back("waiting"); }
  void DownloadPlanned(int64_t AToFetch, int64_t APackageSize, bool AChangedOnly) override {
    Events.push_back("planned " + std::to_string(AToFetch) + "/" + std::to_string(APackageSize) +
                     (AChangedOnly ? " changed" : " whole"));
  }
  void DownloadProgress(int64_t AReceived, int64_t ATotal) override {
    Events.push_back("download " + std::to_string(AReceived) + "/" + std::to_string(ATotal));
    if (OnDownload) OnDownload();
  }
  bool BeginInstallation(bool AZip) override {
    Events.push_back(AZip ? "install zip" : "install exe");
    return Begin;
  }
  void InstallationProgress(int64_t, int64_t) override {
    if (Events.back() != "installing") Events.push_back("installing");
  }
};

// A download that reports its progress once.
class TFiles : public TMemoryFileService {
 public:
  Core::ValueObjects::TDownloadVerdict DownloadVerifiedFile(const std::string& AUrl, const std::string& APath,
                                                            const Core::ValueObjects::TDownloadCheck& ACheck,
                                                            Core::Interfaces::TProgressProc AOnProgress) override {
    if (AOnProgress) AOnProgress(10, 10);
    return TMemoryFileService::DownloadVerifiedFile(AUrl, APath, ACheck, AOnProgress);
  }
};

class TRecordingLogger : public Infrastructure::Logging::TDebugLoggerService {
 public:
  void Log(const std::string& ALevel, const std::string& AMessage) override {
    Lines.push_back(ALevel + " " + AMessage);
  }
  std::vector<std::string> Matching(const std::string& APart) const {
    std::vector<std::string> found;
    for (const std::string& line : Lines)
      if (line.find(APart) != std::string::npos) found.push_back(line);
    return found;
  }
  std::vector<std::string> Lines;
};

// The package fetcher as the road sees it: what it was asked, what it answers, what it discarded.
class TScriptedFetcher : public Core::Interfaces::IPackageFetcher {
 public:
  Core::Interfaces::TFetchedPackage Answer;
  std::vector<Core::Interfaces::TPackageFetchRequest> Requests;
  std::vector<std::string> Discarded;

  Core::Interfaces::TFetchedPackage Fetch(const Core::Interfaces::TPackageFetchRequest& ARequest) override {
    Requests.push_back(ARequest);
    if (ARequest.OnPlanned) ARequest.OnPlanned(4, 10, Answer.ChangedOnly);
    if (ARequest.OnProgress) ARequest.OnProgress(4, 4);
    return Answer;
  }
  void Discard(const Core::Interfaces::TFetchedPackage& APackage) override { Discarded.push_back(APackage.Path); }
};

struct TRoad {
  TRoad() {
    Files->ApplicationExecutable = kApp;
    Files->Files.insert(kApp);
    Files->Directories.insert(kFolder);
    Files->Version = "1.2.0.0";
  }
  TUpdateApplicationUseCase& UseCase() {
    if (!FUseCase) {
      Application::UseCases::TUpdatePorts ports;
      ports.Files = Files;
      ports.Installer = Installer;
      ports.Translator = std::make_shared<Infrastructure::Translator::TPortugueseTranslator>();
      ports.Logger = Logger;
      ports.Sleep = [this](uint32_t AMs) {
        ++Polls;
        if (OnPoll) OnPoll();
        ASSERT_EQ(AMs, TUpdateApplicationUseCase::kLockPollMs);
      };
      ports.RemoveFile = [this](const std::string& APath) {
        Removed.push_back(APath);
        return true;
      };
      ports.LauncherPath = kLauncher;
      ports.ServiceFactory = Infrastructure::Update::AutoUpdateServiceFactory(Files, ports.Translator, nullptr);
      ports.Packages = Packages;
      FUseCase = std::make_unique<TUpdateApplicationUseCase>(ports);
    }
    return *FUseCase;
  }
  TUpdateOutcome Run(const TUpdatePlan& APlan) { return UseCase().ExecuteUpdate(APlan, Observer, Cancel); }

  std::shared_ptr<TFiles> Files = std::make_shared<TFiles>();
  std::shared_ptr<TScriptedInstaller> Installer = std::make_shared<TScriptedInstaller>();
  std::shared_ptr<TScriptedFetcher> Packages;  // set: ZIP packages with a digest go through it
  std::shared_ptr<Core::Interfaces::ILoggerService> Logger =
      std::make_shared<Infrastructure::Logging::TDebugLoggerService>();
  TRecordingObserver Observer;
  std::atomic<bool> Cancel{false};
  std::vector<std::string> Removed;
  int Polls = 0;
  std::function<void()> OnPoll;

 private:
  std::unique_ptr<TUpdateApplicationUseCase> FUseCase;
};

TUpdatePlan Plan(const std::string& AUrl, const std::string& ADatabase = "1.3.0.0") {
  TUpdatePlan plan;
  plan.PackageUrl = AUrl;
  plan.DatabaseVersion = ADatabase;
  plan.MinimumVersion = "1.2.5.0";
  plan.LauncherPath = kLauncher;
  return plan;
}

using TEvents = std::vector<std::string>;

}  // namespace

TEST(UpdateRoad, InstallsAVerifiedPackageAndRemovesItsDownload) {
  {
    SCOPED_TRACE("zip package: extracted into the launcher's folder");
    TRoad road;
    TUpdatePlan plan = Plan("http://127.0.0.1/app.zip");
    plan.PackageCheck.Sha256 = std::string(64, 'a');
    plan.PackageCheck.Size = 99;
    const TUpdateOutcome outcome = road.Run(plan);
    EXPECT_EQ(outcome.Result, TUpdateResult::Installed);
    EXPECT_EQ(outcome.Message, "UpdateCompletedSuccess");
    EXPECT_EQ(road.Observer.Events, (TEvents{"download 10/10", "install zip", "installing"}));
    ASSERT_EQ(road.Files->Checks.size(), 1u);  // the published digest and size go with the download
    EXPECT_EQ(road.Files->Checks[0].Sha256, plan.PackageCheck.Sha256);
    EXPECT_EQ(road.Files->Checks[0].Size, 99);
    ASSERT_EQ(road.Installer->Requests.size(), 1u);
    const Core::Interfaces::TInstallRequest& request = road.Installer->Requests[0];
    EXPECT_EQ(request.Kind, Core::Interfaces::TPackageKind::Zip);
    EXPECT_EQ(request.PackagePath, kZipDownload);
    EXPECT_FALSE(request.KeepPackage);
    EXPECT_EQ(request.Destination, kFolder);
    EXPECT_EQ(request.ApplicationExecutable, kApp);
    EXPECT_EQ(request.RequiredVersion, "1.3.0.0");           // the newer of the database's and the minimum
    EXPECT_EQ(road.Installer->Recovered, TEvents{kFolder});  // with the lock, before anything else
    EXPECT_EQ(road.Installer->Releases, 1);
    EXPECT_EQ(road.Removed, TEvents{kZipDownload});
  }
  {
    SCOPED_TRACE("executable package: replaces the application executable");
    TRoad road;
    const TUpdateOutcome outcome = road.Run(Plan("http://127.0.0.1/App.EXE"));
    EXPECT_EQ(outcome.Result, TUpdateResult::Installed);
    EXPECT_EQ(outcome.Message, "DownloadCompleted");
    ASSERT_EQ(road.Installer->Requests.size(), 1u);
    EXPECT_EQ(road.Installer->Requests[0].Kind, Core::Interfaces::TPackageKind::Executable);
    EXPECT_EQ(road.Installer->Requests[0].Destination, kApp);
    EXPECT_EQ(road.Removed, TEvents{Core::Text::JoinPath(kFolder, "download.exe")});
  }
}

TEST(UpdateRoad, APublishedZipPackageIsFetchedInPartOnlyWithAVerifiedManifest) {
  using Core::ValueObjects::TReleaseTrust;
  const std::string kPart = kFolder + "/.~ql-download-x.zip.part";
  const struct {
    const char* name;
    TReleaseTrust trust;
    bool changedOnly;
    Core::ValueObjects::TDownloadVerdict verdict;
    bool cancelled;
    TUpdateResult result;
    TEvents events;
  } cases[] = {
      {"only what changed",
       TReleaseTrust::Verified,
       true,
       Core::ValueObjects::TDownloadVerdict::Ok,
       false,
       TUpdateResult::Installed,
       {"planned 4/10 changed", "download 4/4", "install zip", "installing"}},
      {"whole, unkeyed: no manifest asked",
       TReleaseTrust::Unkeyed,
       false,
       Core::ValueObjects::TDownloadVerdict::Ok,
       false,
       TUpdateResult::Installed,
       {"planned 4/10 whole", "download 4/4", "install zip", "installing"}},
      {"a fetch cut short: kept for the next start",
       TReleaseTrust::Verified,
       false,
       Core::ValueObjects::TDownloadVerdict::Failed,
       false,
       TUpdateResult::Failed,
       {"planned 4/10 whole", "download 4/4"}},
      {"refused: not what was published",
       TReleaseTrust::Verified,
       false,
       Core::ValueObjects::TDownloadVerdict::DigestMismatch,
       false,
       TUpdateResult::Refused,
       {"planned 4/10 whole", "download 4/4"}},
      {"closed while fetching",
       TReleaseTrust::Verified,
       false,
       Core::ValueObjects::TDownloadVerdict::Failed,
       true,
       TUpdateResult::Cancelled,
       {"planned 4/10 whole", "download 4/4"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TRoad road;
    road.Packages = std::make_shared<TScriptedFetcher>();
    road.Packages->Answer.Verdict = c.verdict;
    road.Packages->Answer.Cancelled = c.cancelled;
    road.Packages->Answer.ChangedOnly = c.changedOnly;
    if (c.verdict == Core::ValueObjects::TDownloadVerdict::Ok) road.Packages->Answer.Path = kPart;
    if (c.changedOnly) {
      road.Packages->Answer.Manifest = "QLMF...";
      road.Packages->Answer.Entries = {2, 7};
    }
    TUpdatePlan plan = Plan("http://127.0.0.1/app.zip");
    plan.Trust = c.trust;
    plan.PackageCheck = {std::string(64, 'a'), 10};
    plan.ManifestCheck = {std::string(64, 'b'), 3};
    EXPECT_EQ(road.Run(plan).Result, c.result);
    EXPECT_EQ(road.Observer.Events, c.events);
    EXPECT_TRUE(road.Files->Checks.empty());  // not downloaded a second way
    ASSERT_EQ(road.Packages->Requests.size(), 1u);
    const Core::Interfaces::TPackageFetchRequest& asked = road.Packages->Requests[0];
    EXPECT_EQ(asked.Folder, kFolder);
    EXPECT_EQ(asked.Check.Sha256, plan.PackageCheck.Sha256);
    EXPECT_EQ(asked.ManifestCheck.Sha256, c.trust == TReleaseTrust::Verified ? plan.ManifestCheck.Sha256 : "");
    if (c.result == TUpdateResult::Installed) {
      ASSERT_EQ(road.Installer->Requests.size(), 1u);
      const Core::Interfaces::TInstallRequest& request = road.Installer->Requests[0];
      EXPECT_EQ(request.PackagePath, kPart);
      EXPECT_EQ(request.ChangedOnly, c.changedOnly);
      EXPECT_EQ(request.Entries, (c.changedOnly ? std::vector<size_t>{2, 7} : std::vector<size_t>{}));
      EXPECT_EQ(road.Packages->Discarded, TEvents{kPart});
    } else {
      EXPECT_TRUE(road.Installer->Requests.empty());
      EXPECT_TRUE(road.Packages->Discarded.empty());  // what a cut fetch kept is the fetcher's
    }
    EXPECT_TRUE(road.Removed.empty());
  }
  {
    SCOPED_TRACE("no digest published: downloaded whole as before");
    TRoad road;
    road.Packages = std::make_shared<TScriptedFetcher>();
    EXPECT_EQ(road.Run(Plan("http://127.0.0.1/app.zip")).Result, TUpdateResult::Installed);
    EXPECT_TRUE(road.Packages->Requests.empty());
    EXPECT_EQ(road.Removed, TEvents{kZipDownload});
  }
}

TEST(UpdateRoad, TheLogNamesEveryFileReplaced) {
  TRoad road;
  auto logger = std::make_shared<TRecordingLogger>();
  road.Logger = logger;
  road.Installer->Replaces = {"/opt/qs/QuorvaneSoft.exe", "/opt/qs/lib/x.dll"};
  EXPECT_EQ(road.Run(Plan("http://127.0.0.1/app.zip")).Result, TUpdateResult::Installed);
  EXPECT_EQ(logger->Matching("Arquivo substituído"),
            (TEvents{"INFO ExecuteUpdate - Arquivo substituído: /opt/qs/QuorvaneSoft.exe",
                     "INFO ExecuteUpdate - Arquivo substituído: /opt/qs/lib/x.dll"}));
}

TEST(UpdateRoad, EachStepThatFailsEndsTheRoadWithItsReasonAndNothingInstalled) {
  const struct {
    const char* Name;
    std::function<void(TRoad&)> Arrange;
    TUpdateResult Result;
    std::string Message;  // the beginning of the user's text
    bool Downloaded;
  } cases[] = {
      {"download failed", [](TRoad& r) { r.Files->DownloadAnswer = false; }, TUpdateResult::Failed,
       "Erro ao baixar arquivo", true},
      {"not what was published", [](TRoad& r) { r.Files->VerdictAnswer = TDownloadVerdict::DigestMismatch; },
       TUpdateResult::Refused, "O arquivo baixado de http://127.0.0.1/app.zip não confere", true},
      {"a proxy that refuses the user", [](TRoad& r) { r.Files->VerdictAnswer = TDownloadVerdict::ProxyRefused; },
       TUpdateResult::Refused, "O proxy da rede recusou a conexão", true},
      // The folder, not the network: the message names the folder.
      {"a folder this user may not change",
       [](TRoad& r) { r.Files->VerdictAnswer = TDownloadVerdict::FolderNotWritable; }, TUpdateResult::Failed,
       "Este usuário não tem permissão para alterar a pasta \"" + kFolder + "\"", true},
      {"a full disk", [](TRoad& r) { r.Files->VerdictAnswer = TDownloadVerdict::DiskFull; }, TUpdateResult::Failed,
       "Não há espaço livre no disco da pasta \"" + kFolder + "\"", true},
      {"installation refused", [](TRoad& r) { r.Installer->Error = "O arquivo \"x.dll\" está em uso"; },
       TUpdateResult::Failed, "O arquivo \"x.dll\" está em uso", true},
      {"unexpected error",
       [](TRoad& r) { r.Installer->WhileInstalling = [] { throw std::runtime_error("disco sumiu"); }; },
       TUpdateResult::Failed, "Exceção no download: disco sumiu", true},
      {"no installation folder", [](TRoad& r) { r.Files->Directories.clear(); }, TUpdateResult::Failed,
       "A atualização não pôde ser instalada (a pasta \"/opt/qs\" não existe)", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    TRoad road;
    c.Arrange(road);
    const TUpdateOutcome outcome = road.Run(Plan("http://127.0.0.1/app.zip"));
    EXPECT_EQ(outcome.Result, c.Result);
    EXPECT_EQ(outcome.Message.rfind(c.Message, 0), 0u) << outcome.Message;
    // A download that failed or was refused never outlives the road.
    EXPECT_EQ(road.Removed, c.Downloaded ? TEvents{kZipDownload} : TEvents{});
    if (c.Result == TUpdateResult::Refused) {
      EXPECT_TRUE(road.Installer->Requests.empty());
    }
  }
}

TEST(UpdateRoad, ABuildWithKeysDownloadsOnlyWhatAVerifiedDocumentPublishedADigestAndSizeFor) {
  using Core::ValueObjects::TReleaseTrust;
  const std::string kUrl = "http://127.0.0.1/app.zip";
  const struct {
    const char* Name;
    TReleaseTrust Trust;
    std::string Sha256;
    int64_t Size;
    std::string Refusal;  // the beginning of the user's text; empty: downloaded
  } cases[] = {
      {"no keys, nothing published", TReleaseTrust::Unkeyed, "", -1, ""},
      {"verified with digest and size", TReleaseTrust::Verified, std::string(64, 'a'), 10, ""},
      {"verified without a size", TReleaseTrust::Verified, std::string(64, 'a'), -1,
       "As informações de atualização não publicam o SHA-256 e o tamanho de " + kUrl},
      {"verified without a digest", TReleaseTrust::Verified, "", 10,
       "As informações de atualização não publicam o SHA-256"},
      {"signature did not verify", TReleaseTrust::Unverified, std::string(64, 'a'), 10,
       "As informações de atualização não puderam ser verificadas"},
      {"signature did not verify, no package named", TReleaseTrust::Unverified, "", -1,
       "As informações de atualização não puderam ser verificadas"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    TRoad road;
    TUpdatePlan plan = Plan(c.Trust == TReleaseTrust::Unverified && c.Sha256.empty() ? "" : kUrl);
    plan.Trust = c.Trust;
    plan.PackageCheck.Sha256 = c.Sha256;
    plan.PackageCheck.Size = c.Size;
    const TUpdateOutcome outcome = road.Run(plan);
    if (c.Refusal.empty()) {
      EXPECT_EQ(outcome.Result, TUpdateResult::Installed);
      continue;
    }
    EXPECT_EQ(outcome.Result, TUpdateResult::Refused);
    EXPECT_EQ(outcome.Message.rfind(c.Refusal, 0), 0u) << outcome.Message;
    // Refused before anything is locked or fetched.
    EXPECT_TRUE(road.Files->Checks.empty());
    EXPECT_TRUE(road.Installer->Recovered.empty());
    EXPECT_TRUE(road.Observer.Events.empty());
  }
}

TEST(UpdateRoad, AnotherLauncherIsWaitedForAndTheVersionCheckedAgain) {
  {
    SCOPED_TRACE("it installed what was needed: no download");
    TRoad road;
    road.Installer->BusyPolls = 3;
    road.OnPoll = [&] { road.Files->Version = "1.3.0.0"; };
    const TUpdateOutcome outcome = road.Run(Plan("http://127.0.0.1/app.zip"));
    EXPECT_EQ(outcome.Result, TUpdateResult::DoneByOther);
    EXPECT_EQ(outcome.ExecutableVersion, "1.3.0.0");
    EXPECT_EQ(outcome.Message, "UpdateCompletedSuccess");
    EXPECT_EQ(road.Observer.Events, TEvents{"waiting"});
    EXPECT_EQ(road.Polls, 2);                                // the first answer started the wait
    EXPECT_EQ(road.Installer->Recovered, TEvents{kFolder});  // a holder that died is finished or undone
    EXPECT_TRUE(road.Files->CallsOf("DownloadFile").empty());
  }
  {
    SCOPED_TRACE("the update is still needed: this launcher does it");
    TRoad road;
    road.Installer->BusyPolls = 2;
    EXPECT_EQ(road.Run(Plan("http://127.0.0.1/app.zip")).Result, TUpdateResult::Installed);
    EXPECT_EQ(road.Observer.Events.front(), "waiting");
    EXPECT_EQ(road.Installer->Requests.size(), 1u);
  }
  {
    SCOPED_TRACE("it never lets go: the wait ends at its deadline with nothing changed");
    TRoad road;
    road.Installer->BusyPolls = 1 << 30;
    const TUpdateOutcome outcome = road.Run(Plan("http://127.0.0.1/app.zip"));
    EXPECT_EQ(outcome.Result, TUpdateResult::Failed);
    EXPECT_EQ(outcome.Message,
              "Outro inicializador está atualizando a aplicação há mais de 5 minutos. Nada foi alterado: tente "
              "novamente mais tarde.");
    EXPECT_EQ(road.Polls,
              static_cast<int>(TUpdateApplicationUseCase::kWaitLimitMs / TUpdateApplicationUseCase::kLockPollMs));
    EXPECT_TRUE(road.Files->CallsOf("DownloadFile").empty());
    EXPECT_TRUE(road.Installer->Recovered.empty());
  }
}

TEST(UpdateRoad, CancelledAtEachStepBeforeTheInstallationNothingChanges) {
  const struct {
    const char* Name;
    std::function<void(TRoad&)> Arrange;
    bool Downloaded;
  } cases[] = {
      {"while waiting for another launcher",
       [](TRoad& r) {
         r.Installer->BusyPolls = 10;
         r.OnPoll = [&r] { r.Cancel = true; };
       },
       false},
      {"before the download", [](TRoad& r) { r.Cancel = true; }, false},
      {"during the download", [](TRoad& r) { r.Observer.OnDownload = [&r] { r.Cancel = true; }; }, true},
      {"the window refuses the installation", [](TRoad& r) { r.Observer.Begin = false; }, true},
      {"while staging", [](TRoad& r) { r.Installer->WhileInstalling = [&r] { r.Cancel = true; }; }, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    TRoad road;
    c.Arrange(road);
    EXPECT_EQ(road.Run(Plan("http://127.0.0.1/app.zip")).Result, TUpdateResult::Cancelled);
    EXPECT_EQ(road.Removed, c.Downloaded ? TEvents{kZipDownload} : TEvents{});
  }
}

TEST(UpdateRoad, APackageOnDiskIsInstalledWhereAskedAndKept) {
  TRoad road;
  road.Files->Directories.insert("/dados/app");
  TUpdatePlan plan;
  plan.LocalPackage = "/tmp/novo.bin";
  plan.LocalPackageIsZip = false;
  plan.Destination = "/dados/app/App.exe";
  EXPECT_EQ(road.Run(plan).Result, TUpdateResult::Installed);
  ASSERT_EQ(road.Installer->Requests.size(), 1u);
  EXPECT_EQ(road.Installer->Requests[0].Kind, Core::Interfaces::TPackageKind::Executable);
  EXPECT_EQ(road.Installer->Requests[0].PackagePath, "/tmp/novo.bin");
  EXPECT_TRUE(road.Installer->Requests[0].KeepPackage);
  EXPECT_EQ(road.Installer->Requests[0].Destination, "/dados/app/App.exe");
  EXPECT_EQ(road.Installer->Recovered, TEvents{"/dados/app"});
  EXPECT_TRUE(road.Files->CallsOf("DownloadFile").empty());
  EXPECT_TRUE(road.Removed.empty());
}

TEST(UpdateRoad, RecoveryAtStartCoversTheLauncherAndApplicationFoldersNotBusyOnes) {
  TRoad road;
  road.Files->ApplicationExecutable = "/srv/app/QuorvaneSoft.exe";
  road.UseCase().RecoverInterruptedUpdates();
  EXPECT_EQ(road.Installer->Recovered, (TEvents{kFolder, "/srv/app"}));

  road.Installer->Recovered.clear();
  road.Installer->BusyPolls = 1;  // another launcher is updating the launcher's folder
  road.UseCase().RecoverInterruptedUpdates();
  EXPECT_EQ(road.Installer->Recovered, TEvents{"/srv/app"});
}

TEST(UpdateApplicationUseCase, IsUpdateRequiredComparesVersionNumbers) {
  TRoad road;
  const struct {
    const char* Current;
    const char* Minimum;
    bool Required;
  } cases[] = {
      {"1.2", "1.2.0.1", true}, {"1.3", "1.2.9.9", false}, {"1.2.0.0", "1.2", false},     {"1.9", "1.10", true},
      {"", "1.0", true},        {"2.0.0.0", "", false},    {"1.0.0.0", "1.0.0.0", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.Current) + " < " + c.Minimum);
    EXPECT_EQ(road.UseCase().IsUpdateRequired(c.Current, c.Minimum), c.Required);
  }
}

TEST(UpdateApplicationUseCase, CheckForUpdateAnswersFromThePlanOfTheLastStartupCheck) {
  TRoad road;
  TUpdateInfo info = road.UseCase().CheckForUpdate("1.2.3.4");
  EXPECT_EQ(info.CurrentVersion(), "1.2.3.4");  // nothing known yet: up to date
  EXPECT_EQ(info.LatestVersion(), "0.0.0.0");
  EXPECT_EQ(info.Status(), Core::ValueObjects::TUpdateStatus::UpToDate);

  Core::ValueObjects::TStartupStatus status;
  status.DownloadUrl = "http://127.0.0.1/app.zip";
  status.DatabaseVersion = "1.3.0.0";
  status.MinimumVersion = "1.2.5.0";
  status.Trust = Core::ValueObjects::TReleaseTrust::Verified;
  const TUpdatePlan plan = road.UseCase().PlanFor(status);
  EXPECT_EQ(plan.LauncherPath, kLauncher);
  EXPECT_EQ(plan.Trust, Core::ValueObjects::TReleaseTrust::Verified);
  info = road.UseCase().CheckForUpdate("1.2.3.4");
  EXPECT_EQ(info.MinimumVersion(), "1.3.0.0");
  EXPECT_EQ(info.LatestVersion(), "1.3.0.0");
  EXPECT_EQ(info.DownloadUrl(), "http://127.0.0.1/app.zip");
  EXPECT_EQ(info.Status(), Core::ValueObjects::TUpdateStatus::UpdateRequired);
  EXPECT_EQ(road.UseCase().CheckForUpdate("1.3").Status(), Core::ValueObjects::TUpdateStatus::UpToDate);
}

TEST(UpdateApplicationUseCase, UpdateInformationRunsTheSameRoadThroughOneServiceMadeOnFirstUse) {
  TRoad road;
  EXPECT_EQ(road.UseCase().UpdateService(), nullptr);
  std::vector<std::pair<bool, std::string>> completions;
  TUpdateInfo info;
  info.SetDownloadUrl("http://127.0.0.1/app.zip");
  info.SetExtractPath(kFolder);
  for (bool download : {true, false}) {
    road.Files->DownloadAnswer = download;
    road.UseCase().ExecuteUpdate(
        info, {}, [&](bool ASuccess, const std::string& AMessage) { completions.emplace_back(ASuccess, AMessage); });
  }
  const auto service = road.UseCase().UpdateService();
  ASSERT_NE(service, nullptr);
  // The failed download that once answered success without doing anything.
  EXPECT_EQ(completions, (std::vector<std::pair<bool, std::string>>{
                             {true, ""}, {false, "Falha na atualiza\xC3\xA7\xC3\xA3o: Erro ao baixar arquivo"}}));
  EXPECT_EQ(road.Installer->Requests.size(), 1u);
  EXPECT_EQ(road.Installer->Recovered.size(), 2u);  // each run took the lock and recovered
  road.UseCase().ExecuteUpdate(info, {}, {});
  EXPECT_EQ(road.UseCase().UpdateService(), service);
}
