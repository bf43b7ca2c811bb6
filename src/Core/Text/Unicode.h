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

bool IsValidUtf8(std::string_view AText);

// Windows-1252, the ANSI code page of the database application. Its five
// unassigned bytes (0x81, 0x8D, 0x8F, 0x90, 0x9D) stand for the code points of
// the same number, as Windows maps them.
char32_t Windows1252ToCodePoint(unsigned char AByte);
// The UTF-8 text in Windows-1252. False, with AOut unspecified, when the text
// is not valid UTF-8 or holds a character the code page has no byte for.
bool Utf8ToWindows1252(std::string_view AText, std::string& AOut);

}  // namespace Core::Text
