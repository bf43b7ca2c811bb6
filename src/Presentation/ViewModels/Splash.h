#pragma once
// The start-up state machine: configuration test, start-up check, then the
// update road or the BDE road (each an application use case), then the launch.
// It turns what the use cases report into states, texts and progress; every
// state report goes to the window through OnStateChanged, on the user-interface
// thread.
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "Application/UseCases/ConfigureDatabase.h"
#include "Application/UseCases/InstallBDE.h"
#include "Application/UseCases/StartupCheck.h"
#include "Application/UseCases/UpdateApplication.h"
#include "Core/Interfaces/IClock.h"
#include "Core/Interfaces/IFileService.h"
#include "Core/Interfaces/ILoggerService.h"
#include "Core/Interfaces/IMainThread.h"
#include "Core/Interfaces/IProcessLauncher.h"
#include "Core/Interfaces/ITranslator.h"

namespace Presentation::ViewModels {

enum class TAppState {
  Initializing,
  CheckingBDE,
  InstallingBDE,
  BDEMissing,
  Validating,
  Validated,
  CheckingUpdate,
  DownloadingUpdate,
  InstallingUpdate,
  UpdateComplete,
  ReadyToLaunch,
  Error,
  ConfigNeeded,
  DownloadingApplication,
  DSNSelectionNeeded
};

using TOnStateChanged = std::function<void(TAppState ANewState, const std::string& AMessage, int32_t AProgress)>;
using TOnLaunchApplication = std::function<void()>;

class ISplashViewModel {
 public:
  virtual ~ISplashViewModel() = default;
  virtual void Initialize() = 0;
  virtual void StartValidation() = 0;
  virtual TAppState GetCurrentState() const = 0;
  virtual std::string GetCurrentMessage() const = 0;
  virtual int32_t GetCurrentProgress() const = 0;
  virtual TOnStateChanged GetOnStateChanged() const = 0;
  virtual void SetOnStateChanged(TOnStateChanged AValue) = 0;
  virtual TOnLaunchApplication GetOnLaunchApplication() const = 0;
  virtual std::string GetMinimumVersion() const = 0;
  virtual std::string GetDatabaseVersion() const = 0;
  virtual std::string GetExecutableVersion() const = 0;
  virtual void SetMinimumVersion(const std::string& AValue) = 0;
  virtual void SetDatabaseVersion(const std::string& AValue) = 0;
  virtual void SetExecutableVersion(const std::string& AValue) = 0;
  virtual void SetOnLaunchApplication(TOnLaunchApplication AValue) = 0;
  // The launcher is closing: AOnStopped runs on the user-interface thread at
  // once, or, while an update is being installed, once the installation has
  // been abandoned (before its swap) or finished (once its swap began). The
  // road then goes no further.
  virtual void RequestStop(std::function<void()> AOnStopped) = 0;
};

// What the view model reaches outside the use cases: threads, the shell and
// the pauses.
struct TSplashPlatform {
  std::shared_ptr<Core::Interfaces::IMainThread> MainThread;
  std::shared_ptr<Core::Interfaces::ITaskPool> Tasks;
  std::shared_ptr<Core::Interfaces::IProcessLauncher> Shell;
  Core::Interfaces::TSleepProc Sleep;
  std::string LauncherPath;
  // The first validation opens the database configuration instead (/config).
  bool ConfigureFirst = false;
};

class TSplashViewModel : public ISplashViewModel, public std::enable_shared_from_this<TSplashViewModel> {
 public:
  TSplashViewModel(std::shared_ptr<Application::UseCases::IStartupCheckUseCase> AStartupCheckUseCase,
                   std::shared_ptr<Application::UseCases::IUpdateApplicationUseCase> AUpdateUseCase,
                   std::shared_ptr<Application::UseCases::IConfigureDatabaseUseCase> AConfigureUseCase,
                   std::shared_ptr<Core::Interfaces::IFileService> AFileService,
                   std::shared_ptr<Core::Interfaces::ITranslator> ATranslator,
                   std::shared_ptr<Core::Interfaces::ILoggerService> ALogger,
                   std::shared_ptr<Application::UseCases::IInstallBDEUseCase> AInstallBDEUseCase,
                   TSplashPlatform APlatform);

