#pragma once
// Time for waits and pauses, injectable so that tests of a five-minute limit
// take milliseconds.
#include <cstdint>
#include <functional>

namespace Core::Interfaces {

// A pause alone, for code that needs no clock reading.
using TSleepProc = std::function<void(uint32_t AMilliseconds)>;

class IClock {
 public:
  virtual ~IClock() = default;
  // Milliseconds on a clock that only moves forward (not the wall clock, which
  // the user or a time server may set back in the middle of a wait).
  virtual uint64_t NowMilliseconds() = 0;
  virtual void SleepMilliseconds(uint32_t AMilliseconds) = 0;
};

}  // namespace Core::Interfaces
