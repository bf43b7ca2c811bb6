#include "Presentation/Views/Splash.h"

#include <commctrl.h>

#include <algorithm>

#include "App/Constants.h"
#include "Bootstrap/Composition.h"
#include "Bootstrap/Win32/SplashComposition.h"
#include "Infrastructure/Platform/Win32/WinText.h"
#include "Presentation/ViewModels/SplashWindowState.h"
#include "Presentation/Views/DSNSelector.h"
#include "Presentation/Views/DatabaseConfig.h"
#include "Presentation/Views/Artwork.h"

namespace Presentation::Views {

using Infrastructure::Platform::Win32::ToWide;
using ViewModels::TAppState;

std::unique_ptr<TfrmSplash> frmSplash;

namespace {

constexpr UINT_PTR kStartTimer = 1;
constexpr UINT_PTR kSpinnerTimer = 2;
constexpr UINT kDelayedStartMs = 500;
constexpr UINT kSpinnerStepMs = 80;

// Posted, so that what they open or end runs after the state report that asked for it.
constexpr UINT WM_APP_SHOW_FATAL_ERROR = WM_APP_FORM + 1;
constexpr UINT WM_APP_SHOW_CONFIGURE = WM_APP_FORM + 2;
constexpr UINT WM_APP_SHOW_DSN_SELECTOR = WM_APP_FORM + 3;

constexpr uint32_t kVersionColour = 0xC9DDF0;
constexpr uint32_t kWhite = 0xFFFFFF;
constexpr int kMessageFontSize = 15;
constexpr int kSmallMessageFontSize = 13;
constexpr int kLabelFontSize = 13;
constexpr int kButtonFontSize = 14;

}  // namespace

TfrmSplash::TfrmSplash() {
  Bootstrap::TSplashServices services = Bootstrap::RegisteredSplashServices();
  FTranslator = services.Translator;
  auto check =
      Bootstrap::CreateStartupCheckUseCase(services.Config, services.Files, services.Translator, services.Logger);
  FCheckUseCase = check;
  FViewModel = Bootstrap::CreateSplashViewModel(services, Bootstrap::Win32::CreateSplashPlatform(), check);
  FormCreate();
}

TfrmSplash::TfrmSplash(std::shared_ptr<ViewModels::ISplashViewModel> AViewModel,
                       std::shared_ptr<Application::UseCases::IStartupCheckUseCase> ACheckUseCase,
                       std::shared_ptr<Core::Interfaces::ITranslator> ATranslator)
    : FViewModel(std::move(AViewModel)), FCheckUseCase(std::move(ACheckUseCase)), FTranslator(std::move(ATranslator)) {
  FormCreate();
}

TfrmSplash::~TfrmSplash() {
  // Background work may outlive the window: its reports must not reach it.
  FViewModel->SetOnStateChanged(nullptr);
  FViewModel->SetOnLaunchApplication(nullptr);
  if (Handle() != nullptr) {
    KillTimer(Handle(), kStartTimer);
    KillTimer(Handle(), kSpinnerTimer);
  }
}

void TfrmSplash::FormCreate() {
  CreateForm(ClassName, "QuorvaneSoft Launcher", WS_POPUP | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN,
             WS_EX_APPWINDOW, nullptr, 760, 428);
  EnsureControls();

  FViewModel->SetOnStateChanged([this](TAppState ANewState, const std::string& AMessage, int32_t AProgress) {
    OnStateChanged(ANewState, AMessage, AProgress);
  });
  FViewModel->SetOnLaunchApplication([this] { CloseApplication(ExitLaunched); });
  SetRetryVisible(false);
  UpdateVersionLabel();
  FViewModel->Initialize();
}

void TfrmSplash::CreateControls() {
  AddControl(WC_BUTTONW, btnMinimize, "__", BS_OWNERDRAW, kButtonFontSize, true);
  AddControl(WC_BUTTONW, btnClose, "X", BS_OWNERDRAW, kButtonFontSize, true);
  AddControl(WC_BUTTONW, btnRetry, FTranslator->Translate("Retry"), BS_OWNERDRAW, kButtonFontSize, true);
  AddControl(WC_STATICW, imgRetry, "", SS_OWNERDRAW, 0);
  AddControl(WC_STATICW, aniLoading, "", SS_OWNERDRAW, 0);
  AddControl(WC_STATICW, lblMessage, "Carregando", SS_OWNERDRAW, kMessageFontSize, true);
  AddControl(PROGRESS_CLASSW, pbProgress, "", PBS_SMOOTH, 0);
  SendMessageW(Control(pbProgress), PBM_SETRANGE32, 0, 100);
  AddControl(WC_STATICW, lblProgress, "x.xx %", SS_OWNERDRAW, kLabelFontSize);
  AddControl(WC_STATICW, lblVersion, "Versão: 1.0.0.0", SS_OWNERDRAW, kLabelFontSize);
}

void TfrmSplash::Show() {
  ShowWindow(Handle(), SW_SHOWNORMAL);
  UpdateWindow(Handle());
  SetForegroundWindow(Handle());
  // The first report is on screen before the validation starts.
  SetTimer(Handle(), kStartTimer, kDelayedStartMs, nullptr);
}

void TfrmSplash::Layout() {
  RenderBackground();
  // The top strip: minimise and close at the right, 45 DIPs each with a 10 DIP gap.
  Place(btnMinimize, 665, 10, 35, 27);
  Place(btnClose, 710, 10, 35, 27);
  // The bottom blocks, stacked from y 88 to 398 within 40 DIP side margins.
  Place(imgRetry, 526, 88, 184, 194);
  Place(aniLoading, 526, 88, 184, 194);
  Place(btnRetry, 529, 282, 191, 33);
  Place(pbProgress, 40, 348, 680, 16);
  PlaceMessage();
  Place(lblVersion, 40, 377, 560, 21);
  Place(lblProgress, 600, 377, 120, 21);
}

void TfrmSplash::RenderBackground() {
  RECT client;
  GetClientRect(Handle(), &client);
  const int width = std::max<int>(client.right, Scale(760));
  const int height = std::max<int>(client.bottom, Scale(428));
  FBackground = std::make_unique<TPixelSurface>(width, height);
  PaintSplashBackground(*FBackground, Dpi() / 96.0, Font(36, true), Font(36, true), Font(17),
                        ToWide(FTranslator->Translate("AppName")));
  InvalidateRect(Handle(), nullptr, TRUE);
}

LRESULT TfrmSplash::HandleMessage(UINT AMessage, WPARAM AWParam, LPARAM ALParam) {
  switch (AMessage) {
    case WM_PAINT: {
      PAINTSTRUCT paint;
      const HDC dc = BeginPaint(Handle(), &paint);
      if (FBackground) FBackground->BlitTo(dc, 0, 0);
      EndPaint(Handle(), &paint);
      return 0;
    }
    case WM_ERASEBKGND:
      return 1;
    case WM_DRAWITEM:
      DrawControl(*reinterpret_cast<const DRAWITEMSTRUCT*>(ALParam));
      return TRUE;
    case WM_NCHITTEST: {
      // No title bar: the window is moved by its background.
      const LRESULT hit = DefWindowProcW(Handle(), AMessage, AWParam, ALParam);
      return hit == HTCLIENT ? HTCAPTION : hit;
    }
    case WM_SETCURSOR: {
      const int id = GetDlgCtrlID(reinterpret_cast<HWND>(AWParam));
      if (id == btnMinimize || id == btnClose || id == btnRetry) {
        SetCursor(LoadCursorW(nullptr, IDC_HAND));
        return TRUE;
      }
      break;
    }
    case WM_TIMER:
      if (AWParam == kStartTimer) {
        KillTimer(Handle(), kStartTimer);
        FViewModel->StartValidation();
      } else if (AWParam == kSpinnerTimer) {
        FSpinnerPhase = (FSpinnerPhase + 1) % 12;
        InvalidateRect(Control(aniLoading), nullptr, FALSE);
      }
      return 0;
    case WM_CLOSE:  // Alt+F4, the task bar's close
      CloseApplication(ExitClosedByUser);
      return 0;
    case WM_APP_SHOW_FATAL_ERROR:
      ShowFatalError();
      return 0;
    case WM_APP_SHOW_CONFIGURE:
      ShowConfigure();
      return 0;
    case WM_APP_SHOW_DSN_SELECTOR:
      ShowDSNSelector();
      return 0;
    default:
      break;
  }
  return TForm::HandleMessage(AMessage, AWParam, ALParam);
}

void TfrmSplash::OnCommand(int AId, int ANotification) {
  if (ANotification != BN_CLICKED) return;
  switch (AId) {
    case btnMinimize:
      ShowWindow(Handle(), SW_MINIMIZE);
      break;
    case btnClose:
      CloseApplication(ExitClosedByUser);
      break;
    case btnRetry:
      SetRetryVisible(false);
      FViewModel->StartValidation();
      break;
    default:
      break;
  }
}

void TfrmSplash::OnStateChanged(TAppState ANewState, const std::string& AMessage, int32_t AProgress) {
  if (Handle() == nullptr) return;  // closed: the launcher is ending
  SetText(lblMessage, AMessage);
  InvalidateRect(Control(lblMessage), nullptr, FALSE);
  SendMessageW(Control(pbProgress), PBM_SETPOS, static_cast<WPARAM>(std::clamp(AProgress, 0, 100)), 0);
  SetText(lblProgress, ViewModels::SplashPercentText(AProgress));
  InvalidateRect(Control(lblProgress), nullptr, FALSE);
  ApplyState(ANewState, AMessage);
  UpdateVersionLabel();
  FTaskbar.Show(Handle(), ANewState, AProgress);
}

void TfrmSplash::ApplyState(TAppState AState, const std::string& AMessage) {
  const ViewModels::TSplashStateView view = ViewModels::SplashStateView(AState);
  if (view.BusyRunning) SetBusy(*view.BusyRunning);
  if (view.ProgressVisible) {
    SetVisible(pbProgress, *view.ProgressVisible);
    PlaceMessage();
  }
  if (view.ProgressFull) SendMessageW(Control(pbProgress), PBM_SETPOS, 100, 0);
  if (view.RetryVisible) SetRetryVisible(*view.RetryVisible);
  if (view.MessageInErrorColour) {
    FMessageInErrorColour = true;
    InvalidateRect(Control(lblMessage), nullptr, FALSE);
  }
  if (view.ShowErrorBox) {
    FFatalMessage = AMessage;
    PostMessageW(Handle(), WM_APP_SHOW_FATAL_ERROR, 0, 0);
  }
  if (view.OpenConfiguration) PostMessageW(Handle(), WM_APP_SHOW_CONFIGURE, 0, 0);
  if (view.OpenDSNSelector) PostMessageW(Handle(), WM_APP_SHOW_DSN_SELECTOR, 0, 0);
}

void TfrmSplash::UpdateVersionLabel() {
  SetText(lblVersion, ViewModels::SplashVersionText(*FTranslator, FViewModel->GetDatabaseVersion(),
                                                    FViewModel->GetExecutableVersion(),
                                                    FViewModel->GetMinimumVersion()));
  InvalidateRect(Control(lblVersion), nullptr, FALSE);
}

void TfrmSplash::ShowConfigure() {
  // Created on first need and kept: a second showing keeps what the user typed.
  if (!frmDatabaseConfig) frmDatabaseConfig = std::make_unique<TfrmDatabaseConfig>(Handle());
  if (frmDatabaseConfig->ShowModal() == mrOk)
    FViewModel->StartValidation();
  else
    SetRetryVisible(true);
}

void TfrmSplash::ShowDSNSelector() {
  auto selector = std::make_unique<TfrmDSNSelector>(Handle());
  if (selector->ShowModal() == mrOk) {
    FCheckUseCase->SetRuntimeDSN(selector->SelectedDSN());
    selector.reset();
    FViewModel->StartValidation();
  } else {
    SetRetryVisible(true);
  }
}

void TfrmSplash::ShowFatalError() {
  ShowMessage(FFatalMessage, MB_OK | MB_ICONERROR);
  CloseApplication(ExitFatalError);
}

void TfrmSplash::CloseApplication(int AExitCode) {
  if (Handle() == nullptr || FClosing) return;
  FClosing = true;
  // An update being installed is finished or undone first, never cut half-way;
  // the window goes out of sight meanwhile.
  FViewModel->RequestStop([this, AExitCode] {
    if (Handle() == nullptr) return;
    KillTimer(Handle(), kSpinnerTimer);
    DestroyWindow(Handle());
    PostQuitMessage(AExitCode);
  });
  if (Handle() != nullptr) ShowWindow(Handle(), SW_HIDE);
}

void TfrmSplash::SetRetryVisible(bool AVisible) {
  SetVisible(btnRetry, AVisible);
  SetVisible(imgRetry, AVisible);
}

void TfrmSplash::SetBusy(bool ARunning) {
  if (ARunning == FBusy) return;
  FBusy = ARunning;
  SetVisible(aniLoading, ARunning);
  if (ARunning)
    SetTimer(Handle(), kSpinnerTimer, kSpinnerStepMs, nullptr);
  else
    KillTimer(Handle(), kSpinnerTimer);
}

void TfrmSplash::PlaceMessage() {
  // Without the progress bar the message may take its band too: long failure
  // texts then wrap instead of being cut short.
  Place(lblMessage, 40, 315, 680, IsWindowVisible(Control(pbProgress)) ? 21 : 62);
  InvalidateRect(Control(lblMessage), nullptr, FALSE);
}

void TfrmSplash::DrawMessage(TPixelSurface& ASurface, const std::wstring& AText) {
  const int width = ASurface.Width(), height = ASurface.Height();
  const int padding = Scale(6);
  const bool wraps = height > Scale(30);
  const UINT format = DT_LEFT | DT_NOPREFIX | (wraps ? DT_WORDBREAK : DT_SINGLELINE | DT_VCENTER);
  // The largest font whose text fits; the smaller one is cut short if it must.
  HFONT font = Font(kMessageFontSize, true);
  RECT measured{};
  for (const int size : {kMessageFontSize, kSmallMessageFontSize}) {
    font = Font(size, true);
    measured = RECT{padding, 0, width - padding, height};
    const HGDIOBJ old = SelectObject(ASurface.Dc(), font);
    DrawTextW(ASurface.Dc(), AText.c_str(), -1, &measured, format | DT_CALCRECT);
    SelectObject(ASurface.Dc(), old);
    if (measured.right <= width - padding && measured.bottom <= height) break;
  }
  uint32_t colour = kWhite;
  if (FMessageInErrorColour) {
    // Red on the night-blue artwork is hard to read: the message gets a light band.
    const double bandHeight = wraps ? std::min<double>(height, measured.bottom + Scale(4)) : height;
    ASurface.FillShape(
        RECT{0, 0, width, height},
        [&](double AX, double AY) {
          return RoundedBoxDistance(AX, AY, width / 2.0, bandHeight / 2.0, width / 2.0, bandHeight / 2.0, Scale(4));
        },
        0xFFFFFF, 0.92);
    colour = App::Constants::ColorError & 0xFFFFFF;
  }
  ASurface.DrawText(AText.c_str(), RECT{padding, wraps ? Scale(2) : 0, width - padding, height}, font, colour,
                    format | DT_END_ELLIPSIS);
}

void TfrmSplash::DrawControl(const DRAWITEMSTRUCT& AItem) {
  if (!FBackground) return;
  const int width = AItem.rcItem.right - AItem.rcItem.left;
  const int height = AItem.rcItem.bottom - AItem.rcItem.top;
  POINT origin{0, 0};
  MapWindowPoints(AItem.hwndItem, Handle(), &origin, 1);
  // Every control draws over its own piece of the artwork.
  TPixelSurface surface(width, height);
  surface.CopyFrom(*FBackground, origin.x, origin.y);
  const RECT all{0, 0, width, height};
  const std::wstring text = ToWide(GetText(AItem.hwndItem));
  const bool pressed = (AItem.itemState & ODS_SELECTED) != 0;
  constexpr UINT kCentred = DT_CENTER | DT_VCENTER | DT_SINGLELINE;
  switch (AItem.CtlID) {
    case btnMinimize:
      PaintRoundedButton(surface, kSplashGreen, kSplashGreen, Scale(5), pressed);
      surface.DrawText(text.c_str(), RECT{0, 0, width, height - Scale(6)}, Font(kButtonFontSize, true), kWhite,
                       DT_CENTER | DT_BOTTOM | DT_SINGLELINE);
      break;
    case btnClose:
    case btnRetry:
      PaintRoundedButton(surface, kSplashRed, kSplashFirebrick, Scale(5), pressed);
      surface.DrawText(text.c_str(), all, Font(kButtonFontSize, true), kWhite, kCentred);
      break;
    case imgRetry:
      PaintWarningSign(surface, all);
      break;
    case aniLoading:
      PaintSpinner(surface, width / 2.0, height / 2.0, Scale(34), Scale(5), FSpinnerPhase);
      break;
    case lblMessage:
      DrawMessage(surface, text);
      break;
    case lblProgress:
      surface.DrawText(text.c_str(), all, Font(kLabelFontSize), kSplashAliceBlue,
                       DT_RIGHT | DT_VCENTER | DT_SINGLELINE);
      break;
    case lblVersion:
      surface.DrawText(text.c_str(), RECT{Scale(6), 0, width, height}, Font(kLabelFontSize), kVersionColour,
                       DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS);
      break;
    default:
      break;
  }
  surface.BlitTo(AItem.hDC, AItem.rcItem.left, AItem.rcItem.top);
}

}  // namespace Presentation::Views
