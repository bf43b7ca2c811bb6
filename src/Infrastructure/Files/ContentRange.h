#pragma once
// The header of a partial answer (206): which bytes of which whole it holds.
#include <cstdint>
#include <optional>
#include <string_view>

namespace Infrastructure::Files {

struct TContentRange {
  uint64_t First = 0;  // both ends included
  uint64_t Last = 0;
  uint64_t Total = 0;
};

// "bytes FIRST-LAST/TOTAL" (the unit in any case, blanks around the whole
// allowed), with FIRST <= LAST < TOTAL; nothing for any other text: an
// unknown total ("/*"), the unsatisfied form ("*/TOTAL"), signs, blanks inside,
// more than 19 digits, several ranges. Never throws.
std::optional<TContentRange> ParseContentRange(std::string_view AText);

}  // namespace Infrastructure::Files
