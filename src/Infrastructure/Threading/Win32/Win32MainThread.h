#pragma once
#include <windows.h>

#include "Core/Interfaces/IMainThread.h"

namespace Infrastructure::Threading::Win32 {

// The hand-over through a message-only window owned by the user-interface
// thread: SendMessageW blocks the task until the window procedure has run the
// procedure; an error it raised travels back and is raised again in the task.
class TWin32MainThread : public Core::Interfaces::IMainThread {
public:
  // Must be created on the user-interface thread, which must pump messages.
  TWin32MainThread();
  ~TWin32MainThread() override;
  TWin32MainThread(const TWin32MainThread&) = delete;
  TWin32MainThread& operator=(const TWin32MainThread&) = delete;

  void Invoke(const std::function<void()>& AProc) override;
  bool IsMainThread() const override;

private:
  static LRESULT CALLBACK WindowProc(HWND AWindow, UINT AMessage, WPARAM AWParam, LPARAM ALParam);

  HWND FWindow = nullptr;
  DWORD FThreadId = 0;
};

// Tasks on the system thread pool. Each task holds shared references to what
// it uses, so nothing it touches goes away under it.
class TWin32TaskPool : public Core::Interfaces::ITaskPool {
public:
  void Run(std::function<void()> ATask) override;
};

}  // namespace Infrastructure::Threading::Win32
