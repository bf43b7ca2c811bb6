#pragma once
#include "Core/Interfaces/IClock.h"

namespace Infrastructure::Platform {

// The steady clock of the system and a real sleep of the calling thread.
class TSystemClock : public Core::Interfaces::IClock {
 public:
  uint64_t NowMilliseconds() override;
  void SleepMilliseconds(uint32_t AMilliseconds) override;
};

}  // namespace Infrastructure::Platform
