#pragma once
// The base of every window of the launcher: one class per window, `this`
// bound at WM_NCCREATE, handlers as virtual methods, sizes in device-independent
// pixels scaled for the monitor's DPI, and a modal loop that answers OK or
// Cancel (the close box is Cancel). Nothing a handler throws reaches Win32: it
// is shown in a message box and the window stays as it was.
#include <windows.h>

#include <cstdint>
#include <exception>
#include <string>
#include <vector>

namespace Presentation::Views {

enum TModalResult : int { mrNone = 0, mrOk = 1, mrCancel = 2 };

// Private messages of the windows start here (the hand-over window of the
// threading layer has WM_APP + 1).
constexpr UINT WM_APP_FORM = WM_APP + 0x100;

// Alpha-red-green-blue (App::Constants) to a GDI colour.
COLORREF ToColorRef(uint32_t AArgb);
// A GDI colour to 0x00RRGGBB, as the artwork takes it.
uint32_t FromColorRef(COLORREF AColour);

// Loads Common Controls 6 (cue banners, themed controls); once per process.
void InitCommonControlsOnce();

class TForm {
 public:
  virtual ~TForm();
  TForm(const TForm&) = delete;
  TForm& operator=(const TForm&) = delete;

  HWND Handle() const { return FHandle; }
  // Shows the window over its owner (disabled meanwhile) and pumps messages
  // until a modal result is set. Answers mrOk or mrCancel.
  int ShowModal();
  // Builds the controls, icons and layout on first need: a window created
  // hidden at start costs nothing until it is shown.
  void EnsureControls();
  void SetModalResult(int AResult) { FModalResult = AResult; }
  int ModalResult() const { return FModalResult; }
  bool IsModal() const { return FInModalLoop; }
  // Ends the modal showing with OK after AMilliseconds, so a success text stays
  // readable first. A timer on this thread, not a sleeping one: the window
  // keeps painting and nothing reaches it once it has closed. Calling it again
  // starts the wait again; the end of a showing cancels it.
  void CloseWithOkAfter(UINT AMilliseconds);
  void CancelPendingClose();
  bool ClosePending() const { return FClosePending; }
  // The text colour a status label was given (CLR_INVALID: the default).
  COLORREF TextColourOf(int AId) const;

  // Device-independent pixels to the window's physical pixels.
  int Scale(int ADips) const { return MulDiv(ADips, FDpi, 96); }

 protected:
  TForm() = default;

  // Creates the window with a client area of the given size (in DIPs), centred
  // on AOwner or, without one, on the desktop's work area. Hidden.
  void CreateForm(const wchar_t* AClassName, const std::string& ACaption, DWORD AStyle, DWORD AExStyle, HWND AOwner,
                  int AClientWidth, int AClientHeight);

  // Called for every message; the default handles the close box (Cancel in a
  // modal loop), the status colours, fonts after a DPI change and the
  // default button / Escape commands.
  virtual LRESULT HandleMessage(UINT AMessage, WPARAM AWParam, LPARAM ALParam);
  virtual void OnCommand(int /*AId*/, int /*ANotification*/) {}
  // Creates the controls and fills them; called once, by EnsureControls.
  virtual void CreateControls() {}
  // Places every control for the current DPI.
  virtual void Layout() {}
  // Just before a modal showing.
  virtual void FormShow() {}
  // Brush for the client background and statics.
  virtual COLORREF BackgroundColour() const { return GetSysColor(COLOR_WINDOW); }

  // Controls. AFontSize is in DIPs; 0 keeps the window's default.
  HWND AddControl(const wchar_t* AClass, int AId, const std::string& AText, DWORD AStyle, int AFontSize = 13,
                  bool ABold = false, DWORD AExStyle = 0);
  HWND AddLabel(int AId, const std::string& AText, int AFontSize = 14, DWORD AExtraStyle = 0);
  HWND AddEdit(int AId, bool APassword = false);
  // A drop-down list; AEditable lets the user type a value of their own.
  HWND AddCombo(int AId, bool AEditable = false);
  HWND AddButton(int AId, const std::string& AText, bool ADefault = false);
  HWND Control(int AId) const { return GetDlgItem(FHandle, AId); }
  // Position and size in DIPs.
  void Place(int AId, int ALeft, int ATop, int AWidth, int AHeight) const;
  void SetVisible(int AId, bool AVisible) const;

  static void SetText(HWND AControl, const std::string& AText);
  static std::string GetText(HWND AControl);
  void SetText(int AId, const std::string& AText) const { SetText(Control(AId), AText); }
  std::string GetText(int AId) const { return GetText(Control(AId)); }
  // Shown while the edit is empty (EM_SETCUEBANNER).
  void SetCue(int AId, const std::string& AText) const;
  void SetTextColour(int AId, uint32_t AArgb);
  // Combo boxes: the items, the selection (-1: none) and the selected text.
  void SetItems(int AId, const std::vector<std::string>& AItems) const;
  int SelectedIndex(int AId) const;
  void Select(int AId, int AIndex) const;
  std::string SelectedText(int AId) const;

  // A message box owned by this window (also while it is hidden).
  int ShowMessage(const std::string& AText, UINT AType) const;
  // Unexpected errors of a handler: a message box with the error's text.
  void ReportError(const std::exception& AError) const;

  HFONT Font(int ASize, bool ABold = false);
  int Dpi() const { return FDpi; }

 private:
  static LRESULT CALLBACK WindowProc(HWND AWindow, UINT AMessage, WPARAM AWParam, LPARAM ALParam);
  void ApplyDpi(int ADpi);

  // A control with a font or a text colour of its own: a few per window, so a list searched in
  // order serves them (a map's tree code would cost the executable more than it saves).
  struct TControlLook {
    HWND Control;
    int FontSize = 0;  // 0: the system's font
    bool Bold = false;
    COLORREF TextColour = CLR_INVALID;
  };
  struct TFont {
    int Height;  // in pixels
    bool Bold;
    HFONT Handle;
  };
  TControlLook& LookOf(HWND AControl);
  const TControlLook* FindLook(HWND AControl) const;

  HWND FHandle = nullptr;
  int FDpi = 96;
  int FModalResult = mrNone;
  bool FInModalLoop = false;
  bool FClosePending = false;
  bool FControlsBuilt = false;
  HBRUSH FBackground = nullptr;
  std::vector<TControlLook> FLooks;
  std::vector<TFont> FFonts;
};

}  // namespace Presentation::Views
