// The start-up roads end to end over stand-ins: every report (state, message,
// progress) in order, with a real task pool and a queue-driven UI thread.
#include "Presentation/ViewModels/Splash.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <optional>
#include <stdexcept>

#include "Core/Text/PathText.h"
#include "Infrastructure/Logging/DebugLoggerService.h"
#include "Infrastructure/Threading/QueueMainThread.h"
#include "Infrastructure/Threading/ThreadTaskPool.h"
#include "Infrastructure/Translator/PortugueseTranslator.h"
#include "support/MemoryFileService.h"
#include "support/RecordingProcessLauncher.h"
#include "support/ScriptedBDE.h"
#include "support/ScriptedInstaller.h"

using namespace Presentation::ViewModels;
using Core::ValueObjects::TStartupCheckStatus;
using Core::ValueObjects::TStartupStatus;
using TestSupport::TScriptedBDE;
using TestSupport::TScriptedInstaller;

namespace {

const char* StateName(TAppState AState) {
  static const char* const names[] = {"Initializing",      "CheckingBDE",
                                      "InstallingBDE",     "BDEMissing",
                                      "Validating",        "Validated",
                                      "CheckingUpdate",    "DownloadingUpdate",
                                      "InstallingUpdate",  "UpdateComplete",
                                      "ReadyToLaunch",     "Error",
                                      "ConfigNeeded",      "DownloadingApplication",
                                      "DSNSelectionNeeded"};
  return names[static_cast<int>(AState)];
}

class TScriptedCheck : public Application::UseCases::IStartupCheckUseCase {
 public:
  bool Configuration = false;
  bool DSNSelection = false;
  std::optional<TStartupStatus> Status;  // nullopt: Execute raises
  int Runs = 0;
  TStartupStatus Execute() override {
    ++Runs;
    if (!Status) throw std::runtime_error("banco travou");
    return *Status;
  }
  bool NeedsConfiguration() override { return Configuration; }
  bool NeedsDSNSelection() override { return DSNSelection; }
  void SetRuntimeDSN(const std::string&) override {}
};

class TProgressFiles : public TestSupport::TMemoryFileService {
 public:
  std::vector<std::pair<int64_t, int64_t>> DownloadReports;
  bool DownloadFile(const std::string& AUrl, const std::string& ADestinationPath,
                    Core::Interfaces::TProgressProc AOnProgress = {}) override {
    for (const auto& [received, total] : DownloadReports) AOnProgress(received, total);
    return TMemoryFileService::DownloadFile(AUrl, ADestinationPath);
  }
};

TStartupStatus Passed(bool ARequiresUpdate, std::string ADownloadUrl = "", std::string ABdeUrl = "") {
  TStartupStatus status;
  status.Status = TStartupCheckStatus::Valid;
  status.CanProceed = true;
  status.RequiresUpdate = ARequiresUpdate;
  status.Message = ARequiresUpdate ? "Atualização obrigatória disponível" : "Verificação concluída";
  status.MinimumVersion = "1.3.0.0";
  status.DownloadUrl = std::move(ADownloadUrl);
  status.BdeUrl = std::move(ABdeUrl);
  return status;
}

const std::string kLauncher = "/opt/qs/QuorvaneSoftLauncher.exe";
const std::string kApp = "/opt/qs/QuorvaneSoft.exe";

// One run of a road: the view model over the stand-ins, every report recorded.
struct TRoad {
  TRoad() {
    Files->ApplicationExecutable = kApp;
    Files->Files.insert(kApp);
    Files->Directories.insert("/opt/qs");
  }

  // Runs a road from StartValidation; a second call is a retry on the same view model.
  std::vector<std::string> Run() {
    if (!ViewModel) Create();
    std::atomic<bool> finished{false};
    Finished = &finished;
    ViewModel->StartValidation();
    EXPECT_TRUE(MainThread->PumpUntil([&] { return finished.load(); }, std::chrono::seconds(10)));
    Finished = nullptr;
    return Reports;
  }

