// The splash window over a scripted view model: each report is applied the
// way the user sees it, the retry, minimise and close buttons work, the
// configuration window and the data-source selector open when the road stops
// for them, and a fatal error ends the launcher after its message box.
#include <gtest/gtest.h>
#include <windows.h>

#include <commctrl.h>

#include <atomic>
#include <memory>
#include <string>

#include "App/Constants.h"
#include "Bootstrap/ServiceLocator.h"
#include "Infrastructure/Platform/Win32/WinText.h"
#include "Infrastructure/Translator/PortugueseTranslator.h"
#include "Presentation/Views/DSNSelector.h"
#include "Presentation/Views/DatabaseConfig.h"
#include "Presentation/Views/Splash.h"
#include "windows/ODBCRegistryFixture.h"
#include "windows/WindowTestSupport.h"

using Presentation::ViewModels::TAppState;
using Presentation::Views::TfrmSplash;
using namespace TestSupport;

namespace {

// Reports what the test tells it to; counts the starts of the validation.
class TScriptedSplashViewModel : public Presentation::ViewModels::ISplashViewModel {
 public:
  void Initialize() override { Report(TAppState::Initializing, "Por favor, aguarde...", 0); }
  void StartValidation() override { ++FStarts; }
  TAppState GetCurrentState() const override { return FState; }
  std::string GetCurrentMessage() const override { return {}; }
  int32_t GetCurrentProgress() const override { return 0; }
  Presentation::ViewModels::TOnStateChanged GetOnStateChanged() const override { return FOnStateChanged; }
  void SetOnStateChanged(Presentation::ViewModels::TOnStateChanged AValue) override { FOnStateChanged = AValue; }
  Presentation::ViewModels::TOnLaunchApplication GetOnLaunchApplication() const override { return FOnLaunch; }
  void SetOnLaunchApplication(Presentation::ViewModels::TOnLaunchApplication AValue) override { FOnLaunch = AValue; }
  void RequestStop(std::function<void()> AOnStopped) override { AOnStopped(); }
  std::string GetMinimumVersion() const override { return FMinimum; }
  std::string GetDatabaseVersion() const override { return FDatabase; }
  std::string GetExecutableVersion() const override { return FExecutable; }
  void SetMinimumVersion(const std::string& AValue) override { FMinimum = AValue; }
  void SetDatabaseVersion(const std::string& AValue) override { FDatabase = AValue; }
  void SetExecutableVersion(const std::string& AValue) override { FExecutable = AValue; }

  void Report(TAppState AState, const std::string& AMessage, int32_t AProgress) {
    FState = AState;
    if (FOnStateChanged) FOnStateChanged(AState, AMessage, AProgress);
  }
  void Launch() {
    if (FOnLaunch) FOnLaunch();
  }
  int Starts() const { return FStarts; }

 private:
  TAppState FState = TAppState::Initializing;
  Presentation::ViewModels::TOnStateChanged FOnStateChanged;
  Presentation::ViewModels::TOnLaunchApplication FOnLaunch;
  std::string FMinimum, FDatabase, FExecutable;
  std::atomic<int> FStarts{0};
};

class TRecordingStartupCheck : public Application::UseCases::IStartupCheckUseCase {
 public:
  Core::ValueObjects::TStartupStatus Execute() override { return {}; }
  bool NeedsConfiguration() override { return false; }
  bool NeedsDSNSelection() override { return false; }
  void SetRuntimeDSN(const std::string& ADSN) override { RuntimeDSN = ADSN; }
  std::string RuntimeDSN;
};

class SplashWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    FViewModel = std::make_shared<TScriptedSplashViewModel>();
    FCheck = std::make_shared<TRecordingStartupCheck>();
    FForm = std::make_unique<TfrmSplash>(FViewModel, FCheck,
                                         std::make_shared<Infrastructure::Translator::TPortugueseTranslator>());
  }
  void TearDown() override {
    FForm.reset();
    Presentation::Views::frmDatabaseConfig.reset();
    MSG quit;
    while (PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
  }

  HWND Window() const { return FForm->Handle(); }
  std::string Text(int AId) const { return ControlText(Window(), AId); }
  bool Visible(int AId) const { return ControlVisible(Window(), AId); }
  int Progress() const {
    return static_cast<int>(SendMessageW(GetDlgItem(Window(), TfrmSplash::pbProgress), PBM_GETPOS, 0, 0));
  }
  // Lets the window paint what it was told and runs what it posted itself.
  void Settle() { PumpUntil([] { return false; }, 100); }
  // The exit code the window asked for, once it has closed.
  int ExitCode() {
    MSG message{};
    PumpUntil([] { return false; }, 100);
    return PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) ? static_cast<int>(message.wParam) : -1;
  }

  std::shared_ptr<TScriptedSplashViewModel> FViewModel;
  std::shared_ptr<TRecordingStartupCheck> FCheck;
  std::unique_ptr<TfrmSplash> FForm;
};

