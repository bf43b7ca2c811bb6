#include <chrono>
#include <thread>

#include "Infrastructure/Platform/SystemClock.h"

namespace Infrastructure::Platform {

uint64_t SteadyMilliseconds() {
  return static_cast<uint64_t>(
      std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
          .count());
}

void SleepMilliseconds(uint32_t AMilliseconds) {
  std::this_thread::sleep_for(std::chrono::milliseconds(AMilliseconds));
}

}  // namespace Infrastructure::Platform
