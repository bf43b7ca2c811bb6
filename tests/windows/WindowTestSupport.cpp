#include "windows/WindowTestSupport.h"

#include <commctrl.h>
#include <gtest/gtest.h>
#include <zlib.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <exception>
#include <thread>

#include "Infrastructure/Platform/FileSystem.h"
#include "Infrastructure/Platform/Win32/WinText.h"
#include "support/TestServers.h"

using Infrastructure::Platform::Win32::FromWide;
using Infrastructure::Platform::Win32::ToWide;

namespace TestSupport {

namespace {

void PutBigEndian(std::string& AOut, uint32_t AValue) {
  for (int shift = 24; shift >= 0; shift -= 8) AOut.push_back(static_cast<char>((AValue >> shift) & 0xFF));
}

void PutChunk(std::string& AOut, const char* AType, const std::string& AData) {
  PutBigEndian(AOut, static_cast<uint32_t>(AData.size()));
  const std::string typed = std::string(AType, 4) + AData;
  AOut += typed;
  PutBigEndian(AOut, static_cast<uint32_t>(
                         crc32(0, reinterpret_cast<const Bytef*>(typed.data()), static_cast<uInt>(typed.size()))));
}

// An 8-bit RGB PNG of top-down BGRA pixels.
std::string EncodePng(const uint8_t* APixels, int AWidth, int AHeight) {
  std::string raw;
  raw.reserve(static_cast<size_t>(AHeight) * (1 + 3 * static_cast<size_t>(AWidth)));
  for (int y = 0; y < AHeight; ++y) {
    raw.push_back(0);  // no filter
    const uint8_t* row = APixels + static_cast<size_t>(y) * 4 * static_cast<size_t>(AWidth);
    for (int x = 0; x < AWidth; ++x) {
      raw.push_back(static_cast<char>(row[4 * x + 2]));
      raw.push_back(static_cast<char>(row[4 * x + 1]));
      raw.push_back(static_cast<char>(row[4 * x]));
    }
  }
  uLongf packedSize = compressBound(static_cast<uLong>(raw.size()));
  std::string packed(packedSize, '\0');
  compress2(reinterpret_cast<Bytef*>(packed.data()), &packedSize, reinterpret_cast<const Bytef*>(raw.data()),
            static_cast<uLong>(raw.size()), 6);
  packed.resize(packedSize);

  std::string header;
  PutBigEndian(header, static_cast<uint32_t>(AWidth));
  PutBigEndian(header, static_cast<uint32_t>(AHeight));
  header += std::string("\x08\x02\x00\x00\x00", 5);  // 8 bits, RGB, deflate, no filter, no interlace
  std::string png("\x89PNG\r\n\x1a\n", 8);
  PutChunk(png, "IHDR", header);
  PutChunk(png, "IDAT", packed);
  PutChunk(png, "IEND", "");
  return png;
}

}  // namespace

bool PumpUntil(const std::function<bool()>& APredicate, uint32_t ATimeoutMs) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ATimeoutMs);
  MSG message;
  while (!APredicate()) {
    if (std::chrono::steady_clock::now() >= end) return false;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      if (message.message == WM_QUIT) {
        // Left for the caller, who may want to see the exit code.
        PostQuitMessage(static_cast<int>(message.wParam));
        return APredicate();
      }
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
    Sleep(10);
  }
  return true;
}

std::string SaveScreenshot(HWND AWindow, const std::string& AName) {
  if (AWindow == nullptr) return {};
  RedrawWindow(AWindow, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
  // Let X draw what the window painted before the screen is read (only when
  // called on the window's own thread; otherwise its loop is running anyway).
  if (GetWindowThreadProcessId(AWindow, nullptr) == GetCurrentThreadId())
    PumpUntil([] { return false; }, 150);
  else
    Sleep(150);
  RECT rect;
  GetWindowRect(AWindow, &rect);
  const int width = rect.right - rect.left;
  const int height = rect.bottom - rect.top;
  if (width <= 0 || height <= 0) return {};

  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // top-down
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  const HDC screen = GetDC(nullptr);
  const HDC memory = CreateCompatibleDC(screen);
  const HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  const HGDIOBJ old = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY);
  GdiFlush();
  const std::string png = EncodePng(static_cast<const uint8_t*>(bits), width, height);
  SelectObject(memory, old);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);

  const std::string folder = HostPath(std::string(QL_BUILD_DIR) + "/screenshots");
  Infrastructure::Platform::CreateDirectories(folder);
  const std::string path = folder + "\\" + AName + ".png";
  FILE* out = _wfopen(ToWide(path).c_str(), L"wb");
  if (out == nullptr) return {};
  fwrite(png.data(), 1, png.size(), out);
  fclose(out);
  return path;
}

bool WaitFor(const std::function<bool()>& APredicate, uint32_t ATimeoutMs) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ATimeoutMs);
  while (!APredicate()) {
    if (std::chrono::steady_clock::now() >= end) return false;
    Sleep(20);
  }
  return true;
}

int RunWithDriver(const std::function<int()>& AModal, const std::function<void()>& ADriver) {
  const DWORD uiThread = GetCurrentThreadId();
  std::atomic<bool> modalDone{false};
  std::exception_ptr driverError;
  std::thread driver([&] {
    try {
      ADriver();
    } catch (...) {
      driverError = std::current_exception();
    }
    // A driver that failed, or did not end the window, must not hang the run.
    if (!WaitFor([&] { return modalDone.load(); }, driverError ? 0 : 20000)) {
      if (!driverError) ADD_FAILURE() << "the window did not close after the driver's last step";
      PostThreadMessageW(uiThread, WM_QUIT, 0, 0);
    }
  });
  const int result = AModal();
  modalDone = true;
  driver.join();
  MSG quit;
  while (PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
  }
  if (driverError) {
    try {
      std::rethrow_exception(driverError);
    } catch (const std::exception& e) {
      ADD_FAILURE() << "driver: " << e.what();
    }
  }
  return result;
}

