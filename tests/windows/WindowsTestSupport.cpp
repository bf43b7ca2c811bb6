#include "windows/WindowsTestSupport.h"

#include <windows.h>

#include "Infrastructure/Platform/Win32/WinText.h"

using Infrastructure::Platform::Win32::ToWide;

namespace TestSupport {

int64_t RunProgram(const std::string& AExecutable, const std::string& AArguments, uint32_t ATimeoutMs) {
  std::wstring commandLine = L"\"" + ToWide(AExecutable) + L"\"";
  if (!AArguments.empty()) commandLine += L" " + ToWide(AArguments);
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
    return -1;
  CloseHandle(process.hThread);
  int64_t result = -2;
  if (WaitForSingleObject(process.hProcess, ATimeoutMs) == WAIT_OBJECT_0) {
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    result = code;
  } else {
    TerminateProcess(process.hProcess, 1);
    WaitForSingleObject(process.hProcess, 5000);
  }
  CloseHandle(process.hProcess);
  return result;
}

}  // namespace TestSupport
