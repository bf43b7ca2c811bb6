#include "Core/Text/Unicode.h"

#include <algorithm>
#include <iterator>

namespace Core::Text {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

// Windows-1252 at 0x80-0x9F; every other byte is the code point of its number.
constexpr char16_t kWindows1252High[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                           0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                           0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                           0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

}  // namespace

void AppendUtf8(std::string& AOut, char32_t ACodePoint) {
  if (ACodePoint > 0x10FFFF || (ACodePoint >= 0xD800 && ACodePoint <= 0xDFFF)) ACodePoint = kReplacement;
  if (ACodePoint < 0x80) {
    AOut += static_cast<char>(ACodePoint);
  } else if (ACodePoint < 0x800) {
    AOut += static_cast<char>(0xC0 | (ACodePoint >> 6));
    AOut += static_cast<char>(0x80 | (ACodePoint & 0x3F));
  } else if (ACodePoint < 0x10000) {
    AOut += static_cast<char>(0xE0 | (ACodePoint >> 12));
    AOut += static_cast<char>(0x80 | ((ACodePoint >> 6) & 0x3F));
    AOut += static_cast<char>(0x80 | (ACodePoint & 0x3F));
  } else {
    AOut += static_cast<char>(0xF0 | (ACodePoint >> 18));
    AOut += static_cast<char>(0x80 | ((ACodePoint >> 12) & 0x3F));
    AOut += static_cast<char>(0x80 | ((ACodePoint >> 6) & 0x3F));
    AOut += static_cast<char>(0x80 | (ACodePoint & 0x3F));
  }
}

size_t DecodeUtf8(std::string_view AText, size_t APos, char32_t& ACodePoint) {
  const auto byte = [&](size_t i) { return static_cast<unsigned char>(AText[i]); };
  const unsigned char lead = byte(APos);
  if (lead < 0x80) {
    ACodePoint = lead;
    return 1;
  }
  size_t length;
  char32_t minimum;
  if ((lead & 0xE0) == 0xC0) {
    length = 2, minimum = 0x80, ACodePoint = lead & 0x1F;
  } else if ((lead & 0xF0) == 0xE0) {
    length = 3, minimum = 0x800, ACodePoint = lead & 0x0F;
  } else if ((lead & 0xF8) == 0xF0) {
    length = 4, minimum = 0x10000, ACodePoint = lead & 0x07;
  } else {
    return 0;
  }
  if (AText.size() - APos < length) return 0;
  for (size_t i = 1; i < length; ++i) {
    const unsigned char next = byte(APos + i);
    if ((next & 0xC0) != 0x80) return 0;
    ACodePoint = (ACodePoint << 6) | (next & 0x3F);
  }
  if (ACodePoint < minimum || ACodePoint > 0x10FFFF || (ACodePoint >= 0xD800 && ACodePoint <= 0xDFFF)) return 0;
  return length;
}

bool IsValidUtf8(std::string_view AText) {
  for (size_t pos = 0; pos < AText.size();) {
    char32_t ignored;
    const size_t length = DecodeUtf8(AText, pos, ignored);
    if (length == 0) return false;
    pos += length;
  }
  return true;
}

char32_t Windows1252ToCodePoint(unsigned char AByte) {
  return AByte >= 0x80 && AByte <= 0x9F ? kWindows1252High[AByte - 0x80] : AByte;
}

bool Utf8ToWindows1252(std::string_view AText, std::string& AOut) {
  AOut.clear();
  AOut.reserve(AText.size());
  for (size_t pos = 0; pos < AText.size();) {
    char32_t cp;
    const size_t length = DecodeUtf8(AText, pos, cp);
    if (length == 0) return false;
    pos += length;
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) {
      AOut += static_cast<char>(cp);
      continue;
    }
    const char16_t* const end = std::end(kWindows1252High);
    const char16_t* const found = std::find(std::begin(kWindows1252High), end, cp);
    if (found == end) return false;
    AOut += static_cast<char>(0x80 + (found - std::begin(kWindows1252High)));
  }
  return true;
}

std::u16string Utf8ToUtf16(std::string_view AText) {
  std::u16string out;
  out.reserve(AText.size());
  for (size_t pos = 0; pos < AText.size();) {
    char32_t cp;
    size_t length = DecodeUtf8(AText, pos, cp);
    if (length == 0) {
      cp = kReplacement;
      length = 1;
    }
    pos += length;
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out += static_cast<char16_t>(0xD800 + (cp >> 10));
      out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
    } else {
      out += static_cast<char16_t>(cp);
    }
  }
  return out;
}

std::string Utf16ToUtf8(std::u16string_view AText) {
  std::string out;
  out.reserve(AText.size());
  for (size_t i = 0; i < AText.size(); ++i) {
    char32_t cp = AText[i];
    if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < AText.size() && AText[i + 1] >= 0xDC00 && AText[i + 1] <= 0xDFFF) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (AText[i + 1] - 0xDC00);
      ++i;
    }
    AppendUtf8(out, cp);  // a lone surrogate becomes U+FFFD here
  }
  return out;
}

}  // namespace Core::Text
