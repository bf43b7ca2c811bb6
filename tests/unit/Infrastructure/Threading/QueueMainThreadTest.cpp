#include "Infrastructure/Threading/QueueMainThread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>

#include "Infrastructure/Threading/ThreadTaskPool.h"

using Infrastructure::Threading::TQueueMainThread;
using Infrastructure::Threading::TThreadTaskPool;

TEST(QueueMainThread, HandOverRunsOnTheOwnerAndRaisesErrorsInTheWaitingTask) {
  TQueueMainThread mainThread;
  const auto owner = std::this_thread::get_id();
  std::atomic<int> step{0};
  std::string errorSeen;
  {
    TThreadTaskPool pool;
    pool.Run([&] {
      EXPECT_FALSE(mainThread.IsMainThread());
      mainThread.Invoke([&] {
        EXPECT_EQ(std::this_thread::get_id(), owner);
        step = 1;
      });
      EXPECT_EQ(step, 1);  // the hand-over blocked until it had run
      try {
        mainThread.Invoke([] { throw std::runtime_error("falhou na interface"); });
      } catch (const std::runtime_error& e) {
        errorSeen = e.what();
      }
      step = 2;
    });
    EXPECT_TRUE(mainThread.PumpUntil([&] { return step == 2; }, std::chrono::seconds(10)));
  }
  EXPECT_EQ(errorSeen, "falhou na interface");
  // On the owner itself the procedure runs at once.
  bool ran = false;
  mainThread.Invoke([&] { ran = true; });
  EXPECT_TRUE(ran);
}

TEST(ThreadTaskPool, AnEscapingErrorEndsOnlyItsTask) {
  std::atomic<bool> after{false};
  {
    TThreadTaskPool pool;
    pool.Run([] { throw std::logic_error("x"); });
    pool.Run([&] { after = true; });
  }
  EXPECT_TRUE(after);
}
