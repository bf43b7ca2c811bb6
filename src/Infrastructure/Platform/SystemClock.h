#pragma once
#include <cstdint>

#include "Core/Interfaces/IClock.h"

namespace Infrastructure::Platform {

// The system's steady clock, in milliseconds from an arbitrary start.
uint64_t SteadyMilliseconds();
// Suspends the calling thread for about AMilliseconds.
void SleepMilliseconds(uint32_t AMilliseconds);

// The steady clock of the system and a real sleep of the calling thread.
class TSystemClock : public Core::Interfaces::IClock {
 public:
  uint64_t NowMilliseconds() override { return SteadyMilliseconds(); }
  void SleepMilliseconds(uint32_t AMilliseconds) override { Platform::SleepMilliseconds(AMilliseconds); }
};

}  // namespace Infrastructure::Platform
