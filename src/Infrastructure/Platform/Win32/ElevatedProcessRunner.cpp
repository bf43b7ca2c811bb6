#include "Infrastructure/Platform/Win32/ElevatedProcessRunner.h"

#include <objbase.h>
#include <shellapi.h>

#include "Infrastructure/Platform/Win32/Handles.h"
#include "Infrastructure/Platform/Win32/WinText.h"

namespace Infrastructure::Platform::Win32 {

using namespace Core::Interfaces;

static_assert(kElevatedStartMask == (SEE_MASK_NOCLOSEPROCESS | SEE_MASK_NOASYNC | SEE_MASK_FLAG_NO_UI));

namespace {

class TWin32Process : public IStartedProcess {
 public:
  explicit TWin32Process(HANDLE AProcess) : FProcess(AProcess) {}

  TProcessWaitResult Wait(uint32_t AMilliseconds) override {
    if (!FProcess) return TProcessWaitResult::Failed;
    switch (WaitForSingleObject(FProcess.Get(), AMilliseconds)) {
      case WAIT_OBJECT_0:
        return TProcessWaitResult::Ended;
      case WAIT_TIMEOUT:
        return TProcessWaitResult::TimedOut;
      default:
        return TProcessWaitResult::Failed;
    }
  }

  bool Terminate(uint32_t AExitCode) override { return FProcess && TerminateProcess(FProcess.Get(), AExitCode); }

  std::optional<uint32_t> ExitCode() override {
    DWORD code = 0;
    // STILL_ACTIVE is also a code a process may end with: only the wait tells.
    if (!FProcess || WaitForSingleObject(FProcess.Get(), 0) != WAIT_OBJECT_0 ||
        !GetExitCodeProcess(FProcess.Get(), &code))
      return std::nullopt;
    return code;
  }

  void Close() override { FProcess.Reset(); }

 private:
  TKernelHandle FProcess;
};

// The shell may hand the start to extensions that need COM on this thread.
class TComScope {
 public:
  TComScope() : FResult(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE)) {}
  ~TComScope() {
    if (SUCCEEDED(FResult)) CoUninitialize();
  }
  TComScope(const TComScope&) = delete;
  TComScope& operator=(const TComScope&) = delete;

 private:
  HRESULT FResult;
};

}  // namespace

TElevatedStart TShellElevatedProcessRunner::StartElevated(const std::string& AFile,
                                                          const std::string& AWorkingDirectory) {
  TElevatedStart result;
  if (AFile.empty()) {
    result.ErrorMessage = SystemErrorMessage(ERROR_FILE_NOT_FOUND);
    return result;
  }
  const std::wstring file = ToWide(AFile);
  const std::wstring directory = ToWide(AWorkingDirectory);
  SHELLEXECUTEINFOW info{};
  info.cbSize = sizeof(info);
  info.fMask = kElevatedStartMask;
  info.hwnd = nullptr;
  info.lpVerb = L"runas";
  info.lpFile = file.c_str();
  info.lpParameters = nullptr;
  info.lpDirectory = directory.empty() ? nullptr : directory.c_str();
  info.nShow = SW_SHOW;

  TComScope com;
  if (!ShellExecuteExW(&info)) {
    const DWORD error = GetLastError();
    result.ErrorMessage = SystemErrorMessage(error != ERROR_SUCCESS ? error : ERROR_FILE_NOT_FOUND);
    return result;
  }
  if (info.hProcess == nullptr) {
    result.Status = TElevatedStartStatus::StartedWithoutProcess;
    return result;
  }
  result.Status = TElevatedStartStatus::StartedWithProcess;
  result.Process = std::make_unique<TWin32Process>(info.hProcess);
  return result;
}

}  // namespace Infrastructure::Platform::Win32