std::vector<HWND> WindowsOf(DWORD AProcessId, const wchar_t* AClassName) {
  struct TSearch {
    DWORD ProcessId;
    const wchar_t* ClassName;
    std::vector<HWND> Found;
  } search{AProcessId == 0 ? GetCurrentProcessId() : AProcessId, AClassName, {}};
  EnumWindows(
      [](HWND AWindow, LPARAM AParam) WINAPI -> BOOL {
        auto* s = reinterpret_cast<TSearch*>(AParam);
        DWORD process = 0;
        GetWindowThreadProcessId(AWindow, &process);
        wchar_t className[64] = {};
        GetClassNameW(AWindow, className, 64);
        if (process == s->ProcessId && lstrcmpW(className, s->ClassName) == 0) s->Found.push_back(AWindow);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.Found;
}

HWND WaitForWindow(const wchar_t* AClassName, uint32_t ATimeoutMs, DWORD AProcessId) {
  HWND found = nullptr;
  WaitFor(
      [&] {
        for (const HWND window : WindowsOf(AProcessId, AClassName))
          if (IsWindowVisible(window)) {
            found = window;
            return true;
          }
        return false;
      },
      ATimeoutMs);
  return found;
}

HWND WaitForMessageBox(uint32_t ATimeoutMs) { return WaitForWindow(L"#32770", ATimeoutMs); }

std::string MessageBoxText(HWND ABox) {
  // The box's text is in a static control; the icon's static has no text.
  std::string text;
  for (HWND child = FindWindowExW(ABox, nullptr, L"Static", nullptr); child != nullptr;
       child = FindWindowExW(ABox, child, L"Static", nullptr)) {
    wchar_t buffer[1024] = {};
    GetWindowTextW(child, buffer, 1024);
    text += FromWide(buffer);
  }
  return text;
}

void Click(HWND AForm, int AControlId) { PostMessageW(GetDlgItem(AForm, AControlId), BM_CLICK, 0, 0); }

void TypeText(HWND AForm, int AControlId, const std::string& AText) {
  HWND target = GetDlgItem(AForm, AControlId);
  // An editable list takes the keys in its edit box.
  if (HWND edit = FindWindowExW(target, nullptr, L"Edit", nullptr)) target = edit;
  SendMessageW(target, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L""));
  for (const wchar_t c : ToWide(AText)) PostMessageW(target, WM_CHAR, c, 1);
  WaitFor([&] { return ControlText(AForm, AControlId) == AText; }, 5000);
}

void ChooseItem(HWND AForm, int AControlId, int AIndex) {
  const HWND combo = GetDlgItem(AForm, AControlId);
  SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(AIndex), 0);
  PostMessageW(AForm, WM_COMMAND, MAKEWPARAM(AControlId, CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo));
}

void PressKey(HWND AForm, int AControlId, WORD AVirtualKey) {
  HWND target = GetDlgItem(AForm, AControlId);
  if (HWND edit = FindWindowExW(target, nullptr, L"Edit", nullptr)) target = edit;
  PostMessageW(target, WM_KEYDOWN, AVirtualKey, 1);
  PostMessageW(target, WM_KEYUP, AVirtualKey, 0xC0000001);
}

void CloseBox(HWND AForm) { PostMessageW(AForm, WM_SYSCOMMAND, SC_CLOSE, 0); }

std::string ControlText(HWND AForm, int AControlId) {
  const HWND control = GetDlgItem(AForm, AControlId);
  wchar_t text[1024] = {};
  SendMessageW(control, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(text));
  return FromWide(text);
}

int FocusedId(HWND AForm) {
  GUITHREADINFO info{};
  info.cbSize = sizeof(info);
  GetGUIThreadInfo(GetWindowThreadProcessId(AForm, nullptr), &info);
  return info.hwndFocus == nullptr ? 0 : GetDlgCtrlID(info.hwndFocus);
}

bool ControlVisible(HWND AForm, int AControlId) {
  return (GetWindowLongW(GetDlgItem(AForm, AControlId), GWL_STYLE) & WS_VISIBLE) != 0;
}

std::vector<std::string> ComboItems(HWND AForm, int AControlId) {
  const HWND combo = GetDlgItem(AForm, AControlId);
  std::vector<std::string> items;
  const LRESULT count = SendMessageW(combo, CB_GETCOUNT, 0, 0);
  for (LRESULT i = 0; i < count; ++i) {
    wchar_t text[512] = {};
    SendMessageW(combo, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
    items.push_back(FromWide(text));
  }
  return items;
}

int ComboSelection(HWND AForm, int AControlId) {
  const LRESULT index = SendMessageW(GetDlgItem(AForm, AControlId), CB_GETCURSEL, 0, 0);
  return index == CB_ERR ? -1 : static_cast<int>(index);
}

std::string CueBanner(HWND AForm, int AControlId) {
  wchar_t text[256] = {};
  SendMessageW(GetDlgItem(AForm, AControlId), EM_GETCUEBANNER, reinterpret_cast<WPARAM>(text), 256);
  return FromWide(text);
}

std::string WindowCaption(HWND AWindow) {
  wchar_t text[256] = {};
  GetWindowTextW(AWindow, text, 256);
  return FromWide(text);
}

}  // namespace TestSupport
