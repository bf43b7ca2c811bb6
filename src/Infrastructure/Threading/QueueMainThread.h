#pragma once
// A user-interface thread without windows: hand-overs queue up and run when
// the owning thread pumps them. Used where there is no message loop (native
// runs of the view models, tests).
#include <chrono>
#include <condition_variable>
#include <deque>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>

#include "Core/Interfaces/IMainThread.h"

namespace Infrastructure::Threading {

class TQueueMainThread : public Core::Interfaces::IMainThread {
public:
  // The constructing thread is the user-interface thread.
  TQueueMainThread();

  void Invoke(const std::function<void()>& AProc) override;
  bool IsMainThread() const override;

  // On the owning thread: runs queued hand-overs until APredicate holds or
  // ATimeout passes; answers APredicate's last value.
  bool PumpUntil(const std::function<bool()>& APredicate, std::chrono::milliseconds ATimeout);

private:
  struct TCall {
    const std::function<void()>* Proc;
    std::exception_ptr Error;
    bool Done = false;
  };

  std::thread::id FOwner;
  std::mutex FLock;
  std::condition_variable FQueued;
  std::condition_variable FFinished;
  std::deque<TCall*> FQueue;
};

}  // namespace Infrastructure::Threading
