#include "Presentation/ViewModels/Splash.h"

#include "Presentation/ViewModels/SplashRoadReports.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "App/Constants.h"

namespace Presentation::ViewModels {

using Application::UseCases::TBDEOutcome;
using Application::UseCases::TBDEResult;
using Core::ValueObjects::TStartupCheckStatus;
using Core::ValueObjects::TStartupStatus;
using Core::ValueObjects::TUpdateOutcome;
using Core::ValueObjects::TUpdateResult;

namespace {

constexpr uint32_t kPauseBeforeLaunchMs = 500;
constexpr uint32_t kPauseAfterBDEInstallMs = 1000;

}  // namespace

TSplashViewModel::TSplashViewModel(std::shared_ptr<Application::UseCases::IStartupCheckUseCase> AStartupCheckUseCase,
                                   std::shared_ptr<Application::UseCases::IUpdateApplicationUseCase> AUpdateUseCase,
                                   std::shared_ptr<Application::UseCases::IConfigureDatabaseUseCase> AConfigureUseCase,
                                   std::shared_ptr<Core::Interfaces::IFileService> AFileService,
                                   std::shared_ptr<Core::Interfaces::ITranslator> ATranslator,
                                   std::shared_ptr<Core::Interfaces::ILoggerService> ALogger,
                                   std::shared_ptr<Application::UseCases::IInstallBDEUseCase> AInstallBDEUseCase,
                                   TSplashPlatform APlatform)
    : FStartupCheckUseCase(std::move(AStartupCheckUseCase)),
      FUpdateUseCase(std::move(AUpdateUseCase)),
      FConfigureUseCase(std::move(AConfigureUseCase)),
      FFileService(std::move(AFileService)),
      FTranslator(std::move(ATranslator)),
      FLogger(std::move(ALogger)),
      FInstallBDEUseCase(std::move(AInstallBDEUseCase)),
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

void TSplashViewModel::TryHandOver(const std::function<void()>& AProc) {
  try {
    HandOver(AProc);
  } catch (...) {
    // The window is gone: there is nobody left to tell.
  }
}

void TSplashViewModel::ShowFromTask(TAppState AState, const std::string& AMessage, int32_t AProgress) {
  HandOver([&] { SetState(AState, AMessage, AProgress); });
}

void TSplashViewModel::TryShowFromTask(TAppState AState, const std::string& AMessage, int32_t AProgress) {
  try {
    ShowFromTask(AState, AMessage, AProgress);
  } catch (...) {
    // The window is gone: there is nobody left to tell.
  }
}

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
      if (self->FUpdateUseCase) self->FUpdateUseCase->RecoverInterruptedUpdates();
      const TStartupStatus status = self->FStartupCheckUseCase->Execute();
      self->FLogger->Info(std::string("ValidateConfiguration - Verificação concluída: ") +
                          (status.Status == TStartupCheckStatus::Valid ? "Valid" : "UnknownError"));
      if (!status.Message.empty()) self->FLogger->Debug("ValidateConfiguration - Message: " + status.Message);
      self->HandOver([&] { self->ApplyCheckResult(status); });
    } catch (const std::exception& e) {
      self->FLogger->Error("ValidateConfiguration - Erro na validação", &e);
      self->TryShowFromTask(TAppState::Error, self->FTranslator->TranslateFormat("ValidationError", {e.what()}), 0);
    }
  });
}

void TSplashViewModel::ApplyCheckResult(const TStartupStatus& AStatus) {
  if (!AStatus.Message.empty()) SetState(TAppState::Validating, AStatus.Message, 20);
  if (AStatus.Status != TStartupCheckStatus::Valid) {
    SetState(TAppState::Error, FTranslator->TranslateFormat("GenericError", {AStatus.Message}), 0);
    return;
  }
  FUpdatePlan = FUpdateUseCase->PlanFor(AStatus);
  FBdeUrl = AStatus.BdeUrl;
  FBdeCheck = AStatus.BdeCheck;
  FMinimumVersion = AStatus.MinimumVersion;
  FDatabaseVersion = AStatus.DatabaseVersion;
  FExecutableVersion = AStatus.ExecutableVersion;
  FLogger->Info("ApplyCheckResult - Verificação aprovada");
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
  const std::string& url = FUpdatePlan.PackageUrl;
  // Release information that did not verify names no package, yet the road must say it refused.
  if (url.empty() && FUpdatePlan.Trust != Core::ValueObjects::TReleaseTrust::Unverified) {
    SetState(TAppState::ReadyToLaunch, FTranslator->Translate("Success"), 100);
    LaunchApplication();
    return;
  }
  SetState(TAppState::CheckingUpdate, FTranslator->TranslateFormat("DownloadURL", {url}), 50);
  SetState(TAppState::CheckingUpdate, FTranslator->Translate("StartingDownload"), 60);
  DownloadAndLaunch();
}

