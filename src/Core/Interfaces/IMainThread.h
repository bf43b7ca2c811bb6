#pragma once
// The main-thread port: background work hands results to the user-interface
// thread and waits for them to be applied; slow work runs on a task pool.
#include <functional>

namespace Core::Interfaces {

class IMainThread {
public:
  virtual ~IMainThread() = default;
  // Runs AProc on the user-interface thread and returns when it has run. An
  // error raised by AProc is raised again here, in the waiting thread. Called
  // on the user-interface thread itself, AProc runs at once.
  virtual void Invoke(const std::function<void()>& AProc) = 0;
  virtual bool IsMainThread() const = 0;
};

class ITaskPool {
public:
  virtual ~ITaskPool() = default;
  // Runs ATask on a pool thread. The task must catch its own errors: one that
  // escapes is swallowed by the pool so it can never end the process.
  virtual void Run(std::function<void()> ATask) = 0;
};

}  // namespace Core::Interfaces
