#pragma once
#include <string>
#include <string_view>
#include <vector>

namespace Core::Text {

// Formats AText: "%s" takes the next argument, "%%" gives one "%". Arguments
// beyond the placeholders are ignored. Throws Core::EFormatError for a "%s"
// without an argument and for any other placeholder.
std::string FormatText(std::string_view AText, const std::vector<std::string>& AArgs);

}  // namespace Core::Text
