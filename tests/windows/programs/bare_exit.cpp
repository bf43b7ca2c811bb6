// The floor of the launcher's exit under the same system: a window of the
// splash's styles that ends as the launcher does, hidden and destroyed after
// OK on a message box ("box") or after a close command ("close").
#include <windows.h>

#include <cstring>

namespace {

constexpr int kCloseCommand = 102;  // the splash's close button

LRESULT CALLBACK WindowProc(HWND AWindow, UINT AMessage, WPARAM AWParam, LPARAM ALParam) {
  if (AMessage == WM_COMMAND && LOWORD(AWParam) == kCloseCommand) {
    ShowWindow(AWindow, SW_HIDE);
    DestroyWindow(AWindow);
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcW(AWindow, AMessage, AWParam, ALParam);
}

}  // namespace

int main(int argc, char** argv) {
  const bool box = argc > 1 && std::strcmp(argv[1], "box") == 0;
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  WNDCLASSW windowClass{};
  windowClass.lpfnWndProc = WindowProc;
  windowClass.hInstance = instance;
  windowClass.lpszClassName = L"QLBareExit";
  RegisterClassW(&windowClass);
  HWND window =
      CreateWindowExW(WS_EX_APPWINDOW, L"QLBareExit", L"bare", WS_POPUP | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN,
                      100, 100, 760, 428, nullptr, nullptr, instance, nullptr);
  ShowWindow(window, SW_SHOWNORMAL);
  UpdateWindow(window);
  if (box) {
    MessageBoxW(window, L"erro", L"bare", MB_OK | MB_ICONERROR);
    PostMessageW(window, WM_COMMAND, kCloseCommand, 0);
  }
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return 0;
}