  void Initialize() override;
  void StartValidation() override;
  TAppState GetCurrentState() const override { return FCurrentState; }
  std::string GetCurrentMessage() const override { return FCurrentMessage; }
  int32_t GetCurrentProgress() const override { return FCurrentProgress; }
  TOnStateChanged GetOnStateChanged() const override { return FOnStateChanged; }
  void SetOnStateChanged(TOnStateChanged AValue) override { FOnStateChanged = std::move(AValue); }
  TOnLaunchApplication GetOnLaunchApplication() const override { return FOnLaunchApplication; }
  void SetOnLaunchApplication(TOnLaunchApplication AValue) override { FOnLaunchApplication = std::move(AValue); }
  void RequestStop(std::function<void()> AOnStopped) override;
  std::string GetMinimumVersion() const override { return FMinimumVersion; }
  std::string GetDatabaseVersion() const override { return FDatabaseVersion; }
  std::string GetExecutableVersion() const override { return FExecutableVersion; }
  void SetMinimumVersion(const std::string& AValue) override { FMinimumVersion = AValue; }
  void SetDatabaseVersion(const std::string& AValue) override { FDatabaseVersion = AValue; }
  void SetExecutableVersion(const std::string& AValue) override { FExecutableVersion = AValue; }
  std::string GetBdeUrl() const { return FBdeUrl; }
  void SetBdeUrl(const std::string& AValue) { FBdeUrl = AValue; }

  // The download band's progress for R of T bytes (60 to 90), or -1 without a total.
  static int32_t DownloadProgress(int64_t AReceived, int64_t ATotal);
  // The installation's progress inside its band (92 to 99) for D of T.
  static int32_t InstallProgress(int64_t ADone, int64_t ATotal);
  // The BDE installation's points (0 to 80) for C of T.
  static int32_t InstallPoints(int64_t ACurrent, int64_t ATotal);

 private:
  class TUpdateReports;
  class TBDEReports;

  void SetState(TAppState AState, const std::string& AMessage, int32_t AProgress);
  void ValidateConfiguration();
  void ApplyCheckResult(const Core::ValueObjects::TStartupStatus& AStatus);
  void LaunchApplication();
  void CheckForUpdates();
  void DownloadAndLaunch();
  // From the update task: the state its outcome leads to, then the launch where it leads there.
  void ShowUpdateOutcome(const Core::ValueObjects::TUpdateOutcome& AOutcome);
  // True when the user closed the launcher: the pending stop is carried out.
  bool StopIfRequested();
  void CheckBDE();
  // From the BDE task: the state its outcome leads to, then the launch where it leads there.
  void ShowBDEOutcome(const Application::UseCases::TBDEOutcome& AOutcome);
  // Runs AProc on the user-interface thread from a background task.
  void HandOver(const std::function<void()>& AProc);
  // HandOver that swallows the failure of a window that is gone: there is nobody left to tell.
  void TryHandOver(const std::function<void()>& AProc);
  // From a task: one state shown on the window's thread.
  void ShowFromTask(TAppState AState, const std::string& AMessage, int32_t AProgress);
  void TryShowFromTask(TAppState AState, const std::string& AMessage, int32_t AProgress);

  std::shared_ptr<Application::UseCases::IStartupCheckUseCase> FStartupCheckUseCase;
  std::shared_ptr<Application::UseCases::IUpdateApplicationUseCase> FUpdateUseCase;
  std::shared_ptr<Application::UseCases::IConfigureDatabaseUseCase> FConfigureUseCase;
  std::shared_ptr<Core::Interfaces::IFileService> FFileService;
  std::shared_ptr<Core::Interfaces::ITranslator> FTranslator;
  std::shared_ptr<Core::Interfaces::ILoggerService> FLogger;
  std::shared_ptr<Application::UseCases::IInstallBDEUseCase> FInstallBDEUseCase;
  TSplashPlatform FPlatform;

  TAppState FCurrentState = TAppState::Initializing;
  std::string FCurrentMessage;
  int32_t FCurrentProgress = 0;
  TOnStateChanged FOnStateChanged;
  TOnLaunchApplication FOnLaunchApplication;
  Core::ValueObjects::TUpdatePlan FUpdatePlan;
  std::string FBdeUrl;
  Core::ValueObjects::TDownloadCheck FBdeCheck;
  std::string FMinimumVersion;
  std::string FDatabaseVersion;
  std::string FExecutableVersion;
  // Written on the user-interface thread; FStopRequested is also read by tasks.
  bool FInstalling = false;
  std::atomic<bool> FStopRequested{false};
  std::function<void()> FOnStopped;
};

}  // namespace Presentation::ViewModels
