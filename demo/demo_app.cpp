// The demo's stand-in for the QuorvaneSoft application: records that it
// started (as the test stand-ins do, so the demo script can tell), then shows
// for a few seconds which version is running and closes by itself.
#include <windows.h>

#include <string>

#include "started_marker.h"

// QL_DEMO_VERSION_TEXT comes from the build (cmake/Demo.cmake).

namespace {

constexpr UINT_PTR kCloseTimer = 1;
constexpr UINT kShownMs = 6000;
constexpr int kWidth = 520;
constexpr int kHeight = 170;

const wchar_t kTitle[] = L"QuorvaneSoft";
const wchar_t kVersion[] = L"" QL_DEMO_VERSION_TEXT;

HFONT GFontLarge = nullptr;
HFONT GFontSmall = nullptr;

void Paint(HWND AWindow) {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(AWindow, &paint);
  RECT area;
  GetClientRect(AWindow, &area);
  // Undecorated under the demo's Wine settings: a band and a frame of its own.
  HBRUSH band = CreateSolidBrush(RGB(0x1E, 0x5A, 0x9C));
  RECT top = {0, 0, area.right, 44};
  FillRect(dc, &top, band);
  FrameRect(dc, &area, band);
  DeleteObject(band);
  SetBkMode(dc, TRANSPARENT);

  SelectObject(dc, GFontLarge);
  SetTextColor(dc, RGB(0xFF, 0xFF, 0xFF));
  RECT title = {16, 0, area.right - 16, 44};
  DrawTextW(dc, L"QuorvaneSoft — aplicação de demonstração", -1, &title, DT_SINGLELINE | DT_VCENTER);

  SetTextColor(dc, RGB(0x20, 0x20, 0x20));
  const std::wstring started = std::wstring(L"Versão ") + kVersion + L" iniciada.";
  RECT line = {16, 60, area.right - 16, 100};
  DrawTextW(dc, started.c_str(), -1, &line, DT_SINGLELINE | DT_VCENTER);

  SelectObject(dc, GFontSmall);
  SetTextColor(dc, RGB(0x60, 0x60, 0x60));
  RECT note = {16, 110, area.right - 16, 150};
  DrawTextW(dc, L"Esta janela fecha sozinha em alguns segundos.", -1, &note, DT_SINGLELINE | DT_VCENTER);
  EndPaint(AWindow, &paint);
}

LRESULT CALLBACK WindowProc(HWND AWindow, UINT AMessage, WPARAM AWParam, LPARAM ALParam) {
  switch (AMessage) {
    case WM_PAINT:
      Paint(AWindow);
      return 0;
    case WM_TIMER:
      if (AWParam == kCloseTimer) DestroyWindow(AWindow);
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcW(AWindow, AMessage, AWParam, ALParam);
  }
}

HFONT Font(int AHeight, int AWeight) {
  return CreateFontW(-AHeight, 0, 0, 0, AWeight, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                     CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY, DEFAULT_PITCH | FF_SWISS, L"Tahoma");
}

}  // namespace

int WINAPI wWinMain(HINSTANCE AInstance, HINSTANCE, PWSTR, int AShow) {
  // The marker first: the demo checks the start, the window is for the person.
  const int recorded = RecordStart("versao=" QL_DEMO_VERSION_TEXT);

  WNDCLASSW windowClass = {};
  windowClass.lpfnWndProc = WindowProc;
  windowClass.hInstance = AInstance;
  windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
  windowClass.lpszClassName = L"QuorvaneSoftDemoApp";
  // Past this point the start is recorded; a window that cannot show only
  // changes the exit code.
  if (!RegisterClassW(&windowClass)) return 10;

  GFontLarge = Font(18, FW_BOLD);
  GFontSmall = Font(13, FW_NORMAL);
  RECT work;
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  HWND window = CreateWindowExW(WS_EX_TOPMOST, windowClass.lpszClassName, kTitle, WS_POPUP | WS_BORDER,
                                (work.left + work.right - kWidth) / 2, (work.top + work.bottom - kHeight) / 2, kWidth,
                                kHeight, nullptr, nullptr, AInstance, nullptr);
  if (window == nullptr) return 11;
  ShowWindow(window, AShow == SW_HIDE ? SW_SHOWNORMAL : AShow);
  UpdateWindow(window);
  SetTimer(window, kCloseTimer, kShownMs, nullptr);

  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  DeleteObject(GFontLarge);
  DeleteObject(GFontSmall);
  return recorded;
}
