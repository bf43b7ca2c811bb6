#include <windows.h>

#include "Infrastructure/Platform/SystemClock.h"

namespace Infrastructure::Platform {

uint64_t SteadyMilliseconds() {
  return GetTickCount64();
}

void SleepMilliseconds(uint32_t AMilliseconds) {
  Sleep(AMilliseconds);
}

}  // namespace Infrastructure::Platform
