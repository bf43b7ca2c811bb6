#include "Infrastructure/Threading/QueueMainThread.h"

#include <algorithm>

namespace Infrastructure::Threading {

TQueueMainThread::TQueueMainThread() : FOwner(std::this_thread::get_id()) {}

bool TQueueMainThread::IsMainThread() const { return std::this_thread::get_id() == FOwner; }

void TQueueMainThread::Invoke(const std::function<void()>& AProc) {
  if (IsMainThread()) {
    AProc();
    return;
  }
  TCall call{&AProc, nullptr, false};
  std::unique_lock lock(FLock);
  FQueue.push_back(&call);
  FQueued.notify_all();
  FFinished.wait(lock, [&] { return call.Done; });
  if (call.Error) std::rethrow_exception(call.Error);
}

bool TQueueMainThread::PumpUntil(const std::function<bool()>& APredicate, std::chrono::milliseconds ATimeout) {
  const auto deadline = std::chrono::steady_clock::now() + ATimeout;
  for (;;) {
    if (APredicate()) return true;
    TCall* call = nullptr;
    {
      std::unique_lock lock(FLock);
      if (std::chrono::steady_clock::now() >= deadline) return APredicate();
      // Wake now and then: the predicate may turn true without a hand-over.
      const auto wake = std::min(deadline, std::chrono::steady_clock::now() + std::chrono::milliseconds(10));
      if (!FQueued.wait_until(lock, wake, [&] { return !FQueue.empty(); })) continue;
      call = FQueue.front();
      FQueue.pop_front();
    }
    try {
      (*call->Proc)();
    } catch (...) {
      call->Error = std::current_exception();
    }
    {
      std::lock_guard lock(FLock);
      call->Done = true;
    }
    FFinished.notify_all();
  }
}

}  // namespace Infrastructure::Threading