  void Create() {
    MainThread = std::make_shared<Infrastructure::Threading::TQueueMainThread>();
    auto pool = std::make_shared<Infrastructure::Threading::TThreadTaskPool>();
    const Core::Interfaces::TSleepProc sleep = [this](uint32_t AMs) { Pauses.push_back(AMs); };
    TSplashPlatform platform{MainThread, pool, Shell, sleep, kLauncher, ConfigureFirst};
    auto translator = std::make_shared<Infrastructure::Translator::TPortugueseTranslator>();
    Application::UseCases::TUpdatePorts ports{Files,
                                              Installer,
                                              translator,
                                              Logger,
                                              sleep,
                                              [this](const std::string& APath) {
                                                Removed.push_back(APath);
                                                return true;
                                              },
                                              kLauncher,
                                              {},
                                              {}};
    auto update = std::make_shared<Application::UseCases::TUpdateApplicationUseCase>(ports);
    auto bde = std::make_shared<Application::UseCases::TInstallBDEUseCase>(BDE, Logger, translator,
                                                                           "http://127.0.0.1/padrao/bde.exe");
    ViewModel = std::make_shared<TSplashViewModel>(Check, update, nullptr, Files, translator, Logger, bde, platform);
    ViewModel->SetOnStateChanged([this](TAppState AState, const std::string& AMessage, int32_t AProgress) {
      Reports.push_back(std::string(StateName(AState)) + " " + std::to_string(AProgress) + " " + AMessage);
      if (AState == TAppState::ConfigNeeded || AState == TAppState::DSNSelectionNeeded ||
          AState == TAppState::BDEMissing || AState == TAppState::Error)
        *Finished = true;
    });
    ViewModel->SetOnLaunchApplication([this] {
      Reports.push_back("launch");
      *Finished = true;
    });
  }

  std::shared_ptr<Infrastructure::Threading::TQueueMainThread> MainThread;
  std::shared_ptr<TSplashViewModel> ViewModel;
  std::atomic<bool>* Finished = nullptr;
  std::shared_ptr<TScriptedCheck> Check = std::make_shared<TScriptedCheck>();
  std::shared_ptr<TProgressFiles> Files = std::make_shared<TProgressFiles>();
  std::shared_ptr<TScriptedBDE> BDE = std::make_shared<TScriptedBDE>();
  std::shared_ptr<TestSupport::TRecordingProcessLauncher> Shell =
      std::make_shared<TestSupport::TRecordingProcessLauncher>();
  std::shared_ptr<TScriptedInstaller> Installer = std::make_shared<TScriptedInstaller>();
  std::shared_ptr<Infrastructure::Logging::TDebugLoggerService> Logger =
      std::make_shared<Infrastructure::Logging::TDebugLoggerService>();
  bool ConfigureFirst = false;
  std::vector<std::string> Reports, Removed;
  std::vector<uint32_t> Pauses;
};

using TReports = std::vector<std::string>;

}  // namespace

TEST(SplashRoads, ConfigurationStopsBeforeTheCheck) {
  TRoad config;
  config.Check->Configuration = true;
  EXPECT_EQ(config.Run(), TReports{"ConfigNeeded 0 Configuração do banco de dados necessária"});
  EXPECT_EQ(config.Check->Runs, 0);

  TRoad dsn;
  dsn.Check->DSNSelection = true;
  EXPECT_EQ(dsn.Run(), TReports{"DSNSelectionNeeded 0 Selecione a fonte de dados ODBC que deseja utilizar:"});
}

TEST(SplashRoads, FailedOrRaisingCheckEndsInError) {
  TRoad failed;
  TStartupStatus status;
  status.Message = "Erro de conexão: recusado";
  failed.Check->Status = status;
  EXPECT_EQ(failed.Run(),
            (TReports{"Validating 15 Verificando banco de dados e versões...",
                      "Validating 20 Erro de conexão: recusado", "Error 0 Erro: Erro de conexão: recusado"}));

  TRoad raising;  // Status unset: Execute raises
  EXPECT_EQ(raising.Run(), (TReports{"Validating 15 Verificando banco de dados e versões...",
                                     "Error 0 Erro na validação: banco travou"}));
}

