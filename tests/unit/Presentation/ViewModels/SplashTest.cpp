// The start-up roads end to end over stand-ins: every report (state, message,
// progress) in order, with a real task pool and a queue-driven UI thread.
#include "Presentation/ViewModels/Splash.h"

#include <gtest/gtest.h>

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

using namespace Presentation::ViewModels;
using Core::ValueObjects::TStartupCheckStatus;
using Core::ValueObjects::TStartupStatus;

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

class TScriptedBDE : public Core::Interfaces::IBDEService {
 public:
  std::optional<bool> Installed = true;  // nullopt: detection raises
  std::vector<std::pair<int64_t, int64_t>> InstallReports;
  std::optional<bool> InstallAnswer = false;  // nullopt: installation raises
  std::string InstalledFrom;
  Core::ValueObjects::TDownloadCheck InstalledWith;
  bool RefuseDownload = false;  // the download does not verify
  Core::Interfaces::TBDEInstallStatus CheckBDEInstalled() override {
    if (!Installed) throw std::runtime_error("registro ilegível");
    return {*Installed, "5.2.0.0", "C:\\BDE", false};
  }
  bool IsBDEInstalled() override { return Installed.value_or(false); }
  std::string GetBDEVersion() override { return {}; }
  std::string GetBDEPath() override { return {}; }
  bool InstallBDE(const std::string&, Core::Interfaces::TProgressProc) override { return false; }
  bool InstallBDEFromURL(const std::string& AUrl, const std::string&,
                         Core::Interfaces::TProgressProc AOnProgress,
                         const Core::ValueObjects::TDownloadCheck& ACheck) override {
    InstalledFrom = AUrl;
    InstalledWith = ACheck;
    if (RefuseDownload) throw Core::EDownloadVerificationError("instalador recusado");
    for (const auto& [current, total] : InstallReports) AOnProgress(current, total);
    if (!InstallAnswer) throw std::runtime_error("instalador sumiu");
    return *InstallAnswer;
  }
  bool ConfigureBDE(const std::string&) override { return false; }
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
    TSplashPlatform platform{MainThread,
                             pool,
                             Shell,
                             [this](uint32_t AMs) { Pauses.push_back(AMs); },
                             [this](const std::string& ASource, const std::string& ATarget) {
                               if (!ReplaceError.empty()) throw std::runtime_error(ReplaceError);
                               Replaced.push_back(ASource + " -> " + ATarget);
                             },
                             [this](const std::string& APath) {
                               Removed.push_back(APath);
                               return true;
                             },
                             kLauncher,
                             "http://127.0.0.1/padrao/bde.exe"};
    auto translator = std::make_shared<Infrastructure::Translator::TPortugueseTranslator>();
    ViewModel = std::make_shared<TSplashViewModel>(Check, nullptr, nullptr, Files, translator,
                                                   std::make_shared<Infrastructure::Logging::TDebugLoggerService>(),
                                                   BDE, platform);
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
  std::string ReplaceError;
  std::vector<std::string> Reports, Replaced, Removed;
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
  {
    SCOPED_TRACE("zip package with progress; repeated and lengthless reports are not handed over");
    TRoad road;
    road.Check->Status = Passed(true, "http://127.0.0.1/app.zip");
    road.Files->DownloadReports = {{0, 0}, {100, 1000}, {512000, 1024000}, {512001, 1024000}, {1024000, 1024000}};
    EXPECT_EQ(
        road.Run(),
        (TReports{check, required, needed, checking, url, starting, from, "DownloadingApplication 63 Baixando... 3%",
                  "DownloadingApplication 75 Baixando... 15%", "DownloadingApplication 90 Baixando... 30%", complete,
                  "InstallingUpdate 92 Instalando atualização...",
                  "ReadyToLaunch 100 Atualização concluída com sucesso!", launch, "launch"}));
    EXPECT_EQ(road.Files->CallsOf("ExtractZip").at(0).Second, "/opt/qs");
    EXPECT_EQ(road.Removed, TReports{Core::Text::JoinPath("/opt/qs", "temp_update.zip")});
    EXPECT_EQ(road.Pauses, std::vector<uint32_t>{500});
  }
  {
    SCOPED_TRACE("executable package replaces the application without deleting it first");
    TRoad road;
    road.Check->Status = Passed(true, "http://127.0.0.1/App.EXE");
    const TReports reports = road.Run();
    EXPECT_EQ(reports.at(reports.size() - 3), "ReadyToLaunch 100 Download concluído!");
    EXPECT_EQ(road.Replaced, TReports{Core::Text::JoinPath("/opt/qs", "temp_update.exe") + " -> " + kApp});
  }
  {
    SCOPED_TRACE("a replace that fails keeps the old executable and reports the system's text");
    TRoad road;
    road.Check->Status = Passed(true, "http://127.0.0.1/app.exe");
    road.ReplaceError = "Acesso negado";
    EXPECT_EQ(road.Run().back(), "Error 0 Exceção no download: Acesso negado");
    EXPECT_TRUE(road.Shell->Requests.empty());
  }
  {
    SCOPED_TRACE("download and extraction failures");
    TRoad download;
    download.Check->Status = Passed(true, "http://127.0.0.1/app.zip");
    download.Files->DownloadAnswer = false;
    EXPECT_EQ(download.Run().back(), "Error 0 Erro ao baixar arquivo");
    TRoad extract;
    extract.Check->Status = Passed(true, "http://127.0.0.1/app.exe?v=2");  // not ".exe" at the end: zip
    extract.Files->ExtractAnswer = false;
    EXPECT_EQ(extract.Run().back(), "Error 0 Erro ao extrair arquivo");
    EXPECT_TRUE(extract.Removed.empty());  // the package stays for a look
  }
}

TEST(SplashRoads, BDERoads) {
  const std::string check = "Validating 15 Verificando banco de dados e versões...";
  const std::string passed = "Validating 20 Verificação concluída";
  const std::string checking = "CheckingBDE 5 Verificando BDE (Borland Database Engine)...";
  const std::string missing = "InstallingBDE 10 BDE não encontrado. Instalando...";
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
