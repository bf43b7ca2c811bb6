#include "Core/Text/Unicode.h"

namespace Core::Text {

namespace {
constexpr char32_t kReplacement = 0xFFFD;
}

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
