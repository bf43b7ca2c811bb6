#include <windows.h>

#include <shellapi.h>

#include "Infrastructure/Platform/ProcessInfo.h"
#include "Infrastructure/Platform/Win32/WinText.h"

namespace Infrastructure::Platform {

using Win32::FromWide;

TLocalTime LocalTimeNow() {
  SYSTEMTIME now;
  GetLocalTime(&now);
  return {now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond, now.wMilliseconds};
}

uint32_t CurrentThreadId() {
  return GetCurrentThreadId();
}

std::string OperatingSystemVersion() {
  // GetVersionEx answers what the manifest claims; the kernel's own call
  // tells the real version.
  using TRtlGetVersion = LONG(WINAPI*)(OSVERSIONINFOW*);
  OSVERSIONINFOW info{};
  info.dwOSVersionInfoSize = sizeof(info);
  const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  const auto getVersion =
      ntdll ? reinterpret_cast<TRtlGetVersion>(reinterpret_cast<void*>(GetProcAddress(ntdll, "RtlGetVersion")))
            : nullptr;
  std::string text = "Windows";
  if (getVersion != nullptr && getVersion(&info) == 0)
    text += " " + std::to_string(info.dwMajorVersion) + "." + std::to_string(info.dwMinorVersion) + "." +
            std::to_string(info.dwBuildNumber);
  using TWineVersion = const char*(__cdecl*)();
  const auto wine =
      ntdll ? reinterpret_cast<TWineVersion>(reinterpret_cast<void*>(GetProcAddress(ntdll, "wine_get_version")))
            : nullptr;
  if (wine != nullptr) text += std::string(" (Wine ") + wine() + ")";
  return text;
}

std::string LocalAppDataDirectory() {
  wchar_t buffer[32768];
  const DWORD length = GetEnvironmentVariableW(L"LOCALAPPDATA", buffer, static_cast<DWORD>(std::size(buffer)));
  if (length == 0 || length >= std::size(buffer)) return {};
  return FromWide(std::wstring_view(buffer, length));
}

std::vector<std::string> CommandLineArguments() {
  int count = 0;
  LPWSTR* words = CommandLineToArgvW(GetCommandLineW(), &count);
  std::vector<std::string> arguments;
  if (words == nullptr) return arguments;
  for (int i = 1; i < count; ++i) arguments.push_back(FromWide(words[i]));
  LocalFree(words);
  return arguments;
}

}  // namespace Infrastructure::Platform
