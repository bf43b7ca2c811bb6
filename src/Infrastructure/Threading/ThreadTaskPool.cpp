#include "Infrastructure/Threading/ThreadTaskPool.h"

namespace Infrastructure::Threading {

TThreadTaskPool::~TThreadTaskPool() {
  std::vector<std::thread> threads;
  {
    std::lock_guard lock(FLock);
    threads.swap(FThreads);
  }
  for (auto& thread : threads) {
    // The last owner may let go of the pool from one of its own tasks.
    if (thread.get_id() == std::this_thread::get_id())
      thread.detach();
    else
      thread.join();
  }
}

void TThreadTaskPool::Run(std::function<void()> ATask) {
  std::lock_guard lock(FLock);
  FThreads.emplace_back([task = std::move(ATask)] {
    try {
      task();
    } catch (...) {
      // A task reports its own failures; nothing may end the process from here.
    }
  });
}

}  // namespace Infrastructure::Threading
