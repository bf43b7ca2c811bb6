#include "Presentation/ViewModels/Splash.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "App/Constants.h"
#include "Core/ValueObjects/DownloadVerdictKey.h"
#include "Core/Text/PathText.h"
#include "Core/Errors.h"
#include "Core/Text/TextUtils.h"

namespace Presentation::ViewModels {

using Core::ValueObjects::TStartupCheckStatus;
using Core::ValueObjects::TStartupStatus;

namespace {

constexpr int32_t kDownloadBandStart = 60;
constexpr uint32_t kPauseBeforeLaunchMs = 500;
constexpr uint32_t kPauseAfterBDEInstallMs = 1000;

}  // namespace

TSplashViewModel::TSplashViewModel(std::shared_ptr<Application::UseCases::IStartupCheckUseCase> AStartupCheckUseCase,
                                   std::shared_ptr<Application::UseCases::IUpdateApplicationUseCase> AUpdateUseCase,
                                   std::shared_ptr<Application::UseCases::IConfigureDatabaseUseCase> AConfigureUseCase,
                                   std::shared_ptr<Core::Interfaces::IFileService> AFileService,
                                   std::shared_ptr<Core::Interfaces::ITranslator> ATranslator,
                                   std::shared_ptr<Core::Interfaces::ILoggerService> ALogger,
                                   std::shared_ptr<Core::Interfaces::IBDEService> ABDEService,
                                   TSplashPlatform APlatform)
    : FStartupCheckUseCase(std::move(AStartupCheckUseCase)),
      FUpdateUseCase(std::move(AUpdateUseCase)),
      FConfigureUseCase(std::move(AConfigureUseCase)),
      FFileService(std::move(AFileService)),
      FTranslator(std::move(ATranslator)),
      FLogger(std::move(ALogger)),
      FBDEService(std::move(ABDEService)),
      FPlatform(std::move(APlatform)),
      FCurrentMessage(FTranslator->Translate("Loading")) {
  FLogger->Info("TSplashViewModel.Create - ViewModel criado com sucesso");
}

int32_t TSplashViewModel::DownloadProgress(int64_t AReceived, int64_t ATotal) {
  if (ATotal <= 0) return -1;
  return kDownloadBandStart +
         static_cast<int32_t>(std::trunc(static_cast<double>(AReceived) / static_cast<double>(ATotal) * 30.0));
}

int32_t TSplashViewModel::InstallPoints(int64_t ACurrent, int64_t ATotal) {
  return ATotal > 0 ? static_cast<int32_t>((ACurrent * 80) / ATotal) : 0;
}

void TSplashViewModel::SetState(TAppState AState, const std::string& AMessage, int32_t AProgress) {
  FCurrentState = AState;
  FCurrentMessage = AMessage;
  FCurrentProgress = AProgress;
  if (FOnStateChanged) FOnStateChanged(AState, AMessage, AProgress);
}

void TSplashViewModel::HandOver(const std::function<void()>& AProc) { FPlatform.MainThread->Invoke(AProc); }

void TSplashViewModel::Initialize() { SetState(TAppState::Initializing, FTranslator->Translate("PleaseWait"), 0); }

void TSplashViewModel::StartValidation() {
  FLogger->Info("StartValidation - Iniciando validação");
  ValidateConfiguration();
}

void TSplashViewModel::ValidateConfiguration() {
  FLogger->Info("ValidateConfiguration - Iniciando validação da configuração");
  if (std::exchange(FPlatform.ConfigureFirst, false)) {
    FLogger->Info("ValidateConfiguration - Configuração pedida na linha de comando (/config)");
    SetState(TAppState::ConfigNeeded, FTranslator->Translate("ConfigNeeded"), 0);
    return;
  }
  if (FStartupCheckUseCase->NeedsConfiguration()) {
    FLogger->Warning("ValidateConfiguration - Configuração necessária");
    SetState(TAppState::ConfigNeeded, FTranslator->Translate("ConfigNeeded"), 0);
    return;
  }
  if (FStartupCheckUseCase->NeedsDSNSelection()) {
    FLogger->Warning("ValidateConfiguration - Seleção de DSN necessária");
    SetState(TAppState::DSNSelectionNeeded, FTranslator->Translate("SelectDSNPrompt"), 0);
    return;
  }
  FLogger->Info("ValidateConfiguration - Iniciando verificação de inicialização");
  SetState(TAppState::Validating, FTranslator->Translate("ValidatingStartup"), 15);
  FPlatform.Tasks->Run([self = shared_from_this()] {
    try {
      self->RecoverInstallations();
      const TStartupStatus status = self->FStartupCheckUseCase->Execute();
      self->FLogger->Info(std::string("ValidateConfiguration - Verificação concluída: ") +
                          (status.Status == TStartupCheckStatus::Valid ? "Valid" : "UnknownError"));
      if (!status.Message.empty()) self->FLogger->Debug("ValidateConfiguration - Message: " + status.Message);
      self->HandOver([&] { self->ApplyCheckResult(status); });
    } catch (const std::exception& e) {
      self->FLogger->Error("ValidateConfiguration - Erro na validação", &e);
      const std::string text = e.what();
      try {
        self->HandOver(
            [&] { self->SetState(TAppState::Error, self->FTranslator->TranslateFormat("ValidationError", {text}), 0); });
      } catch (...) {
        // The window is gone: there is nobody left to tell.
      }
    }
  });
}

void TSplashViewModel::ApplyCheckResult(const TStartupStatus& AStatus) {
  if (!AStatus.Message.empty()) SetState(TAppState::Validating, AStatus.Message, 20);
  if (AStatus.Status != TStartupCheckStatus::Valid) {
    SetState(TAppState::Error, FTranslator->TranslateFormat("GenericError", {AStatus.Message}), 0);
    return;
  }
  FDownloadUrl = AStatus.DownloadUrl;
  FBdeUrl = AStatus.BdeUrl;
  FPackageCheck = AStatus.PackageCheck;
  FBdeCheck = AStatus.BdeCheck;
  FMinimumVersion = AStatus.MinimumVersion;
  FDatabaseVersion = AStatus.DatabaseVersion;
  FExecutableVersion = AStatus.ExecutableVersion;
  FLogger->Info("ApplyCheckResult - Verificação aprovada");
  FLogger->Info("ApplyCheckResult - Versões: banco " + FDatabaseVersion + ", mínima publicada " +
                (FMinimumVersion.empty() ? "(nenhuma)" : FMinimumVersion) + ", executável " + FExecutableVersion);
  if (AStatus.RequiresUpdate)
    FLogger->Info("ApplyCheckResult - Caminho: atualização, o executável é mais antigo que a versão exigida " +
                  Application::UseCases::TStartupCheckUseCase::RequiredVersion(FDatabaseVersion, FMinimumVersion) +
                  (FDownloadUrl.empty() ? " (sem pacote publicado: a aplicação é aberta como está)" : ""));
  else
    FLogger->Info("ApplyCheckResult - Caminho: BDE e abertura, o executável atende à versão exigida");
  FLogger->Info("URL do BDE: " + FBdeUrl);
  if (AStatus.RequiresUpdate) {
    SetState(TAppState::CheckingUpdate, FTranslator->TranslateFormat("UpdateNeeded", {AStatus.MinimumVersion}), 25);
    CheckForUpdates();
  } else {
    CheckBDE();
  }
}

void TSplashViewModel::LaunchApplication() {
  const std::string executable = FFileService->GetApplicationExecutable();
  FLogger->Info("LaunchApplication - Executável: " + executable);
  if (!FFileService->FileExists(executable)) {
    FLogger->Error("LaunchApplication - Executável não encontrado: " + executable);
    SetState(TAppState::Error, FTranslator->TranslateFormat("ExecutableNotFound", {executable}), 0);
    return;
  }
  FLogger->Info("LaunchApplication - Executando aplicação via ShellExecute");
  SetState(TAppState::ReadyToLaunch, FTranslator->TranslateFormat("ExecutingApplication", {executable}), 0);
  const Core::Interfaces::TProcessStartResult started = FPlatform.Shell->Open(executable);
  // A launch the shell refused must not look like success: the launcher would
  // close and the user would be left with nothing.
  if (!started.Started) {
    FLogger->Error("LaunchApplication - Falha ao executar: " + started.ErrorMessage);
    SetState(TAppState::Error, FTranslator->TranslateFormat("GenericError", {started.ErrorMessage}), 0);
    return;
  }
  if (FOnLaunchApplication && App::Constants::CloseAfterLaunch) FOnLaunchApplication();
}

void TSplashViewModel::CheckForUpdates() {
  SetState(TAppState::CheckingUpdate, FTranslator->Translate("CheckingUpdates"), 40);
  FPlatform.Tasks->Run([self = shared_from_this()] {
    try {
      self->HandOver([&] {
        if (!self->FDownloadUrl.empty()) {
          self->SetState(TAppState::CheckingUpdate,
                         self->FTranslator->TranslateFormat("DownloadURL", {self->FDownloadUrl}), 50);
          self->SetState(TAppState::CheckingUpdate, self->FTranslator->Translate("StartingDownload"), 60);
          self->DownloadAndLaunch();
        } else {
          self->SetState(TAppState::ReadyToLaunch, self->FTranslator->Translate("Success"), 100);
          self->LaunchApplication();
        }
      });
    } catch (const std::exception& e) {
      // Left unreported, the road would stay in its last state for ever.
      self->FLogger->Error("CheckForUpdates - Exceção", &e);
      const std::string text = e.what();
      try {
        self->HandOver(
            [&] { self->SetState(TAppState::Error, self->FTranslator->TranslateFormat("GenericError", {text}), 0); });
      } catch (...) {
      }
    }
  });
}

void TSplashViewModel::DownloadAndLaunch() {
  FLogger->Info("DownloadAndLaunch - Iniciando download da aplicação");
  FLogger->Debug("DownloadAndLaunch - URL: " + FDownloadUrl);
  const std::string kind = Core::Text::EndsWithTextAscii(FDownloadUrl, ".exe") ? ".exe" : ".zip";
  std::string executable = FFileService->GetApplicationExecutable();
  // A name of its own, in the folder the update holds: two launchers never
  // share a download, and another's start-up clean-up never removes one in progress.
  const std::string downloadPath = FPlatform.Installer->DownloadPath(InstallationFolder(kind == ".zip", executable), kind);
  FLogger->Debug("DownloadAndLaunch - Caminho download: " + downloadPath);
  FLogger->Debug("DownloadAndLaunch - Executável alvo: " + executable);
  SetState(TAppState::DownloadingApplication, FTranslator->TranslateFormat("DownloadingFrom", {FDownloadUrl}),
           kDownloadBandStart);
  FPlatform.Tasks->Run([self = shared_from_this(), downloadPath, executable, kind]() mutable {
    try {
      self->RunUpdate(downloadPath, std::move(executable), kind == ".zip");
    } catch (const Core::EUpdateCancelled& e) {
      self->ReportUpdateFailure(downloadPath, e, true, true);
    } catch (const Core::EUpdateError& e) {
      self->ReportUpdateFailure(downloadPath, e, true, false);
    } catch (const std::exception& e) {
      self->ReportUpdateFailure(downloadPath, e, false, false);
    }
  });
}

void TSplashViewModel::ReportUpdateFailure(const std::string& ADownloadPath, const std::exception& AError,
                                           bool AExplained, bool ACancelled) {
  FPlatform.RemoveFile(ADownloadPath);
  if (!ACancelled) FLogger->Error("DownloadAndLaunch - Atualização interrompida", &AError);
  const std::string text = AError.what();
  try {
    HandOver([&] {
      FInstalling = false;
      if (StopIfRequested()) return;
      SetState(TAppState::Error, AExplained ? text : FTranslator->TranslateFormat("DownloadException", {text}), 0);
    });
  } catch (...) {
  }
}

std::string TSplashViewModel::InstallationFolder(bool AZip, const std::string& AExecutable) const {
  return AZip || AExecutable.empty() ? Core::Text::ParentPath(FPlatform.LauncherPath)
                                     : Core::Text::ParentPath(AExecutable);
}

void TSplashViewModel::RunUpdate(const std::string& ADownloadPath, std::string AExecutable, bool AZip) {
  const std::string launcherFolder = Core::Text::ParentPath(FPlatform.LauncherPath);
  const std::string folder = InstallationFolder(AZip, AExecutable);
  const std::unique_ptr<Core::Interfaces::IInstallationLock> lock = FPlatform.Installer->Lock(folder);
  if (!lock->TryAcquire() && WaitForOtherUpdate(*lock, folder, AExecutable)) {
    FPlatform.Sleep(kPauseBeforeLaunchMs);
    HandOver([&] {
      if (!StopIfRequested()) LaunchApplication();
    });
    return;
  }

  int32_t lastProgress = -1;  // the first report (0 %) shows too
  // Hashed and measured as it arrives against what the release document published.
  const Core::ValueObjects::TDownloadVerdict verdict =
      FFileService->DownloadVerifiedFile(FDownloadUrl, ADownloadPath, FPackageCheck, [&](int64_t AReceived, int64_t ATotal) {
    const int32_t progress = DownloadProgress(AReceived, ATotal);
    // Only reports that change the window travel: the download must not
    // wait for a repaint per block.
    if (progress < 0 || progress == lastProgress) return;
    lastProgress = progress;
    HandOver([&] {
      SetState(TAppState::DownloadingApplication,
               FTranslator->TranslateFormat("DownloadingProgress", {std::to_string(progress - kDownloadBandStart)}),
               progress);
    });
  });
  if (verdict != Core::ValueObjects::TDownloadVerdict::Ok) {
    FPlatform.RemoveFile(ADownloadPath);
    const std::string_view refusal = Core::ValueObjects::DownloadVerdictKey(verdict);
    if (!refusal.empty()) {
      // Not what was published: nothing is extracted or replaced.
      FLogger->Error("DownloadAndLaunch - Download recusado: " + std::string(refusal));
      HandOver([&] { SetState(TAppState::Error, FTranslator->TranslateFormat(std::string(refusal), {FDownloadUrl}), 0); });
    } else {
      FLogger->Error("DownloadAndLaunch - Erro ao baixar arquivo");
      HandOver([&] { SetState(TAppState::Error, FTranslator->Translate("ErrorDownloading"), 0); });
    }
    return;
  }
  FLogger->Info("DownloadAndLaunch - Download concluído com sucesso");

  HandOver([&] {
    if (FStopRequested) throw Core::EUpdateCancelled("Atualização cancelada");
    FInstalling = true;
    SetState(TAppState::InstallingUpdate, FTranslator->Translate("DownloadComplete"), 90);
    if (AZip) {
      FLogger->Info("DownloadAndLaunch - Extraindo arquivo ZIP");
      SetState(TAppState::InstallingUpdate, FTranslator->Translate("InstallingUpdate"), 92);
    } else {
      FLogger->Info("DownloadAndLaunch - Movendo arquivo EXE para o local definitivo");
    }
  });
  Core::Interfaces::TInstallRequest request;
  request.Kind = AZip ? Core::Interfaces::TPackageKind::Zip : Core::Interfaces::TPackageKind::Executable;
  request.PackagePath = ADownloadPath;
  request.Destination = AZip ? launcherFolder : AExecutable;
  request.ApplicationExecutable = AExecutable;
  request.RequiredVersion =
      Application::UseCases::TStartupCheckUseCase::RequiredVersion(FDatabaseVersion, FMinimumVersion);
  int32_t lastInstallProgress = 92;
  request.OnProgress = [&](int64_t ADone, int64_t ATotal) {
    const int32_t progress = InstallProgress(ADone, ATotal);
    if (!AZip || progress == lastInstallProgress) return;
    lastInstallProgress = progress;
    HandOver([&] { SetState(TAppState::InstallingUpdate, FTranslator->Translate("InstallingUpdate"), progress); });
  };
  request.IsCancelled = [this] { return FStopRequested.load(); };
  request.OnFileReplaced = [this](const std::string& APath) {
    FLogger->Info("DownloadAndLaunch - Arquivo substituído: " + APath);
  };
  FPlatform.Installer->Install(request);
  lock->Release();
  FLogger->Info(AZip ? "DownloadAndLaunch - ZIP extraído com sucesso" : "DownloadAndLaunch - Executável substituído");
  // The application is in place: a download that cannot be removed now only costs disk space.
  if (!FPlatform.RemoveFile(ADownloadPath))
    FLogger->Warning("DownloadAndLaunch - Não foi possível remover o download: " + ADownloadPath);

  HandOver([&] {
    FInstalling = false;
    if (StopIfRequested()) return;
    SetState(TAppState::ReadyToLaunch, FTranslator->Translate(AZip ? "UpdateCompletedSuccess" : "DownloadCompleted"),
             100);
  });
  if (FStopRequested) return;
  // A wait that leaves the window answering.
  FPlatform.Sleep(kPauseBeforeLaunchMs);
  HandOver([&] {
    if (!StopIfRequested()) LaunchApplication();
  });
}

bool TSplashViewModel::WaitForOtherUpdate(Core::Interfaces::IInstallationLock& ALock, const std::string& AFolder,
                                          std::string& AExecutable) {
  FLogger->Info("DownloadAndLaunch - Outra atualização em andamento em " + AFolder);
  HandOver([&] {
    SetState(TAppState::DownloadingApplication, FTranslator->Translate("UpdateWaitingOther"), kDownloadBandStart);
  });
  while (!ALock.TryAcquire()) {
    if (FStopRequested) throw Core::EUpdateCancelled("Atualização cancelada");
    FPlatform.Sleep(kLockPollMs);
  }
  // Its holder may have died half-way: its swap is finished or undone first.
  FPlatform.Installer->Recover(AFolder);
  AExecutable = FFileService->GetApplicationExecutable();
  const std::string version =
      FFileService->FileExists(AExecutable) ? FFileService->ReadVersionFromFile(AExecutable) : "0.0.0.0";
  const bool stillNeeded =
      Application::UseCases::TStartupCheckUseCase::CheckUpdateRequired(FDatabaseVersion, version, FMinimumVersion);
  FLogger->Info("DownloadAndLaunch - Versão após a espera: " + version);
  HandOver([&] { FExecutableVersion = version; });
  if (stillNeeded) return false;
  ALock.Release();
  HandOver([&] {
    SetState(TAppState::ReadyToLaunch, FTranslator->Translate("UpdateCompletedSuccess"), 100);
  });
  return true;
}

void TSplashViewModel::RecoverInstallations() {
  if (!FPlatform.Installer) return;
  std::vector<std::string> folders{Core::Text::ParentPath(FPlatform.LauncherPath)};
  const std::string executable = FFileService->GetApplicationExecutable();
  if (!executable.empty() && Core::Text::ParentPath(executable) != folders.front())
    folders.push_back(Core::Text::ParentPath(executable));
  for (const std::string& folder : folders) {
    const std::unique_ptr<Core::Interfaces::IInstallationLock> lock = FPlatform.Installer->Lock(folder);
    // Busy: another launcher is updating it and will finish its own swap.
    if (lock->TryAcquire()) FPlatform.Installer->Recover(folder);
  }
}

void TSplashViewModel::RequestStop(std::function<void()> AOnStopped) {
  FStopRequested = true;
  if (!FInstalling) {
    if (AOnStopped) AOnStopped();
    return;
  }
  FLogger->Info("RequestStop - Aguardando a instalação terminar ou ser desfeita");
  FOnStopped = std::move(AOnStopped);
}

bool TSplashViewModel::StopIfRequested() {
  if (!FStopRequested) return false;
  if (FOnStopped) std::exchange(FOnStopped, nullptr)();
  return true;
}

int32_t TSplashViewModel::InstallProgress(int64_t ADone, int64_t ATotal) {
  return ATotal > 0 ? 92 + static_cast<int32_t>(std::min<int64_t>(ADone, ATotal) * 7 / ATotal) : 92;
}

void TSplashViewModel::CheckBDE() {
  FLogger->Info("CheckBDE - Verificando BDE");
  const std::string installerUrl = !FBdeUrl.empty() ? FBdeUrl : FPlatform.DefaultBdeUrl;
  FLogger->Info("CheckBDE - URL do instalador: " + installerUrl);
  SetState(TAppState::CheckingBDE, FTranslator->Translate("CheckingBDE"), 5);
  FPlatform.Tasks->Run([self = shared_from_this(), installerUrl] {
    try {
      const Core::Interfaces::TBDEInstallStatus status = self->FBDEService->CheckBDEInstalled();
      self->FLogger->Info(std::string("CheckBDE - BDE Instalado: ") + (status.IsInstalled ? "True" : "False"));
      self->FLogger->Info("CheckBDE - Versão: " + status.Version);
      self->FLogger->Info("CheckBDE - Caminho: " + status.InstallPath);
      self->HandOver([&] {
        if (status.IsInstalled) {
          self->FLogger->Info("CheckBDE - BDE está instalado, iniciando aplicação...");
          self->SetState(TAppState::Validated, self->FTranslator->Translate("BDEPresent"), 100);
          self->LaunchApplication();
          return;
        }
        self->FLogger->Warning("CheckBDE - BDE não encontrado, iniciando instalação");
        self->SetState(TAppState::InstallingBDE, self->FTranslator->Translate("BDENotFound"), 10);
        self->FPlatform.Tasks->Run([self, installerUrl, check = self->FBdeCheck] {
          try {
            int32_t lastPoints = -1;
            const bool installed =
                self->FBDEService->InstallBDEFromURL(installerUrl, "", [&](int64_t ACurrent, int64_t ATotal) {
                  const int32_t points = InstallPoints(ACurrent, ATotal);
                  if (points == lastPoints) return;  // nothing new to show
                  lastPoints = points;
                  self->HandOver([&] {
                    self->SetState(TAppState::InstallingBDE,
                                   self->FTranslator->TranslateFormat("InstallingBDE", {std::to_string(points)}),
                                   points + 10);
                  });
                }, check);
            self->HandOver([&] {
              if (installed) {
                self->FLogger->Info("CheckBDE - BDE instalado com sucesso");
                self->SetState(TAppState::Validated, self->FTranslator->Translate("BDEInstalledSuccess"), 100);
              } else {
                self->FLogger->Error("CheckBDE - Falha ao instalar BDE");
                self->SetState(TAppState::BDEMissing, self->FTranslator->Translate("BDERequired"), 0);
              }
            });
            if (!installed) return;
            // A wait that leaves the window answering.
            self->FPlatform.Sleep(kPauseAfterBDEInstallMs);
            self->HandOver([&] { self->LaunchApplication(); });
          } catch (const Core::EDownloadVerificationError& e) {
            // The installer was refused before it ran: an error, not a missing BDE to retry.
            self->FLogger->Error("CheckBDE - Instalador recusado", &e);
            const std::string text = e.what();
            try {
              self->HandOver([&] { self->SetState(TAppState::Error, text, 0); });
            } catch (...) {
            }
          } catch (const std::exception& e) {
            // Left unreported, the road would stay in "installing" for ever.
            self->ReportBDEError(e);
          }
        });
      });
    } catch (const std::exception& e) {
      self->ReportBDEError(e);
    }
  });
}

void TSplashViewModel::ReportBDEError(const std::exception& AError) {
  FLogger->Error("CheckBDE - Exceção", &AError);
  const std::string text = AError.what();
  try {
    HandOver([&] { SetState(TAppState::BDEMissing, FTranslator->TranslateFormat("BDECheckError", {text}), 0); });
  } catch (...) {
    // The window is gone: there is nobody left to tell.
  }
}

}  // namespace Presentation::ViewModels
