#include <condition_variable>
#include <mutex>
#include <thread>

#include "Infrastructure/Platform/Thread.h"

namespace Infrastructure::Platform {

struct TMonitor::TState {
  std::mutex Lock;
  std::condition_variable Changed;
};

TMonitor::TMonitor() : FState(std::make_unique<TState>()) {}
TMonitor::~TMonitor() = default;
void TMonitor::Lock() {
  FState->Lock.lock();
}
void TMonitor::Unlock() {
  FState->Lock.unlock();
}
void TMonitor::Wait() {
  std::unique_lock<std::mutex> held(FState->Lock, std::adopt_lock);
  FState->Changed.wait(held);
  held.release();  // the caller still holds the lock
}
void TMonitor::NotifyAll() {
  FState->Changed.notify_all();
}

struct TThread::TState {
  std::thread Thread;
};

TThread::TThread(std::function<void()> ABody) : FState(std::make_unique<TState>()) {
  FState->Thread = std::thread(std::move(ABody));
}

TThread::~TThread() {
  FState->Thread.join();
}

}  // namespace Infrastructure::Platform