TEST_F(SplashWindow, ShowsEachReportAndStartsTheValidationOnceShown) {
  // Created: the first report is applied before the window shows, and nothing starts yet.
  EXPECT_EQ(Text(TfrmSplash::lblMessage), "Por favor, aguarde...");
  EXPECT_EQ(Text(TfrmSplash::lblProgress), "");
  EXPECT_EQ(Text(TfrmSplash::lblVersion), "");
  EXPECT_TRUE(FForm->BusyRunning());
  EXPECT_TRUE(Visible(TfrmSplash::pbProgress));
  EXPECT_FALSE(Visible(TfrmSplash::btnRetry));
  EXPECT_FALSE(Visible(TfrmSplash::imgRetry));
  EXPECT_EQ(FViewModel->Starts(), 0);

  FForm->Show();
  EXPECT_TRUE(IsWindowVisible(Window()));
  ASSERT_TRUE(PumpUntil([&] { return FViewModel->Starts() == 1; }));
  SaveScreenshot(Window(), "splash_initializing");

  FViewModel->SetDatabaseVersion("3.1.4.1");
  FViewModel->SetExecutableVersion("1.0.0.0");
  FViewModel->Report(TAppState::DownloadingUpdate, "Baixando... 45%", 45);
  EXPECT_EQ(Text(TfrmSplash::lblMessage), "Baixando... 45%");
  EXPECT_EQ(Text(TfrmSplash::lblProgress), "45%");
  EXPECT_EQ(Progress(), 45);
  EXPECT_EQ(Text(TfrmSplash::lblVersion), "BD: 3.1.4.1 | EXE: 1.0.0.0 | WS: -");
  SaveScreenshot(Window(), "splash_downloading");

  // Just before the launch the bar is full, whatever the report's progress.
  FViewModel->Report(TAppState::ReadyToLaunch, "Executando aplicação: C:\\QuorvaneSoft\\Execs\\QuorvaneSoft.exe", 0);
  EXPECT_EQ(Progress(), 100);
  EXPECT_EQ(Text(TfrmSplash::lblProgress), "");
  EXPECT_FALSE(FForm->BusyRunning());
  SaveScreenshot(Window(), "splash_ready_to_launch");

  FViewModel->Launch();
  EXPECT_EQ(Window(), nullptr);
  EXPECT_EQ(ExitCode(), TfrmSplash::ExitLaunched);
}

TEST_F(SplashWindow, BDEMissingOffersTheRetryAndTheMessageStaysRed) {
  FForm->Show();
  ASSERT_TRUE(PumpUntil([&] { return FViewModel->Starts() == 1; }));
  const std::string message =
      "BDE é necessário para executar esta aplicação. Por favor, instale o BDE manualmente ou contate o suporte.";
  FViewModel->Report(TAppState::BDEMissing, message, 0);
  EXPECT_FALSE(FForm->BusyRunning());
  EXPECT_FALSE(Visible(TfrmSplash::aniLoading));
  EXPECT_FALSE(Visible(TfrmSplash::pbProgress));
  EXPECT_TRUE(Visible(TfrmSplash::btnRetry));
  EXPECT_TRUE(Visible(TfrmSplash::imgRetry));
  EXPECT_TRUE(FForm->MessageInErrorColour());
  EXPECT_EQ(Text(TfrmSplash::btnRetry), "Tentar Novamente");
  SaveScreenshot(Window(), "splash_bde_missing");

  Click(Window(), TfrmSplash::btnRetry);
  ASSERT_TRUE(PumpUntil([&] { return FViewModel->Starts() == 2; }));
  EXPECT_FALSE(Visible(TfrmSplash::btnRetry));
  EXPECT_FALSE(Visible(TfrmSplash::imgRetry));

  // The new road's messages keep the colour the failure gave them.
  FViewModel->Report(TAppState::CheckingBDE, "Verificando BDE (Borland Database Engine)...", 70);
  EXPECT_TRUE(FForm->MessageInErrorColour());
  EXPECT_TRUE(FForm->BusyRunning());
  EXPECT_TRUE(Visible(TfrmSplash::pbProgress));
  SaveScreenshot(Window(), "splash_retrying_in_red");
}

