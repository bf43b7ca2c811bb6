// Version parsing on arbitrary bytes: no crash, no hang, the canonical text parses back to
// the same numbers, and comparisons agree with the numbers they compare.
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "Core/Entities/VersionInfo.h"

using Core::Entities::TVersionInfo;

namespace {

using TComponents = std::array<int32_t, 4>;

TComponents ComponentsOf(const TVersionInfo& AVersion) {
  return {AVersion.Major(), AVersion.Minor(), AVersion.Build(), AVersion.Revision()};
}

void Check(bool ACondition, const char* AWhat) {
  if (ACondition) return;
  std::fprintf(stderr, "fuzz_version: %s\n", AWhat);
  std::abort();
}

int32_t ExpectedCompare(const TComponents& ALeft, const TComponents& ARight) {
  if (ALeft < ARight) return -1;
  return ALeft == ARight ? 0 : 1;
}

// For texts made only of digits and dots the rules reduce to a plain split; an out-of-range
// part counts 0. Returns false when the text is outside that alphabet.
bool SimpleDigitsAndDots(std::string_view AText, TComponents& AResult) {
  AResult = {};
  for (const char LChar : AText)
    if (LChar != '.' && (LChar < '0' || LChar > '9')) return false;
  size_t LIndex = 0;
  while (LIndex < AResult.size() && !AText.empty()) {
    const size_t LDot = AText.find('.');
    std::string_view LPart = AText.substr(0, LDot);
    while (LPart.size() > 1 && LPart[0] == '0') LPart.remove_prefix(1);
    if (!LPart.empty() && LPart.size() <= 10) {
      const int64_t LValue = std::stoll(std::string(LPart));
      if (LValue <= INT32_MAX) AResult[LIndex] = static_cast<int32_t>(LValue);
    }
    ++LIndex;
    if (LDot == std::string_view::npos) break;
    AText.remove_prefix(LDot + 1);
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* AData, size_t ASize) {
  const std::string LText(reinterpret_cast<const char*>(AData), ASize);

  const TVersionInfo LVersion(LText);
  const TComponents LComponents = ComponentsOf(LVersion);
  const std::string LCanonical = LVersion.GetFullVersion();
  const TVersionInfo LReparsed(LCanonical);
  Check(ComponentsOf(LReparsed) == LComponents, "canonical text does not parse back to the same numbers");
  Check(LReparsed.GetFullVersion() == LCanonical, "canonical text is not stable");
  Check(LVersion.IsEqualTo(LCanonical) && LVersion.IsEqualTo(LText), "a version differs from itself");
  // Whatever follows the fourth part is ignored.
  Check(ComponentsOf(TVersionInfo(LCanonical + "." + LText)) == LComponents, "a fifth part changed the version");

  TComponents LSimple;
  if (SimpleDigitsAndDots(LText, LSimple)) Check(LSimple == LComponents, "digits and dots parsed wrongly");

  if (ASize < 2) return 0;
  // The first byte chooses where the rest splits into two versions to compare.
  const std::string_view LRest = std::string_view(LText).substr(1);
  const size_t LSplit = AData[0] % (LRest.size() + 1);
  const std::string LLeftText(LRest.substr(0, LSplit));
  const std::string LRightText(LRest.substr(LSplit));
  const TVersionInfo LLeft(LLeftText);
  const TVersionInfo LRight(LRightText);
  const int32_t LResult = LLeft.CompareTo(LRightText);
  Check(LResult == ExpectedCompare(ComponentsOf(LLeft), ComponentsOf(LRight)), "comparison disagrees with the numbers");
  Check(LResult == LLeft.CompareTo(LRight.GetFullVersion()), "raw and canonical texts compare differently");
  Check(LRight.CompareTo(LLeftText) == -LResult, "comparison is not antisymmetric");
  Check(LLeft.IsNewerThan(LRightText) == (LResult > 0) && LLeft.IsOlderThan(LRightText) == (LResult < 0) &&
            LLeft.IsEqualTo(LRightText) == (LResult == 0),
        "IsNewerThan/IsOlderThan/IsEqualTo disagree with CompareTo");
  return 0;
}
