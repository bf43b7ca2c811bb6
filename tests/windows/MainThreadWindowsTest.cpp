#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <stdexcept>

#include "Core/Errors.h"
#include "Infrastructure/Threading/Win32/Win32MainThread.h"

using Infrastructure::Threading::Win32::TWin32MainThread;
using Infrastructure::Threading::Win32::TWin32TaskPool;

namespace {

// Pumps this thread's messages until ADone or ten seconds pass.
bool PumpUntil(const std::atomic<bool>& ADone) {
  const ULONGLONG deadline = GetTickCount64() + 10000;
  while (!ADone && GetTickCount64() < deadline) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
  }
  return ADone;
}

}  // namespace

TEST(Win32MainThread, PoolTaskHandsOverThroughTheMessageOnlyWindow) {
  TWin32MainThread mainThread;
  TWin32TaskPool pool;
  const DWORD uiThread = GetCurrentThreadId();
  std::atomic<bool> done{false};
  DWORD ranOn = 0;
  std::string error;
  pool.Run([&] {
    mainThread.Invoke([&] { ranOn = GetCurrentThreadId(); });
    try {
      mainThread.Invoke([] { throw Core::EFileSystemError("disco cheio"); });
    } catch (const Core::EFileSystemError& e) {
      error = e.what();
    }
    done = true;
  });
  ASSERT_TRUE(PumpUntil(done));
  EXPECT_EQ(ranOn, uiThread);
  EXPECT_EQ(error, "disco cheio");
}
