#pragma once
#include <cstdint>
#include <string_view>

namespace Core::Text {

// The whole text must be a 32-bit integer: optional leading spaces, an optional
// sign, then decimal digits, or hexadecimal digits after "$", "x", "X", "0x" or
// "0X". Hex takes any 32-bit pattern ("$FFFFFFFF" is -1); decimal must lie in
// the int32 range.
bool TryStrToInt32(std::string_view AText, int32_t& AValue);

// TryStrToInt32, with 0 for a text that does not convert.
int32_t StrToInt32Def(std::string_view AText);

}  // namespace Core::Text
