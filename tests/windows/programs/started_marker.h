#pragma once
// Records that this program started: "<its own path>.started" holding its
// command line, then ANote on a line of its own when there is one. Shared by
// the test stand-ins of the application and the demo application.
#include <windows.h>

#include <string>

// 0 once the marker is in place; otherwise the step that failed.
inline int RecordStart(const std::string& ANote = {}) {
  wchar_t self[MAX_PATH];
  const DWORD length = GetModuleFileNameW(nullptr, self, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return 1;
  const std::wstring marker = std::wstring(self, length) + L".started";
  const wchar_t* commandLine = GetCommandLineW();
  const int size = WideCharToMultiByte(CP_UTF8, 0, commandLine, -1, nullptr, 0, nullptr, nullptr);
  std::string text(size > 0 ? size - 1 : 0, '\0');
  if (size > 1) WideCharToMultiByte(CP_UTF8, 0, commandLine, -1, text.data(), size, nullptr, nullptr);
  if (!ANote.empty()) text += "\n" + ANote;
  // Written under another name and renamed, so a reader never sees half a file.
  const std::wstring temporary = marker + L".tmp";
  HANDLE file =
      CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 2;
  DWORD written = 0;
  WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  CloseHandle(file);
  return MoveFileExW(temporary.c_str(), marker.c_str(), MOVEFILE_REPLACE_EXISTING) ? 0 : 3;
}
