#pragma once
// A task pool over std::thread for builds without the Win32 pool. Threads are
// joined when the pool goes (a task that itself drops the last reference is
// left to finish on its own).
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "Core/Interfaces/IMainThread.h"

namespace Infrastructure::Threading {

class TThreadTaskPool : public Core::Interfaces::ITaskPool {
public:
  TThreadTaskPool() = default;
  ~TThreadTaskPool() override;
  TThreadTaskPool(const TThreadTaskPool&) = delete;
  TThreadTaskPool& operator=(const TThreadTaskPool&) = delete;

  void Run(std::function<void()> ATask) override;

private:
  std::mutex FLock;
  std::vector<std::thread> FThreads;
};

}  // namespace Infrastructure::Threading