TEST_F(SplashWindow, FatalErrorIsShownInABoxThenTheLauncherEnds) {
  FForm->Show();
  ASSERT_TRUE(PumpUntil([&] { return FViewModel->Starts() == 1; }));
  const std::string message = "Erro na validação: banco de dados indisponível";
  std::string boxText;
  const int result = RunWithDriver(
      [&] {
        FViewModel->Report(TAppState::Error, message, 0);
        PumpUntil([&] { return Window() == nullptr; }, 30000);
        return ExitCode();
      },
      [&] {
        const HWND box = WaitForMessageBox();
        ASSERT_NE(box, nullptr);
        boxText = MessageBoxText(box);
        SaveScreenshot(Window(), "splash_error");
        SaveScreenshot(box, "splash_error_box");
        PostMessageW(box, WM_COMMAND, IDOK, 0);
      });
  EXPECT_EQ(boxText, message);
  EXPECT_EQ(result, TfrmSplash::ExitFatalError);
}

TEST_F(SplashWindow, MinimiseKeepsTheStartGoingAndCloseEndsItAtAnyMoment) {
  FForm->Show();
  ASSERT_TRUE(PumpUntil([&] { return FViewModel->Starts() == 1; }));
  FViewModel->Report(TAppState::DownloadingUpdate, "Baixando... 12%", 12);
  Click(Window(), TfrmSplash::btnMinimize);
  ASSERT_TRUE(PumpUntil([&] { return IsIconic(Window()) != FALSE; }));
  FViewModel->Report(TAppState::DownloadingUpdate, "Baixando... 30%", 30);
  EXPECT_EQ(Text(TfrmSplash::lblMessage), "Baixando... 30%");

  ShowWindow(Window(), SW_RESTORE);
  Click(Window(), TfrmSplash::btnClose);
  ASSERT_TRUE(PumpUntil([&] { return Window() == nullptr; }));
  EXPECT_EQ(ExitCode(), TfrmSplash::ExitClosedByUser);
}

class SplashWindowWithServices : public SplashWindow {
 protected:
  Bootstrap::TServiceRegistration FRegistration;
};

TEST_F(SplashWindowWithServices, ConfigurationCancelledOffersTheRetry) {
  FForm->Show();
  ASSERT_TRUE(PumpUntil([&] { return FViewModel->Starts() == 1; }));
  RunWithDriver(
      [&] {
        FViewModel->Report(TAppState::ConfigNeeded, "Configuração do banco de dados necessária", 0);
        PumpUntil([&] { return Visible(TfrmSplash::btnRetry); }, 30000);
        return 0;
      },
      [&] {
        const HWND config = WaitForWindow(Presentation::Views::TfrmDatabaseConfig::ClassName);
        ASSERT_NE(config, nullptr);
        EXPECT_EQ(GetWindow(config, GW_OWNER), Window());
        // Read from this thread while the window's thread is still settling its modal loop.
        EXPECT_TRUE(WaitFor([&] { return IsWindowEnabled(Window()) == FALSE; }, 5000))
            << "the splash waits while the configuration is open";
        SaveScreenshot(config, "splash_config_needed");
        CloseBox(config);
      });
  EXPECT_TRUE(Visible(TfrmSplash::btnRetry));
  EXPECT_FALSE(Visible(TfrmSplash::pbProgress));
  EXPECT_FALSE(FForm->BusyRunning());
  EXPECT_EQ(FViewModel->Starts(), 1);
  EXPECT_TRUE(IsWindowEnabled(Window()));
}

TEST_F(SplashWindowWithServices, ChosenDataSourceGoesToTheCheckAndTheValidationStartsAgain) {
  // A user data source of this test, listed first.
  TestSupport::TODBCRegistryFixture odbc;
  const std::string name = "AAA_QLTeste_Splash";
  odbc.AddDataSource(HKEY_CURRENT_USER, name, "SQL Server", "(local)");

  FForm->Show();
  ASSERT_TRUE(PumpUntil([&] { return FViewModel->Starts() == 1; }));
  std::string offered;
  RunWithDriver(
      [&] {
        FViewModel->Report(TAppState::DSNSelectionNeeded, "Selecione a fonte de dados ODBC que deseja utilizar:", 0);
        PumpUntil([&] { return FViewModel->Starts() == 2; }, 30000);
        return 0;
      },
      [&] {
        const HWND selector = WaitForWindow(Presentation::Views::TfrmDSNSelector::ClassName);
        ASSERT_NE(selector, nullptr);
        const auto items = ComboItems(selector, Presentation::Views::TfrmDSNSelector::cmbDSN);
        const auto found = std::find(items.begin(), items.end(), name);
        ASSERT_NE(found, items.end());
        ChooseItem(selector, Presentation::Views::TfrmDSNSelector::cmbDSN, static_cast<int>(found - items.begin()));
        offered = *found;
        SaveScreenshot(selector, "splash_dsn_selection");
        Click(selector, IDOK);
      });
  EXPECT_EQ(FCheck->RuntimeDSN, offered);
  EXPECT_FALSE(Visible(TfrmSplash::btnRetry));
}

}  // namespace
