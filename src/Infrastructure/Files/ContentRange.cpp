#include "Infrastructure/Files/ContentRange.h"

namespace Infrastructure::Files {

namespace {

// Decimal digits up to AStop (or the end), at most 19 of them (below 2^63).
std::optional<uint64_t> Number(std::string_view AText, size_t& AAt, char AStop) {
  const size_t start = AAt;
  uint64_t value = 0;
  while (AAt < AText.size() && AText[AAt] >= '0' && AText[AAt] <= '9') {
    if (AAt - start == 19) return std::nullopt;
    value = value * 10 + static_cast<uint64_t>(AText[AAt] - '0');
    ++AAt;
  }
  if (AAt == start) return std::nullopt;
  if (AStop != '\0') {
    if (AAt == AText.size() || AText[AAt] != AStop) return std::nullopt;
    ++AAt;
  } else if (AAt != AText.size()) {
    return std::nullopt;
  }
  return value;
}

bool Blank(char c) {
  return c == ' ' || c == '\t';
}

}  // namespace

std::optional<TContentRange> ParseContentRange(std::string_view AText) {
  while (!AText.empty() && Blank(AText.front())) AText.remove_prefix(1);
  while (!AText.empty() && Blank(AText.back())) AText.remove_suffix(1);
  constexpr std::string_view kUnit = "bytes ";
  if (AText.size() <= kUnit.size()) return std::nullopt;
  for (size_t i = 0; i < kUnit.size(); ++i) {
    const char c = AText[i] >= 'A' && AText[i] <= 'Z' ? static_cast<char>(AText[i] - 'A' + 'a') : AText[i];
    if (c != kUnit[i]) return std::nullopt;
  }
  size_t at = kUnit.size();
  const auto first = Number(AText, at, '-');
  if (!first) return std::nullopt;
  const auto last = Number(AText, at, '/');
  if (!last) return std::nullopt;
  const auto total = Number(AText, at, '\0');
  if (!total || *first > *last || *last >= *total) return std::nullopt;
  return TContentRange{*first, *last, *total};
}

}  // namespace Infrastructure::Files
