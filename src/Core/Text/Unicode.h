#pragma once
// The one pair of conversions between the program's UTF-8 text and the UTF-16
// of the Win32 and ODBC boundaries. Invalid input never throws: an invalid
// UTF-8 byte or a lone surrogate becomes U+FFFD.
#include <string>
#include <string_view>

namespace Core::Text {

std::u16string Utf8ToUtf16(std::string_view AText);
std::string Utf16ToUtf8(std::u16string_view AText);

// Appends the UTF-8 form of one code point (U+FFFD for a value that is none).
void AppendUtf8(std::string& AOut, char32_t ACodePoint);

// Decodes one UTF-8 sequence at APos. Returns its length (1 to 4) and the code
// point, or 0 when the bytes there are not a valid, shortest-form sequence.
size_t DecodeUtf8(std::string_view AText, size_t APos, char32_t& ACodePoint);

}  // namespace Core::Text