TEST(SplashRoads, UpdateRoads) {
  const std::string check = "Validating 15 Verificando banco de dados e versões...";
  const std::string required = "Validating 20 Atualização obrigatória disponível";
  const std::string needed = "CheckingUpdate 25 Atualização necessária. Versão mínima: 1.3.0.0";
  const std::string checking = "CheckingUpdate 40 Verificando atualizações...";
  const std::string url = "CheckingUpdate 50 URL de Download: http://127.0.0.1/app.zip";
  const std::string starting = "CheckingUpdate 60 Iniciando download...";
  const std::string from = "DownloadingApplication 60 Baixando de: http://127.0.0.1/app.zip";
  const std::string complete = "InstallingUpdate 90 Download completo. Processando...";
  const std::string launch = "ReadyToLaunch 0 Executando aplicação: " + kApp;
  {
    SCOPED_TRACE("no package URL");
    TRoad road;
    road.Check->Status = Passed(true);
    EXPECT_EQ(road.Run(), (TReports{check, required, needed, checking, "ReadyToLaunch 100 Sucesso", launch, "launch"}));
  }
  const std::string installing = "InstallingUpdate 92 Instalando atualização...";
  {
    SCOPED_TRACE("zip package: download and installation progress; repeated and lengthless reports are not handed over");
    TRoad road;
    road.Check->Status = Passed(true, "http://127.0.0.1/app.zip");
    // 51 % moves the bar no further than 50 % did, but the text says it.
    road.Files->DownloadReports = {
        {0, 0}, {0, 1024000}, {100, 1000}, {512000, 1024000}, {512001, 1024000}, {522240, 1024000}, {1024000, 1024000}};
    TReports expected{check,
                      required,
                      needed,
                      checking,
                      url,
                      starting,
                      from,
                      "DownloadingApplication 60 Baixando... 0%",
                      "DownloadingApplication 63 Baixando... 10%",
                      "DownloadingApplication 75 Baixando... 50%",
                      "DownloadingApplication 75 Baixando... 51%",
                      "DownloadingApplication 90 Baixando... 100%",
                      complete,
                      installing};
    for (int progress = 93; progress <= 99; ++progress)
      expected.push_back("InstallingUpdate " + std::to_string(progress) + " Instalando atualização...");
    expected.insert(expected.end(), {"ReadyToLaunch 100 Atualização concluída com sucesso!", launch, "launch"});
    EXPECT_EQ(road.Run(), expected);
    EXPECT_EQ(road.Pauses, std::vector<uint32_t>{500});
    // At start, before the check; then the road's own, with the lock.
    EXPECT_EQ(road.Installer->Recovered, (TReports{"/opt/qs", "/opt/qs"}));
  }
  {
    SCOPED_TRACE("executable package replaces the application executable");
    TRoad road;
    road.Check->Status = Passed(true, "http://127.0.0.1/App.EXE");
    const TReports reports = road.Run();
    EXPECT_EQ(reports.at(reports.size() - 3), "ReadyToLaunch 100 Download concluído!");
  }
  {
    SCOPED_TRACE("an installation that stops says why, and the download goes");
    TRoad road;
    road.Check->Status = Passed(true, "http://127.0.0.1/app.exe");
    road.Installer->Error = "O arquivo \"x.dll\" está em uso";
    EXPECT_EQ(road.Run().back(), "Error 0 O arquivo \"x.dll\" está em uso");
    EXPECT_TRUE(road.Shell->Requests.empty());
  }
  {
    SCOPED_TRACE("download failure: nothing installed, the partial download removed");
    TRoad download;
    download.Check->Status = Passed(true, "http://127.0.0.1/app.exe?v=2");  // not ".exe" at the end: zip
    download.Files->DownloadAnswer = false;
    EXPECT_EQ(download.Run().back(), "Error 0 Erro ao baixar arquivo");
  }
  {
    SCOPED_TRACE("a package that is not what the release document published: refused before anything is installed");
    TRoad road;
    TStartupStatus status = Passed(true, "http://127.0.0.1/app.zip");
    status.PackageCheck.Sha256 = std::string(64, 'a');
    status.PackageCheck.Size = 1234;
    road.Check->Status = status;
    road.Files->VerdictAnswer = Core::ValueObjects::TDownloadVerdict::DigestMismatch;
    const std::string message = road.Run().back();
    EXPECT_EQ(message.rfind("Error 0 O arquivo baixado de http://127.0.0.1/app.zip não confere", 0), 0u) << message;
    ASSERT_EQ(road.Files->Checks.size(), 1u);  // what the start-up check found reaches the download
    EXPECT_EQ(road.Files->Checks[0].Sha256, std::string(64, 'a'));
    EXPECT_EQ(road.Files->Checks[0].Size, 1234);
  }
  {
    SCOPED_TRACE("release information whose signature did not verify: an error, never the old version launched");
    TRoad road;
    TStartupStatus status = Passed(true);
    status.Trust = Core::ValueObjects::TReleaseTrust::Unverified;
    road.Check->Status = status;
    const std::string message = road.Run().back();
    EXPECT_EQ(message.rfind("Error 0 As informações de atualização não puderam ser verificadas", 0), 0u) << message;
    EXPECT_TRUE(road.Shell->Requests.empty());
    EXPECT_TRUE(road.Files->Checks.empty());
  }
  {
    SCOPED_TRACE("another launcher is updating: wait, then find the new version and launch it without a download");
    TRoad road;
    road.Check->Status = Passed(true, "http://127.0.0.1/app.zip");
    road.Installer->BusyPolls = 3;
    road.Files->Version = "1.3.0.0";
    const TReports reports = road.Run();
    EXPECT_EQ(reports.at(7), "DownloadingApplication 60 " +
                                 std::string("Outro inicializador está atualizando a aplicação. Aguardando que termine..."));
    EXPECT_EQ(reports.at(reports.size() - 3), "ReadyToLaunch 100 Atualização concluída com sucesso!");
    EXPECT_EQ(reports.back(), "launch");
    EXPECT_TRUE(road.Files->CallsOf("DownloadFile").empty());
    ASSERT_GE(road.Pauses.size(), 2u);  // polls of the lock, then the pause before the launch
    EXPECT_EQ(road.Pauses.front(), Application::UseCases::TUpdateApplicationUseCase::kLockPollMs);
    EXPECT_EQ(road.Pauses.back(), 500u);
  }
  {
    SCOPED_TRACE("another launcher held the folder but the update is still needed: this one does it");
    TRoad road;
    road.Check->Status = Passed(true, "http://127.0.0.1/app.zip");
    // One busy answer goes to the recovery at start, the next to the road, which then waits.
    road.Installer->BusyPolls = 2;
    road.Files->Version = "1.2.0.0";
    const TReports reports = road.Run();
    EXPECT_NE(std::find_if(reports.begin(), reports.end(),
                           [](const std::string& AReport) { return AReport.find("Outro inicializador") != std::string::npos; }),
              reports.end());
    EXPECT_EQ(reports.back(), "launch");
    EXPECT_EQ(road.Installer->Requests.size(), 1u);
    EXPECT_EQ(road.Files->CallsOf("DownloadFile").size(), 1u);
  }
}

