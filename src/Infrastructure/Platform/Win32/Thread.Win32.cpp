#include <windows.h>

#include <process.h>

#include "Core/Errors.h"
#include "Infrastructure/Platform/Thread.h"

namespace Infrastructure::Platform {

struct TMonitor::TState {
  SRWLOCK Lock = SRWLOCK_INIT;
  CONDITION_VARIABLE Changed = CONDITION_VARIABLE_INIT;
};

TMonitor::TMonitor() : FState(std::make_unique<TState>()) {}
TMonitor::~TMonitor() = default;
void TMonitor::Lock() {
  AcquireSRWLockExclusive(&FState->Lock);
}
void TMonitor::Unlock() {
  ReleaseSRWLockExclusive(&FState->Lock);
}
void TMonitor::Wait() {
  SleepConditionVariableSRW(&FState->Changed, &FState->Lock, INFINITE, 0);
}
void TMonitor::NotifyAll() {
  WakeAllConditionVariable(&FState->Changed);
}

struct TThread::TState {
  std::function<void()> Body;
  HANDLE Handle = nullptr;
};

namespace {

unsigned __stdcall RunBody(void* ABody) {
  (*static_cast<std::function<void()>*>(ABody))();
  return 0;
}

}  // namespace

TThread::TThread(std::function<void()> ABody) : FState(std::make_unique<TState>()) {
  FState->Body = std::move(ABody);
  // Through the C runtime, which prepares its own state for the thread.
  const uintptr_t handle = _beginthreadex(nullptr, 0, RunBody, &FState->Body, 0, nullptr);
  if (handle == 0) throw Core::EQuorvaneError("O sistema não criou uma thread de trabalho");
  FState->Handle = reinterpret_cast<HANDLE>(handle);
}

TThread::~TThread() {
  WaitForSingleObject(FState->Handle, INFINITE);
  CloseHandle(FState->Handle);
}

}  // namespace Infrastructure::Platform
