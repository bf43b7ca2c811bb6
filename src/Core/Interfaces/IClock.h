#pragma once
// Time for waits and pauses, injectable so that tests of a five-minute limit
// take milliseconds.
#include <cstdint>

namespace Core::Interfaces {

class IClock {
 public:
  virtual ~IClock() = default;
  // Milliseconds on a clock that only moves forward (not the wall clock, which
  // the user or a time server may set back in the middle of a wait).
  virtual uint64_t NowMilliseconds() = 0;
  virtual void SleepMilliseconds(uint32_t AMilliseconds) = 0;
};

}  // namespace Core::Interfaces