TEST(SplashRoads, ClosingDuringTheInstallationWaitsForItAndLaunchesNothing) {
  TRoad road;
  road.Check->Status = Passed(true, "http://127.0.0.1/app.zip");
  int stopped = 0;
  road.Installer->WhileInstalling = [&] {
    // The user closes the window while the package is being staged.
    road.MainThread->Invoke([&] { road.ViewModel->RequestStop([&] { ++stopped; }); });
    EXPECT_EQ(stopped, 0) << "the window must wait for the installation";
  };
  road.Create();
  road.ViewModel->StartValidation();
  EXPECT_TRUE(road.MainThread->PumpUntil([&] { return stopped == 1; }, std::chrono::seconds(10)));
  EXPECT_TRUE(road.Shell->Requests.empty());
  EXPECT_NE(road.Reports.back(), "launch");
  EXPECT_EQ(road.Removed.size(), 1u);  // the download goes all the same
}

TEST(SplashRoads, BDERoads) {
  const std::string check = "Validating 15 Verificando banco de dados e versões...";
  const std::string passed = "Validating 20 Verificação concluída";
  const std::string checking = "CheckingBDE 5 Verificando BDE (Borland Database Engine)...";
  const std::string missing = "InstallingBDE 10 BDE não encontrado. Instalando...";
  {
    SCOPED_TRACE("an installer that does not verify is an error, not a missing BDE to retry");
    TRoad road;
    TStartupStatus status = Passed(false);
    status.BdeCheck.Sha256 = std::string(64, 'b');
    road.Check->Status = status;
    road.BDE->Installed = false;
    road.BDE->RefuseDownload = true;
    EXPECT_EQ(road.Run().back(), "Error 0 instalador recusado");
    EXPECT_EQ(road.BDE->InstalledWith.Sha256, std::string(64, 'b'));
    EXPECT_TRUE(road.Shell->Requests.empty());
  }
  {
    SCOPED_TRACE("present");
    TRoad road;
    road.Check->Status = Passed(false);
    EXPECT_EQ(road.Run(), (TReports{check, passed, checking, "Validated 100 BDE encontrado. Iniciando o sistema...",
                                    "ReadyToLaunch 0 Executando aplicação: " + kApp, "launch"}));
  }
  {
    SCOPED_TRACE("installed from the default URL, repeated points not handed over");
    TRoad road;
    road.Check->Status = Passed(false);
    road.BDE->Installed = false;
    road.BDE->InstallAnswer = true;
    road.BDE->InstallReports = {{0, 100}, {40, 100}, {40, 100}, {97, 100}};
    EXPECT_EQ(road.Run(), (TReports{check, passed, checking, missing, "InstallingBDE 10 Instalando BDE... 0%",
                                    "InstallingBDE 42 Instalando BDE... 32%", "InstallingBDE 87 Instalando BDE... 77%",
                                    "Validated 100 BDE instalado com sucesso!",
                                    "ReadyToLaunch 0 Executando aplicação: " + kApp, "launch"}));
    EXPECT_EQ(road.BDE->InstalledFrom, "http://127.0.0.1/padrao/bde.exe");
    EXPECT_EQ(road.Pauses, std::vector<uint32_t>{1000});
  }
  {
    SCOPED_TRACE("installation fails");
    TRoad road;
    road.Check->Status = Passed(false, "", "http://127.0.0.1/bde.exe");
    road.BDE->Installed = false;
    EXPECT_EQ(road.Run().back(),
              "BDEMissing 0 BDE é necessário para executar esta aplicação. Por favor, instale o BDE manualmente ou "
              "contate o suporte.");
    EXPECT_EQ(road.BDE->InstalledFrom, "http://127.0.0.1/bde.exe");
  }
  {
    SCOPED_TRACE("detection and installation errors are reported, not left hanging");
    TRoad detection;
    detection.Check->Status = Passed(false);
    detection.BDE->Installed = std::nullopt;
    EXPECT_EQ(detection.Run().back(), "BDEMissing 0 Erro ao verificar BDE: registro ilegível");
    TRoad installation;
    installation.Check->Status = Passed(false);
    installation.BDE->Installed = false;
    installation.BDE->InstallAnswer = std::nullopt;
    EXPECT_EQ(installation.Run().back(), "BDEMissing 0 Erro ao verificar BDE: instalador sumiu");
  }
}

