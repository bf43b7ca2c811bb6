#include "Presentation/Views/Form.h"

#include <commctrl.h>

#include "Core/Errors.h"

#include "Infrastructure/Platform/Win32/WinText.h"
#include "Presentation/Views/Artwork.h"

namespace Presentation::Views {

using Infrastructure::Platform::Win32::FromWide;
using Infrastructure::Platform::Win32::ToWide;

namespace {

constexpr wchar_t kMessageBoxCaption[] = L"QuorvaneSoft Launcher";
constexpr UINT kDpiChanged = 0x02E0;  // WM_DPICHANGED, newer than the headers' target
// Timer ids from here on are the base's; a window's own start at 1.
constexpr UINT_PTR kPendingCloseTimer = 0x7F01;

// GetDpiForWindow exists from Windows 10 on; older systems use the system DPI.
int WindowDpi(HWND AWindow) {
  using TGetDpiForWindow = UINT(WINAPI*)(HWND);
  static const auto getDpiForWindow = reinterpret_cast<TGetDpiForWindow>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
  if (getDpiForWindow != nullptr && AWindow != nullptr) {
    if (const UINT dpi = getDpiForWindow(AWindow); dpi != 0) return static_cast<int>(dpi);
  }
  const HDC screen = GetDC(nullptr);
  const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  return dpi > 0 ? dpi : 96;
}

bool IsCombo(HWND AControl) {
  wchar_t className[32] = {};
  GetClassNameW(AControl, className, 32);
  return lstrcmpiW(className, WC_COMBOBOXW) == 0;
}

}  // namespace

COLORREF ToColorRef(uint32_t AArgb) {
  return RGB((AArgb >> 16) & 0xFF, (AArgb >> 8) & 0xFF, AArgb & 0xFF);
}

uint32_t FromColorRef(COLORREF AColour) {
  return (static_cast<uint32_t>(GetRValue(AColour)) << 16) | (static_cast<uint32_t>(GetGValue(AColour)) << 8) |
         GetBValue(AColour);
}

void InitCommonControlsOnce() {
  static const bool done = [] {
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS};
    return InitCommonControlsEx(&controls) != FALSE;
  }();
  (void)done;
}

TForm::~TForm() {
  if (FHandle != nullptr) {
    // The derived window is gone already: no more messages reach it.
    SetWindowLongPtrW(FHandle, GWLP_USERDATA, 0);
    DestroyWindow(FHandle);
  }
  for (const TFont& font : FFonts) DeleteObject(font.Handle);
  if (FBackground != nullptr) DeleteObject(FBackground);
}

