// The floor of a windowed start under the same system: a program that shows
// one plain window, keeps it a moment, then ends. The start-up benchmark
// times it beside the launcher.
#include <windows.h>

int main() {
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  WNDCLASSW windowClass{};
  windowClass.lpfnWndProc = DefWindowProcW;
  windowClass.hInstance = instance;
  windowClass.lpszClassName = L"QLBareWindow";
  RegisterClassW(&windowClass);
  HWND window = CreateWindowExW(0, L"QLBareWindow", L"bare", WS_POPUP, 100, 100, 760, 428, nullptr, nullptr,
                                instance, nullptr);
  ShowWindow(window, SW_SHOW);
  UpdateWindow(window);
  const DWORD end = GetTickCount() + 300;
  MSG message;
  while (GetTickCount() < end) {
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
    Sleep(10);
  }
  return 0;
}
