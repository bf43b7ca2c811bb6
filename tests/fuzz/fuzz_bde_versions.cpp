// The BDE version order on arbitrary text: antisymmetric, and every version
// equal to itself. The first byte says where the input splits in two.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "Infrastructure/BDE/WindowsBDEService.h"

using Infrastructure::BDE::CompareVersions;

namespace {

void Check(bool ACondition, const char* AWhat) {
  if (ACondition) return;
  std::fprintf(stderr, "fuzz_bde_versions: %s\n", AWhat);
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* AData, size_t ASize) {
  if (ASize < 2) return 0;
  const std::string_view rest(reinterpret_cast<const char*>(AData) + 1, ASize - 1);
  const size_t split = AData[0] % (rest.size() + 1);
  const std::string_view left = rest.substr(0, split), right = rest.substr(split);
  const int result = CompareVersions(left, right);
  Check(result >= -1 && result <= 1, "comparison out of range");
  Check(CompareVersions(right, left) == -result, "comparison is not antisymmetric");
  Check(CompareVersions(left, left) == 0, "a version differs from itself");
  return 0;
}
