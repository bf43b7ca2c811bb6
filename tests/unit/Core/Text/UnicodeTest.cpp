#include <gtest/gtest.h>

#include "Core/Text/TextUtils.h"
#include "Core/Text/Unicode.h"

using namespace Core::Text;

TEST(Unicode, RoundTripsEveryPlane) {
  const std::string text = "a\xC3\xA7\xE2\x82\xAC\xF0\x9F\x98\x80";  // a, ç, €, an emoji
  const std::u16string wide = Utf8ToUtf16(text);
  EXPECT_EQ(wide, (std::u16string{u'a', 0x00E7, 0x20AC, 0xD83D, 0xDE00}));
  EXPECT_EQ(Utf16ToUtf8(wide), text);
}

TEST(Unicode, InvalidInputBecomesReplacementCharacter) {
  const struct {
    const char* name;
    std::string input;
  } cases[] = {
      {"lone continuation byte", "\x80"},
      {"overlong slash", "\xC0\xAF"},
      {"truncated sequence", "\xE2\x82"},
      {"encoded surrogate", "\xED\xA0\x80"},
      {"beyond U+10FFFF", "\xF4\x90\x80\x80"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::u16string wide = Utf8ToUtf16(c.input);
    ASSERT_FALSE(wide.empty());
    EXPECT_EQ(wide[0], 0xFFFD);
  }
  EXPECT_EQ(Utf16ToUtf8(std::u16string{0xD800, u'x'}), "\xEF\xBF\xBDx");
}

TEST(Unicode, Windows1252EveryByteRoundTripsAndOtherCharactersAreRefused) {
  std::string allBytes, asUtf8;
  for (int byte = 0; byte < 256; ++byte) {
    allBytes += static_cast<char>(byte);
    AppendUtf8(asUtf8, Windows1252ToCodePoint(static_cast<unsigned char>(byte)));
  }
  EXPECT_EQ(Windows1252ToCodePoint(0x80), 0x20AC);  // €
  EXPECT_EQ(Windows1252ToCodePoint(0xE7), 0x00E7);  // ç
  std::string out;
  ASSERT_TRUE(Utf8ToWindows1252(asUtf8, out));
  EXPECT_EQ(out, allBytes);

  const struct {
    const char* name;
    std::string input;
  } refused[] = {
      {"Ł, not in the code page", "a\xC5\x81"},
      {"U+0080, which 0x80 does not stand for", "\xC2\x80"},
      {"an emoji", "\xF0\x9F\x98\x80"},
      {"invalid UTF-8", "\xE7"},
  };
  for (const auto& c : refused) {
    SCOPED_TRACE(c.name);
    EXPECT_FALSE(Utf8ToWindows1252(c.input, out));
  }
}

TEST(TextUtils, TrimRemovesCodesZeroTo32Only) {
  EXPECT_EQ(Trim(std::string_view("\0\t a b \r\n", 9)), "a b");
  EXPECT_EQ(Trim("\xC2\xA0x"), "\xC2\xA0x");  // a no-break space is content
  EXPECT_EQ(Trim("   "), "");
  EXPECT_TRUE(SameTextAscii("BancoDados", "bancodados"));
  EXPECT_FALSE(SameTextAscii("\xC3\x87", "\xC3\xA7"));  // only ASCII letters fold
}
