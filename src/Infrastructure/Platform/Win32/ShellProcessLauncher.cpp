#include "Infrastructure/Platform/Win32/ShellProcessLauncher.h"

#include <windows.h>
// after windows.h, which it needs
#include <shellapi.h>

#include "Infrastructure/Platform/Win32/WinText.h"

namespace Infrastructure::Platform::Win32 {

namespace {

// ShellExecuteW answers a value of 32 or less on failure: some are system
// error codes, the SE_ERR_* ones have a system error of the same meaning.
DWORD SystemErrorOf(INT_PTR AResult) {
  switch (AResult) {
    case 0:
    case SE_ERR_OOM:
      return ERROR_NOT_ENOUGH_MEMORY;
    case SE_ERR_SHARE:
      return ERROR_SHARING_VIOLATION;
    case SE_ERR_ASSOCINCOMPLETE:
    case SE_ERR_NOASSOC:
      return ERROR_NO_ASSOCIATION;
    case SE_ERR_DDETIMEOUT:
    case SE_ERR_DDEFAIL:
    case SE_ERR_DDEBUSY:
      return ERROR_DDE_FAIL;
    case SE_ERR_DLLNOTFOUND:
      return ERROR_DLL_NOT_FOUND;
    default:
      return static_cast<DWORD>(AResult);  // ERROR_FILE_NOT_FOUND, ERROR_PATH_NOT_FOUND, ERROR_BAD_FORMAT...
  }
}

}  // namespace

Core::Interfaces::TProcessStartResult TShellProcessLauncher::Open(const std::string& AProgram,
                                                                  const std::string& AArguments,
                                                                  const std::string& AWorkingDirectory) {
  Core::Interfaces::TProcessStartResult result;
  if (AProgram.empty()) {
    result.ErrorMessage = SystemErrorMessage(ERROR_FILE_NOT_FOUND);
    return result;
  }
  const std::wstring program = ToWide(AProgram);
  const std::wstring arguments = ToWide(AArguments);
  const std::wstring directory = ToWide(AWorkingDirectory);
  const INT_PTR answer = reinterpret_cast<INT_PTR>(
      ShellExecuteW(nullptr, L"open", program.c_str(), arguments.empty() ? nullptr : arguments.c_str(),
                    directory.empty() ? nullptr : directory.c_str(), SW_SHOWNORMAL));
  result.Started = answer > 32;
  if (!result.Started) result.ErrorMessage = SystemErrorMessage(SystemErrorOf(answer));
  return result;
}

}  // namespace Infrastructure::Platform::Win32
