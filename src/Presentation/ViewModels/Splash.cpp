#include "Presentation/ViewModels/Splash.h"

#include <cmath>

#include "App/Constants.h"
#include "Core/ValueObjects/DownloadVerdictKey.h"
#include "Core/Text/PathText.h"
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
  const std::string downloadPath = Core::Text::JoinPath(Core::Text::ParentPath(FPlatform.LauncherPath), "temp_update" + kind);
  const std::string executable = FFileService->GetApplicationExecutable();
  FLogger->Debug("DownloadAndLaunch - Caminho download: " + downloadPath);
  FLogger->Debug("DownloadAndLaunch - Executável alvo: " + executable);
  SetState(TAppState::DownloadingApplication, FTranslator->TranslateFormat("DownloadingFrom", {FDownloadUrl}),
           kDownloadBandStart);
  FPlatform.Tasks->Run([self = shared_from_this(), url = FDownloadUrl, check = FPackageCheck, downloadPath, executable] {
    try {
      int32_t lastProgress = kDownloadBandStart;
      const auto verdict = self->FFileService->DownloadVerifiedFile(url, downloadPath, check, [&](int64_t AReceived, int64_t ATotal) {
        const int32_t progress = DownloadProgress(AReceived, ATotal);
        // Only reports that change the window travel: the download must not
        // wait for a repaint per block.
        if (progress < 0 || progress == lastProgress) return;
        lastProgress = progress;
        self->HandOver([&] {
          self->SetState(TAppState::DownloadingApplication,
                         self->FTranslator->TranslateFormat("DownloadingProgress",
                                                            {std::to_string(progress - kDownloadBandStart)}),
                         progress);
        });
      });
      const std::string_view refusal = Core::ValueObjects::DownloadVerdictKey(verdict);
      if (!refusal.empty()) {
        // Not what was published: nothing is extracted or replaced.
        self->FLogger->Error("DownloadAndLaunch - Download recusado: " + std::string(refusal));
        self->HandOver([&] {
          self->SetState(TAppState::Error, self->FTranslator->TranslateFormat(std::string(refusal), {url}), 0);
        });
        return;
      }
      const bool success = verdict == Core::ValueObjects::TDownloadVerdict::Ok;
      if (success)
        self->FLogger->Info("DownloadAndLaunch - Download concluído com sucesso");
      else
        self->FLogger->Error("DownloadAndLaunch - Erro ao baixar arquivo");
      self->HandOver([&] { self->FinishDownload(success, downloadPath, executable); });
    } catch (const std::exception& e) {
      const std::string text = e.what();
      try {
        self->HandOver([&] {
          self->SetState(TAppState::Error, self->FTranslator->TranslateFormat("DownloadException", {text}), 0);
        });
      } catch (...) {
      }
    }
  });
}

void TSplashViewModel::FinishDownload(bool ASuccess, const std::string& ADownloadPath, const std::string& AExecutable) {
  if (!ASuccess) {
    SetState(TAppState::Error, FTranslator->Translate("ErrorDownloading"), 0);
    return;
  }
  SetState(TAppState::InstallingUpdate, FTranslator->Translate("DownloadComplete"), 90);
  if (!Core::Text::EndsWithTextAscii(ADownloadPath, ".zip")) {
    FLogger->Info("DownloadAndLaunch - Movendo arquivo EXE para o local definitivo");
    if (ADownloadPath != AExecutable) {
      // The old executable stays whole until the new one replaces it in one step.
      FPlatform.ReplaceFile(ADownloadPath, AExecutable);
      FPlatform.RemoveFile(ADownloadPath);
    }
    SetState(TAppState::ReadyToLaunch, FTranslator->Translate("DownloadCompleted"), 100);
    FPlatform.Sleep(kPauseBeforeLaunchMs);
    LaunchApplication();
    return;
  }
  FLogger->Info("DownloadAndLaunch - Extraindo arquivo ZIP");
  SetState(TAppState::InstallingUpdate, FTranslator->Translate("InstallingUpdate"), 92);
  if (FFileService->ExtractZip(ADownloadPath, Core::Text::ParentPath(FPlatform.LauncherPath))) {
    FLogger->Info("DownloadAndLaunch - ZIP extraído com sucesso");
    FPlatform.RemoveFile(ADownloadPath);
    SetState(TAppState::ReadyToLaunch, FTranslator->Translate("UpdateCompletedSuccess"), 100);
    FPlatform.Sleep(kPauseBeforeLaunchMs);
    LaunchApplication();
  } else {
    FLogger->Error("DownloadAndLaunch - Erro ao extrair ZIP");
    SetState(TAppState::Error, FTranslator->Translate("ErrorExtracting"), 0);
  }
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
                self->FPlatform.Sleep(kPauseAfterBDEInstallMs);
                self->LaunchApplication();
              } else {
                self->FLogger->Error("CheckBDE - Falha ao instalar BDE");
                self->SetState(TAppState::BDEMissing, self->FTranslator->Translate("BDERequired"), 0);
              }
            });
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
