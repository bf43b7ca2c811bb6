#include "Infrastructure/Logging/TypeName.h"

#include <cstddef>
#include <optional>

namespace Infrastructure::Logging {

namespace {

// Reads one "<length><identifier>" at APos; nothing when it is not one.
std::optional<std::string> SourceName(std::string_view AText, size_t& APos) {
  size_t length = 0;
  const size_t start = APos;
  while (APos < AText.size() && AText[APos] >= '0' && AText[APos] <= '9') {
    length = length * 10 + static_cast<size_t>(AText[APos] - '0');
    if (length > AText.size()) return std::nullopt;  // also stops an overflow
    ++APos;
  }
  if (APos == start || AText[start] == '0' || length > AText.size() - APos) return std::nullopt;
  std::string name(AText.substr(APos, length));
  APos += length;
  if (name.rfind("_GLOBAL__N", 0) == 0) return std::string("(anonymous namespace)");
  return name;
}

std::optional<std::string> Read(std::string_view AText) {
  size_t pos = 0;
  std::string result;
  const auto append = [&](const std::string& APart) {
    if (!result.empty()) result += "::";
    result += APart;
  };
  const bool nested = !AText.empty() && AText[0] == 'N';
  if (nested) ++pos;
  if (AText.substr(pos, 2) == "St") {
    append("std");
    pos += 2;
  }
  do {
    const std::optional<std::string> part = SourceName(AText, pos);
    if (!part) return std::nullopt;
    append(*part);
  } while (nested && pos < AText.size() && AText[pos] != 'E');
  if (nested) {
    if (pos >= AText.size() || AText[pos] != 'E') return std::nullopt;
    ++pos;
  }
  if (pos != AText.size()) return std::nullopt;
  return result;
}

}  // namespace

std::string ReadableTypeName(std::string_view AMangled) {
  // Some compilers mark a type local to one unit with a leading '*'.
  if (!AMangled.empty() && AMangled[0] == '*') AMangled.remove_prefix(1);
  const std::optional<std::string> name = Read(AMangled);
  return name && !name->empty() ? *name : std::string(AMangled);
}

}  // namespace Infrastructure::Logging