TEST(SplashRoads, LaunchFailuresDoNotCloseTheLauncher) {
  TRoad refused;
  refused.Check->Status = Passed(false);
  refused.Shell->Answer = {false, "O sistema não pode encontrar o arquivo especificado."};
  const TReports reports = refused.Run();
  EXPECT_EQ(reports.back(), "Error 0 Erro: O sistema não pode encontrar o arquivo especificado.");
  EXPECT_EQ(std::count(reports.begin(), reports.end(), "launch"), 0);

  TRoad missing;
  missing.Check->Status = Passed(false);
  missing.Files->ApplicationExecutable = "";
  EXPECT_EQ(missing.Run().back(), "Error 0 Executável não encontrado: ");
}

TEST(SplashRoads, RetryStartsAgainAtTheConfigurationTestFromEveryStoppingState) {
  TRoad road;
  road.Check->Configuration = true;
  EXPECT_EQ(road.Run().back(), "ConfigNeeded 0 Configuração do banco de dados necessária");

  road.Check->Configuration = false;
  road.Check->DSNSelection = true;
  EXPECT_EQ(road.Run().back(), "DSNSelectionNeeded 0 Selecione a fonte de dados ODBC que deseja utilizar:");

  road.Check->DSNSelection = false;
  TStartupStatus passed = Passed(false, "", "http://127.0.0.1/bde.exe");
  passed.DatabaseVersion = "2.0.0.0";
  passed.ExecutableVersion = "2.0.0.0";
  road.Check->Status = passed;
  road.BDE->Installed = false;
  EXPECT_EQ(road.Run().back().rfind("BDEMissing 0 ", 0), 0u);
  EXPECT_EQ(road.ViewModel->GetDatabaseVersion(), "2.0.0.0");

  // A failed check keeps the texts of the last passed one.
  road.Check->Status = TStartupStatus{};
  road.Check->Status->Message = "Erro de conexão: x";
  EXPECT_EQ(road.Run().back(), "Error 0 Erro: Erro de conexão: x");
  EXPECT_EQ(road.ViewModel->GetDatabaseVersion(), "2.0.0.0");
  EXPECT_EQ(road.ViewModel->GetMinimumVersion(), "1.3.0.0");
  EXPECT_EQ(road.ViewModel->GetBdeUrl(), "http://127.0.0.1/bde.exe");

  road.Check->Status = passed;
  road.BDE->Installed = true;
  EXPECT_EQ(road.Run().back(), "launch");
  EXPECT_EQ(road.Check->Runs, 3);
}

TEST(SplashRoads, ConfigurationAskedOnTheCommandLineOpensFirstAndOnlyOnce) {
  TRoad road;
  road.ConfigureFirst = true;
  road.Check->Status = Passed(false);
  EXPECT_EQ(road.Run(), TReports{"ConfigNeeded 0 Configuração do banco de dados necessária"});
  EXPECT_EQ(road.Check->Runs, 0);
  road.Reports.clear();
  EXPECT_EQ(road.Run().back(), "launch");  // saved or retried: the road goes on as usual
  EXPECT_EQ(road.Check->Runs, 1);
}

TEST(SplashRoads, AProxyThatRefusesTheUserSaysSoInsteadOfAGenericFailure) {
  TRoad road;
  road.Check->Status = Passed(true, "http://127.0.0.1/app.zip");
  road.Files->VerdictAnswer = Core::ValueObjects::TDownloadVerdict::ProxyRefused;
  const std::string last = road.Run().back();
  EXPECT_EQ(last.rfind("Error 0 O proxy da rede recusou a conexão", 0), 0u) << last;
  EXPECT_NE(last.find("http://127.0.0.1/app.zip"), std::string::npos);
  EXPECT_TRUE(road.Installer->Requests.empty());
}
