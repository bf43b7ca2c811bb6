#pragma once
// The launcher's main window: a borderless splash over the project's own
// artwork that shows every report of the start-up road, opens the
// configuration window and the data-source selector when the road stops for
// them, and closes the launcher after the launch, after a fatal error or when
// the user asks.
#include <memory>
#include <string>

#include "Application/UseCases/StartupCheck.h"
#include "Core/Interfaces/ITranslator.h"
#include "Presentation/ViewModels/Splash.h"
#include "Presentation/Views/Form.h"
#include "Presentation/Views/PixelSurface.h"
#include "Presentation/Views/Taskbar.h"

namespace Presentation::Views {

class TfrmSplash : public TForm {
 public:
  enum TControlId : int {
    btnMinimize = 101,
    btnClose,
    btnRetry,
    imgRetry,
    lblMessage,
    pbProgress,
    lblProgress,
    lblVersion,
    aniLoading,
  };
  static constexpr const wchar_t* ClassName = L"TfrmSplash";
  // The launcher's exit code, so that scripts can tell how a start ended.
  enum TExitCode : int { ExitLaunched = 0, ExitFatalError = 1, ExitClosedByUser = 2 };

  // Wires the start-up road from the service registry's services.
  TfrmSplash();
  // The same over a given view model and start-up check (the check receives
  // the data source the user chooses).
  TfrmSplash(std::shared_ptr<ViewModels::ISplashViewModel> AViewModel,
             std::shared_ptr<Application::UseCases::IStartupCheckUseCase> ACheckUseCase,
             std::shared_ptr<Core::Interfaces::ITranslator> ATranslator);
  ~TfrmSplash() override;

  // Shows the window and starts the validation half a second later.
  void Show();
  bool BusyRunning() const { return FBusy; }
  bool MessageInErrorColour() const { return FMessageInErrorColour; }

 protected:
  LRESULT HandleMessage(UINT AMessage, WPARAM AWParam, LPARAM ALParam) override;
  void OnCommand(int AId, int ANotification) override;
  void CreateControls() override;
  void Layout() override;
  COLORREF BackgroundColour() const override { return RGB(0x0A, 0x1A, 0x2B); }

 private:
  void FormCreate();
  void OnStateChanged(ViewModels::TAppState ANewState, const std::string& AMessage, int32_t AProgress);
  void ApplyState(ViewModels::TAppState AState, const std::string& AMessage);
  void UpdateVersionLabel();
  void ShowConfigure();
  void ShowDSNSelector();
  void ShowFatalError();
  void CloseApplication(int AExitCode);
  void SetRetryVisible(bool AVisible);
  void SetBusy(bool ARunning);
  void RenderBackground();
  void DrawControl(const DRAWITEMSTRUCT& AItem);
  void PlaceMessage();
  void DrawMessage(TPixelSurface& ASurface, const std::wstring& AText);

  std::shared_ptr<ViewModels::ISplashViewModel> FViewModel;
  std::shared_ptr<Application::UseCases::IStartupCheckUseCase> FCheckUseCase;
  std::shared_ptr<Core::Interfaces::ITranslator> FTranslator;
  std::unique_ptr<TPixelSurface> FBackground;
  bool FBusy = false;
  bool FMessageInErrorColour = false;
  bool FClosing = false;
  int FSpinnerPhase = 0;
  std::string FFatalMessage;
  TTaskbarButton FTaskbar;
};

// The main window, created by the program entry.
extern std::unique_ptr<TfrmSplash> frmSplash;

}  // namespace Presentation::Views
