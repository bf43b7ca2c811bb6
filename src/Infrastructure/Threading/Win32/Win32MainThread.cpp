#include "Infrastructure/Threading/Win32/Win32MainThread.h"

#include <exception>
#include <memory>

#include "Core/Errors.h"

namespace Infrastructure::Threading::Win32 {

namespace {

constexpr UINT kRunProc = WM_APP + 1;
constexpr wchar_t kClassName[] = L"QuorvaneSoftLauncherMainThread";

struct TCall {
  const std::function<void()>* Proc;
  std::exception_ptr Error;
  bool Done = false;
};

void RunCall(TCall& ACall) {
  try {
    (*ACall.Proc)();
  } catch (...) {
    ACall.Error = std::current_exception();
  }
  ACall.Done = true;
}

}  // namespace

LRESULT CALLBACK TWin32MainThread::WindowProc(HWND AWindow, UINT AMessage, WPARAM AWParam, LPARAM ALParam) {
  if (AMessage == kRunProc) {
    RunCall(*reinterpret_cast<TCall*>(ALParam));
    return 1;
  }
  return DefWindowProcW(AWindow, AMessage, AWParam, ALParam);
}

TWin32MainThread::TWin32MainThread() : FThreadId(GetCurrentThreadId()) {
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof(windowClass);
  windowClass.lpfnWndProc = &TWin32MainThread::WindowProc;
  windowClass.hInstance = instance;
  windowClass.lpszClassName = kClassName;
  RegisterClassExW(&windowClass);  // fails harmlessly when already registered
  FWindow = CreateWindowExW(0, kClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, instance, nullptr);
  if (FWindow == nullptr) throw Core::EQuorvaneError("Não foi possível criar a janela de mensagens");
}

TWin32MainThread::~TWin32MainThread() {
  if (FWindow != nullptr) DestroyWindow(FWindow);
}

bool TWin32MainThread::IsMainThread() const { return GetCurrentThreadId() == FThreadId; }

void TWin32MainThread::Invoke(const std::function<void()>& AProc) {
  TCall call{&AProc, nullptr, false};
  if (IsMainThread())
    RunCall(call);
  else
    SendMessageW(FWindow, kRunProc, 0, reinterpret_cast<LPARAM>(&call));
  if (call.Error) std::rethrow_exception(call.Error);
  // The window is gone (the launcher is closing): the work was not applied.
  if (!call.Done) throw Core::EQuorvaneError("A janela principal foi fechada");
}

namespace {

void RunOwnedTask(void* AContext) {
  std::unique_ptr<std::function<void()>> task(static_cast<std::function<void()>*>(AContext));
  try {
    (*task)();
  } catch (...) {
    // Tasks report their own failures; nothing may reach the system pool.
  }
}

VOID CALLBACK PoolCallback(PTP_CALLBACK_INSTANCE, PVOID AContext) { RunOwnedTask(AContext); }

DWORD WINAPI ThreadEntry(LPVOID AContext) {
  RunOwnedTask(AContext);
  return 0;
}

}  // namespace

void TWin32TaskPool::Run(std::function<void()> ATask) {
  auto task = std::make_unique<std::function<void()>>(std::move(ATask));
  if (TrySubmitThreadpoolCallback(&PoolCallback, task.get(), nullptr)) {
    task.release();
    return;
  }
  // No pool (exhausted): a thread of its own still runs the task.
  if (HANDLE handle = CreateThread(nullptr, 0, &ThreadEntry, task.get(), 0, nullptr)) {
    task.release();
    CloseHandle(handle);
    return;
  }
  throw Core::EQuorvaneError("Não foi possível iniciar uma tarefa em segundo plano");
}

}  // namespace Infrastructure::Threading::Win32