void TForm::CreateForm(const wchar_t* AClassName, const std::string& ACaption, DWORD AStyle, DWORD AExStyle,
                       HWND AOwner, int AClientWidth, int AClientHeight) {
  InitCommonControlsOnce();
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof(windowClass);
  windowClass.lpfnWndProc = &TForm::WindowProc;
  windowClass.hInstance = instance;
  windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  windowClass.lpszClassName = AClassName;
  RegisterClassExW(&windowClass);  // fails harmlessly when registered before

  FDpi = WindowDpi(AOwner);
  FBackground = CreateSolidBrush(BackgroundColour());
  HWND handle = CreateWindowExW(AExStyle | WS_EX_CONTROLPARENT, AClassName, ToWide(ACaption).c_str(), AStyle,
                                CW_USEDEFAULT, CW_USEDEFAULT, 0, 0, AOwner, nullptr, instance, this);
  if (handle == nullptr) throw Core::EQuorvaneError("Não foi possível criar a janela");
  FDpi = WindowDpi(FHandle);

  RECT frame{0, 0, Scale(AClientWidth), Scale(AClientHeight)};
  AdjustWindowRectEx(&frame, AStyle, FALSE, AExStyle);
  const int width = frame.right - frame.left;
  const int height = frame.bottom - frame.top;
  RECT area{};
  if (AOwner != nullptr && IsWindowVisible(AOwner) && !IsIconic(AOwner)) {
    GetWindowRect(AOwner, &area);
  } else {
    MONITORINFO monitor{sizeof(monitor), {}, {}, 0};
    GetMonitorInfoW(MonitorFromWindow(FHandle, MONITOR_DEFAULTTOPRIMARY), &monitor);
    area = monitor.rcWork;
  }
  const int left = area.left + ((area.right - area.left) - width) / 2;
  const int top = area.top + ((area.bottom - area.top) - height) / 2;
  SetWindowPos(FHandle, nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

void TForm::EnsureControls() {
  if (FControlsBuilt || FHandle == nullptr) return;
  FControlsBuilt = true;
  // The product's mark in the title bar and the task bar, made once per process.
  static const HICON bigIcon = CreateProductIcon(GetSystemMetrics(SM_CXICON));
  static const HICON smallIcon = CreateProductIcon(GetSystemMetrics(SM_CXSMICON));
  SendMessageW(FHandle, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(bigIcon));
  SendMessageW(FHandle, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon));
  CreateControls();
  Layout();
}

int TForm::ShowModal() {
  EnsureControls();
  const HWND owner = GetWindow(FHandle, GW_OWNER);
  FModalResult = mrNone;
  FInModalLoop = true;
  CancelPendingClose();  // one left from an earlier showing must not end this one
  FormShow();
  const bool disableOwner = owner != nullptr && IsWindowEnabled(owner);
  if (disableOwner) EnableWindow(owner, FALSE);
  ShowWindow(FHandle, SW_SHOWNORMAL);
  SetForegroundWindow(FHandle);
  if (HWND first = GetNextDlgTabItem(FHandle, nullptr, FALSE)) SetFocus(first);

  MSG message;
  while (FModalResult == mrNone && FHandle != nullptr) {
    const BOOL got = GetMessageW(&message, nullptr, 0, 0);
    if (got <= 0) {
      // The application is ending: pass the quit on to the outer loop.
      if (got == 0) PostQuitMessage(static_cast<int>(message.wParam));
      break;
    }
    if (FHandle == nullptr || !IsDialogMessageW(FHandle, &message)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
  }
  // The owner is enabled again before this window hides, so it gets the activation back.
  if (disableOwner) EnableWindow(owner, TRUE);
  if (FHandle != nullptr) ShowWindow(FHandle, SW_HIDE);
  CancelPendingClose();
  FInModalLoop = false;
  return FModalResult == mrOk ? mrOk : mrCancel;
}

LRESULT CALLBACK TForm::WindowProc(HWND AWindow, UINT AMessage, WPARAM AWParam, LPARAM ALParam) {
  TForm* form = nullptr;
  if (AMessage == WM_NCCREATE) {
    form = static_cast<TForm*>(reinterpret_cast<CREATESTRUCTW*>(ALParam)->lpCreateParams);
    form->FHandle = AWindow;
    SetWindowLongPtrW(AWindow, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(form));
  } else {
    form = reinterpret_cast<TForm*>(GetWindowLongPtrW(AWindow, GWLP_USERDATA));
  }
  if (form == nullptr) return DefWindowProcW(AWindow, AMessage, AWParam, ALParam);
  if (AMessage == WM_NCDESTROY) {
    SetWindowLongPtrW(AWindow, GWLP_USERDATA, 0);
    form->FHandle = nullptr;
    return DefWindowProcW(AWindow, AMessage, AWParam, ALParam);
  }
  try {
    return form->HandleMessage(AMessage, AWParam, ALParam);
  } catch (const std::exception& e) {
    form->ReportError(e);
  } catch (...) {
    form->ReportError(Core::EQuorvaneError("Erro inesperado"));
  }
  return 0;
}

LRESULT TForm::HandleMessage(UINT AMessage, WPARAM AWParam, LPARAM ALParam) {
  switch (AMessage) {
    case WM_COMMAND:
      OnCommand(LOWORD(AWParam), HIWORD(AWParam));
      return 0;
    case WM_TIMER:
      if (AWParam != kPendingCloseTimer) break;
      CancelPendingClose();
      if (FInModalLoop) FModalResult = mrOk;
      return 0;
    case WM_CLOSE:
      if (FInModalLoop) {
        FModalResult = mrCancel;
        return 0;
      }
      break;
    case WM_ERASEBKGND: {
      RECT client;
      GetClientRect(FHandle, &client);
      FillRect(reinterpret_cast<HDC>(AWParam), &client, FBackground);
      return 1;
    }
    case WM_CTLCOLORSTATIC: {
      const HDC dc = reinterpret_cast<HDC>(AWParam);
      const TControlLook* look = FindLook(reinterpret_cast<HWND>(ALParam));
      if (look != nullptr && look->TextColour != CLR_INVALID) SetTextColor(dc, look->TextColour);
      // Disabled and read-only edits keep the system's look.
      wchar_t className[16] = {};
      GetClassNameW(reinterpret_cast<HWND>(ALParam), className, 16);
      if (lstrcmpiW(className, L"Edit") == 0) break;
      SetBkColor(dc, BackgroundColour());
      return reinterpret_cast<LRESULT>(FBackground);
    }
    case kDpiChanged: {
      ApplyDpi(HIWORD(AWParam));
      const RECT* suggested = reinterpret_cast<const RECT*>(ALParam);
      SetWindowPos(FHandle, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                   suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
      if (FControlsBuilt) Layout();
      return 0;
    }
    default:
      break;
  }
  return DefWindowProcW(FHandle, AMessage, AWParam, ALParam);
}

void TForm::CloseWithOkAfter(UINT AMilliseconds) {
  FClosePending = SetTimer(FHandle, kPendingCloseTimer, AMilliseconds, nullptr) != 0;
  // Without a timer the window still closes, only without the pause.
  if (!FClosePending && FInModalLoop) FModalResult = mrOk;
}

void TForm::CancelPendingClose() {
  if (FClosePending && FHandle != nullptr) KillTimer(FHandle, kPendingCloseTimer);
  FClosePending = false;
}

void TForm::ApplyDpi(int ADpi) {
  FDpi = ADpi > 0 ? ADpi : 96;
  std::vector<TFont> oldFonts;
  oldFonts.swap(FFonts);
  for (const TControlLook& look : FLooks)
    if (look.FontSize > 0)
      SendMessageW(look.Control, WM_SETFONT, reinterpret_cast<WPARAM>(Font(look.FontSize, look.Bold)), TRUE);
  for (const TFont& font : oldFonts) DeleteObject(font.Handle);
}

TForm::TControlLook& TForm::LookOf(HWND AControl) {
  if (const TControlLook* look = FindLook(AControl)) return const_cast<TControlLook&>(*look);
  return FLooks.emplace_back(TControlLook{AControl});
}

const TForm::TControlLook* TForm::FindLook(HWND AControl) const {
  for (const TControlLook& look : FLooks)
    if (look.Control == AControl) return &look;
  return nullptr;
}

HFONT TForm::Font(int ASize, bool ABold) {
  const int height = Scale(ASize);
  for (const TFont& font : FFonts)
    if (font.Height == height && font.Bold == ABold) return font.Handle;
  const HFONT font = CreateFontW(-height, 0, 0, 0, ABold ? FW_SEMIBOLD : FW_NORMAL, FALSE, FALSE, FALSE,
                                 DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY,
                                 DEFAULT_PITCH | FF_SWISS, L"Segoe UI");
  FFonts.push_back({height, ABold, font});
  return font;
}

HWND TForm::AddControl(const wchar_t* AClass, int AId, const std::string& AText, DWORD AStyle, int AFontSize,
                       bool ABold, DWORD AExStyle) {
  const HWND control =
      CreateWindowExW(AExStyle, AClass, ToWide(AText).c_str(), WS_CHILD | WS_VISIBLE | AStyle, 0, 0, 0, 0, FHandle,
                      reinterpret_cast<HMENU>(static_cast<INT_PTR>(AId)), GetModuleHandleW(nullptr), nullptr);
  if (control == nullptr) throw Core::EQuorvaneError("Não foi possível criar um controle da janela");
  if (AFontSize > 0) {
    TControlLook& look = LookOf(control);
    look.FontSize = AFontSize;
    look.Bold = ABold;
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(Font(AFontSize, ABold)), FALSE);
  }
  return control;
}

HWND TForm::AddLabel(int AId, const std::string& AText, int AFontSize, DWORD AExtraStyle) {
  return AddControl(WC_STATICW, AId, AText, SS_LEFT | SS_NOPREFIX | AExtraStyle, AFontSize);
}

HWND TForm::AddEdit(int AId, bool APassword) {
  return AddControl(WC_EDITW, AId, "", WS_TABSTOP | ES_AUTOHSCROLL | (APassword ? ES_PASSWORD : 0), 13, false,
                    WS_EX_CLIENTEDGE);
}

HWND TForm::AddCombo(int AId, bool AEditable) {
  return AddControl(WC_COMBOBOXW, AId, "",
                    WS_TABSTOP | WS_VSCROLL | (AEditable ? CBS_DROPDOWN | CBS_AUTOHSCROLL : CBS_DROPDOWNLIST));
}

HWND TForm::AddButton(int AId, const std::string& AText, bool ADefault) {
  return AddControl(WC_BUTTONW, AId, AText, WS_TABSTOP | (ADefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON));
}

void TForm::Place(int AId, int ALeft, int ATop, int AWidth, int AHeight) const {
  const HWND control = Control(AId);
  int height = Scale(AHeight);
  if (IsCombo(control)) {
    // The closed box takes the row's height; the window's height is the open list's.
    SendMessageW(control, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), height - 6);
    height += Scale(160);
  }
  SetWindowPos(control, nullptr, Scale(ALeft), Scale(ATop), Scale(AWidth), height, SWP_NOZORDER | SWP_NOACTIVATE);
}

void TForm::SetVisible(int AId, bool AVisible) const { ShowWindow(Control(AId), AVisible ? SW_SHOW : SW_HIDE); }

void TForm::SetText(HWND AControl, const std::string& AText) { SetWindowTextW(AControl, ToWide(AText).c_str()); }

std::string TForm::GetText(HWND AControl) {
  const int length = GetWindowTextLengthW(AControl);
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  text.resize(static_cast<size_t>(GetWindowTextW(AControl, text.data(), length + 1)));
  return FromWide(text);
}

void TForm::SetCue(int AId, const std::string& AText) const {
  const std::wstring cue = ToWide(AText);
  SendMessageW(Control(AId), EM_SETCUEBANNER, TRUE, reinterpret_cast<LPARAM>(cue.c_str()));
}

void TForm::SetTextColour(int AId, uint32_t AArgb) {
  const HWND control = Control(AId);
  LookOf(control).TextColour = ToColorRef(AArgb);
  InvalidateRect(control, nullptr, TRUE);
}

COLORREF TForm::TextColourOf(int AId) const {
  const TControlLook* look = FindLook(Control(AId));
  return look == nullptr ? CLR_INVALID : look->TextColour;
}

void TForm::SetItems(int AId, const std::vector<std::string>& AItems) const {
  const HWND control = Control(AId);
  SendMessageW(control, CB_RESETCONTENT, 0, 0);
  for (const std::string& item : AItems)
    SendMessageW(control, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(ToWide(item).c_str()));
}

int TForm::SelectedIndex(int AId) const {
  const LRESULT index = SendMessageW(Control(AId), CB_GETCURSEL, 0, 0);
  return index == CB_ERR ? -1 : static_cast<int>(index);
}

void TForm::Select(int AId, int AIndex) const {
  SendMessageW(Control(AId), CB_SETCURSEL, static_cast<WPARAM>(AIndex), 0);
}

std::string TForm::SelectedText(int AId) const {
  const HWND control = Control(AId);
  // An editable list's value is what its box shows, typed or chosen.
  if ((GetWindowLongW(control, GWL_STYLE) & 0x3) == CBS_DROPDOWN) return GetText(control);
  const int index = SelectedIndex(AId);
  if (index < 0) return {};
  const LRESULT length = SendMessageW(control, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
  if (length == CB_ERR) return {};
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  SendMessageW(control, CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()));
  text.resize(static_cast<size_t>(length));
  return FromWide(text);
}

int TForm::ShowMessage(const std::string& AText, UINT AType) const {
  return MessageBoxW(FHandle, ToWide(AText).c_str(), kMessageBoxCaption, AType);
}

void TForm::ReportError(const std::exception& AError) const { ShowMessage(AError.what(), MB_ICONERROR | MB_OK); }

}  // namespace Presentation::Views
