#pragma once
#include <string>
#include <string_view>

namespace Core::Text {

// "Trimmed": characters with codes 0 to 32 removed at both ends.
std::string_view Trim(std::string_view AText);
std::string_view TrimLeft(std::string_view AText);
std::string_view TrimRight(std::string_view AText);

// Letter case ignored for ASCII letters only, as Windows compares INI names.
bool SameTextAscii(std::string_view A, std::string_view B);
bool EndsWithTextAscii(std::string_view AText, std::string_view ASuffix);

}  // namespace Core::Text
