#pragma once
// A worker thread, and the lock and wake-up it shares with its owner, on the
// system's own primitives: on Windows the executable then links no emulation
// of POSIX threads for them.
#include <functional>
#include <memory>

namespace Infrastructure::Platform {

// A lock with a wake-up. Wait is called with the lock held.
class TMonitor {
 public:
  TMonitor();
  ~TMonitor();
  TMonitor(const TMonitor&) = delete;
  TMonitor& operator=(const TMonitor&) = delete;

  void Lock();
  void Unlock();
  // Releases the lock until a NotifyAll (or a spurious wake-up), then holds it again.
  void Wait();
  void NotifyAll();
  template <class TPredicate>
  void WaitUntil(TPredicate APredicate) {
    while (!APredicate()) Wait();
  }

 private:
  struct TState;
  std::unique_ptr<TState> FState;
};

// Holds a monitor's lock for a scope; Unlock and Lock let it go and take it back within it.
class TMonitorLock {
 public:
  explicit TMonitorLock(TMonitor& AMonitor) : FMonitor(AMonitor) { FMonitor.Lock(); }
  ~TMonitorLock() {
    if (FHeld) FMonitor.Unlock();
  }
  TMonitorLock(const TMonitorLock&) = delete;
  TMonitorLock& operator=(const TMonitorLock&) = delete;
  void Unlock() {
    FMonitor.Unlock();
    FHeld = false;
  }
  void Lock() {
    FMonitor.Lock();
    FHeld = true;
  }

 private:
  TMonitor& FMonitor;
  bool FHeld = true;
};

// Runs ABody on a thread of its own from construction; the destructor waits
// for it to end. An exception leaving ABody ends the process, as with std::thread.
// Throws Core::EQuorvaneError when the system refuses the thread.
class TThread {
 public:
  explicit TThread(std::function<void()> ABody);
  ~TThread();
  TThread(const TThread&) = delete;
  TThread& operator=(const TThread&) = delete;

 private:
  struct TState;
  std::unique_ptr<TState> FState;
};

}  // namespace Infrastructure::Platform
