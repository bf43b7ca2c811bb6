#pragma once
#include <string>
#include <string_view>
#include <vector>

namespace Core::Text {

// Codes 0 to 32: the characters "trimmed" removes.
inline bool IsBlank(char AChar) {
  return static_cast<unsigned char>(AChar) <= 32;
}

// "Trimmed": characters with codes 0 to 32 removed at both ends.
std::string_view Trim(std::string_view AText);
std::string_view TrimLeft(std::string_view AText);
std::string_view TrimRight(std::string_view AText);

// Letter case ignored for ASCII letters only, as Windows compares INI names.
bool SameTextAscii(std::string_view A, std::string_view B);
bool EndsWithTextAscii(std::string_view AText, std::string_view ASuffix);
// The index of the first entry equal to AText by SameTextAscii; -1 for none.
int IndexOfTextAscii(const std::vector<std::string>& AList, std::string_view AText);
// A..Z lowered, every other byte as it is: keys for lookups that ignore case.
std::string LowerAscii(std::string_view AText);

}  // namespace Core::Text