void TSplashViewModel::DownloadAndLaunch() {
  FLogger->Info("DownloadAndLaunch - Iniciando download da aplicação");
  SetState(TAppState::DownloadingApplication, FTranslator->TranslateFormat("DownloadingFrom", {FUpdatePlan.PackageUrl}),
           kDownloadBandStart);
  FPlatform.Tasks->Run([self = shared_from_this(), plan = FUpdatePlan] {
    try {
      TUpdateReports reports(*self);
      const TUpdateOutcome outcome = self->FUpdateUseCase->ExecuteUpdate(plan, reports, self->FStopRequested);
      self->ShowUpdateOutcome(outcome);
    } catch (const std::exception& e) {
      // Left unreported, the road would stay in its last state for ever.
      self->FLogger->Error("DownloadAndLaunch - Exceção", &e);
      const std::string text = e.what();
      self->TryHandOver([&] {
        self->FInstalling = false;
        if (!self->StopIfRequested())
          self->SetState(TAppState::Error, self->FTranslator->TranslateFormat("DownloadException", {text}), 0);
      });
    }
  });
}

void TSplashViewModel::ShowUpdateOutcome(const TUpdateOutcome& AOutcome) {
  const bool launch = AOutcome.Result == TUpdateResult::Installed || AOutcome.Result == TUpdateResult::DoneByOther;
  bool stopped = false;
  TryHandOver([&] {
    FInstalling = false;
    if (!AOutcome.ExecutableVersion.empty()) FExecutableVersion = AOutcome.ExecutableVersion;
    stopped = StopIfRequested();
    if (stopped) return;
    if (launch)
      SetState(TAppState::ReadyToLaunch, FTranslator->Translate(AOutcome.Message), 100);
    else if (AOutcome.Result != TUpdateResult::Cancelled)
      SetState(TAppState::Error, AOutcome.Message, 0);
  });
  if (!launch || stopped) return;
  // A wait that leaves the window answering.
  FPlatform.Sleep(kPauseBeforeLaunchMs);
  TryHandOver([&] {
    if (!StopIfRequested()) LaunchApplication();
  });
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
  SetState(TAppState::CheckingBDE, FTranslator->Translate("CheckingBDE"), 5);
  const Application::UseCases::TBDEPlan plan{FBdeUrl, FBdeCheck, FUpdatePlan.Trust};
  FPlatform.Tasks->Run([self = shared_from_this(), plan] {
    try {
      TBDEReports reports(*self);
      self->ShowBDEOutcome(self->FInstallBDEUseCase->Execute(plan, reports));
    } catch (const std::exception& e) {
      // A report the window could not take: left unreported, the road would stay where it was.
      self->FLogger->Error("CheckBDE - Exceção", &e);
      self->TryShowFromTask(TAppState::BDEMissing, self->FTranslator->TranslateFormat("BDECheckError", {e.what()}),
                            0);
    }
  });
}

void TSplashViewModel::ShowBDEOutcome(const TBDEOutcome& AOutcome) {
  TryHandOver([&] {
    switch (AOutcome.Result) {
      case TBDEResult::Present:
        SetState(TAppState::Validated, FTranslator->Translate("BDEPresent"), 100);
        LaunchApplication();
        break;
      case TBDEResult::Installed:
        SetState(TAppState::Validated, FTranslator->Translate("BDEInstalledSuccess"), 100);
        break;
      case TBDEResult::NotInstalled:
        SetState(TAppState::BDEMissing, FTranslator->Translate("BDERequired"), 0);
        break;
      case TBDEResult::Refused:
        // The installer was refused before it ran: an error, not a missing BDE to retry.
        SetState(TAppState::Error, AOutcome.Message, 0);
        break;
      case TBDEResult::Failed:
        SetState(TAppState::BDEMissing, FTranslator->TranslateFormat("BDECheckError", {AOutcome.Message}), 0);
        break;
    }
  });
  if (AOutcome.Result != TBDEResult::Installed) return;
  // A wait that leaves the window answering.
  FPlatform.Sleep(kPauseAfterBDEInstallMs);
  TryHandOver([&] { LaunchApplication(); });
}

}  // namespace Presentation::ViewModels
