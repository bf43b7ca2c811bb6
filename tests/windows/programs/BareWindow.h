#pragma once
// The floor of a windowed start under the same system: one plain window,
// shown and painted, kept a moment, then the program ends. The start-up
// benchmark times it beside the launcher.
#include <windows.h>

inline int ShowBareWindow(const wchar_t* AClassName) {
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  WNDCLASSW windowClass{};
  windowClass.lpfnWndProc = DefWindowProcW;
  windowClass.hInstance = instance;
  windowClass.lpszClassName = AClassName;
  RegisterClassW(&windowClass);
  HWND window =
      CreateWindowExW(0, AClassName, L"bare", WS_POPUP, 100, 100, 760, 428, nullptr, nullptr, instance, nullptr);
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
