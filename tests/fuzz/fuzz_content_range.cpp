// Content-Range parsing on arbitrary bytes: no crash, and every range taken
// is one range inside its total that prints back to the same numbers.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "Infrastructure/Files/ContentRange.h"

using Infrastructure::Files::ParseContentRange;

namespace {

void Check(bool ACondition, const char* AWhat) {
  if (ACondition) return;
  std::fprintf(stderr, "fuzz_content_range: %s\n", AWhat);
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* AData, size_t ASize) {
  const std::string_view text(reinterpret_cast<const char*>(AData), ASize);
  const auto range = ParseContentRange(text);
  if (!range) return 0;
  Check(range->First <= range->Last && range->Last < range->Total, "a range outside its total");
  const std::string canonical =
      "bytes " + std::to_string(range->First) + "-" + std::to_string(range->Last) + "/" + std::to_string(range->Total);
  const auto again = ParseContentRange(canonical);
  Check(again && again->First == range->First && again->Last == range->Last && again->Total == range->Total,
        "the canonical text reads back otherwise");
  return 0;
}
