#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <limits>
#include <string>

#include "Core/Entities/VersionInfo.h"

using Core::Entities::TVersionInfo;

namespace {

using TComponents = std::array<int32_t, 4>;

constexpr int32_t CMin = std::numeric_limits<int32_t>::min();
constexpr int32_t CMax = std::numeric_limits<int32_t>::max();

TComponents ComponentsOf(const TVersionInfo& AVersion) {
  return {AVersion.Major(), AVersion.Minor(), AVersion.Build(), AVersion.Revision()};
}

std::string Repeat(const std::string& APiece, size_t ACount) {
  std::string LText;
  LText.reserve(APiece.size() * ACount);
  for (size_t i = 0; i < ACount; ++i) LText.append(APiece);
  return LText;
}

std::string WithNul(const char* ABefore, const char* AAfter) {
  return std::string(ABefore) + '\0' + AAfter;
}

}  // namespace

TEST(VersionInfo, ParsesDelimitedParts) {
  const struct {
    const char* name;
    std::string text;
    TComponents expected;
  } cases[] = {
      {"empty", "", {0, 0, 0, 0}},
      {"plain", "1.2.3.4", {1, 2, 3, 4}},
      {"letters", "abc", {0, 0, 0, 0}},
      {"letter before number", "r1.2.3.4", {0, 2, 3, 4}},
      {"two parts", "1.2", {1, 2, 0, 0}},
      {"parts after the fourth ignored", "1.2.3.4.5", {1, 2, 3, 4}},
      {"leading zeros", "01.002", {1, 2, 0, 0}},
      {"blanks around", " 1.2.3.4 ", {1, 2, 3, 4}},
      {"blank separates", "1 2", {1, 2, 0, 0}},
      {"dot then blank", "1. 2", {1, 2, 0, 0}},
      {"blank then dot", "1 .2", {1, 2, 0, 0}},
      {"control characters separate", "\t1\r\n2\0013\037.4", {1, 2, 3, 4}},
      {"word after four parts", "1.2.3.4 beta", {1, 2, 3, 4}},
      {"empty middle part", "1..2", {1, 0, 2, 0}},
      {"dot blank dot keeps the empty part", "1. .2", {1, 0, 2, 0}},
      {"trailing dot", "1.2.", {1, 2, 0, 0}},
      {"leading dot", ".5", {0, 5, 0, 0}},
      {"lone x part", "1.x.3", {1, 0, 3, 0}},
      {"trailing letter", "1a.2", {0, 2, 0, 0}},
      {"exponent is not a number", "1e3.2", {0, 2, 0, 0}},
      {"NUL is content, not a separator", WithNul("1", ".2"), {0, 2, 0, 0}},
      {"leading NUL is not skipped", WithNul("", "1.2"), {0, 2, 0, 0}},
      {"non-ASCII blank is content", "1\xC2\xA0.2", {0, 2, 0, 0}},
      // Quoted parts.
      {"quoted", "\"1\".\"2\"", {1, 2, 0, 0}},
      {"dot inside quotes is content", "\"1.5\".2", {0, 2, 0, 0}},
      {"leading spaces inside quotes", "\"  7\".8", {7, 8, 0, 0}},
      {"trailing space inside quotes", "\"7 \".8", {0, 8, 0, 0}},
      {"closing quote ends the part", "\"1\"2.3", {1, 2, 3, 0}},
      {"doubled quote is one quote", "\"\"\"\".5", {0, 5, 0, 0}},
      {"unterminated quote runs to the end", "\"12", {12, 0, 0, 0}},
      {"unterminated quote swallows dots", "\"1.2.3", {0, 0, 0, 0}},
      {"quote inside an unquoted part", "1\"2.3", {0, 3, 0, 0}},
      {"empty quotes", "\"\".4", {0, 4, 0, 0}},
      // Signs and range.
      {"signs", "-1.+2.-0.+0", {-1, 2, 0, 0}},
      {"double sign", "--1.+-1.2", {0, 0, 2, 0}},
      {"sign split off by a blank", "- 1", {0, 1, 0, 0}},
      {"int32 limits", "2147483647.-2147483648", {CMax, CMin, 0, 0}},
      {"one above int32", "2147483648.1", {0, 1, 0, 0}},
      {"one below int32", "-2147483649.1", {0, 1, 0, 0}},
      {"far out of range", "99999999999999999999999.1", {0, 1, 0, 0}},
      // Hexadecimal.
      {"hex prefixes", "$10.x1F.X1f.0x10", {16, 31, 31, 16}},
      {"upper 0X prefix", "0XfF", {255, 0, 0, 0}},
      {"hex keeps the 32-bit pattern", "$FFFFFFFF.$80000000.$7FFFFFFF", {-1, CMin, CMax, 0}},
      {"hex beyond 32 bits", "$100000000.1", {0, 1, 0, 0}},
      {"hex leading zeros", "$000000000001", {1, 0, 0, 0}},
      {"minus negates hex", "-$10.-0x1.-$FFFFFFFF.+$2", {-16, -1, 1, 2}},
      {"prefix without digits", "$.0x.X.-$", {0, 0, 0, 0}},
      {"bad hex digit", "$1G.2", {0, 2, 0, 0}},
      {"sign after prefix", "0x-1.$+1", {0, 0, 0, 0}},
      {"double prefix", "0x$1.$0x1", {0, 0, 0, 0}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(ComponentsOf(TVersionInfo(c.text)), c.expected);
  }
}

TEST(VersionInfo, EveryParseWritesAllFourComponents) {
  TVersionInfo LVersion("9.9.9.9");
  LVersion.ParseFromString("1");
  EXPECT_EQ(ComponentsOf(LVersion), (TComponents{1, 0, 0, 0}));

  LVersion.SetRevision(7);
  LVersion.SetFullVersion("abc");
  EXPECT_EQ(ComponentsOf(LVersion), (TComponents{0, 0, 0, 0}));
}

TEST(VersionInfo, PrintsCanonicalFormThatParsesBack) {
  const struct {
    TComponents components;
    const char* expected;
  } cases[] = {
      {{0, 0, 0, 0}, "0.0.0.0"},
      {{1, 2, 0, 0}, "1.2.0.0"},
      {{10, 200, 3000, 40000}, "10.200.3000.40000"},
      {{-1, 0, -7, 0}, "-1.0.-7.0"},
      {{CMax, CMin, CMin, CMax}, "2147483647.-2147483648.-2147483648.2147483647"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.expected);
    TVersionInfo LVersion;
    LVersion.SetMajor(c.components[0]);
    LVersion.SetMinor(c.components[1]);
    LVersion.SetBuild(c.components[2]);
    LVersion.SetRevision(c.components[3]);
    EXPECT_EQ(LVersion.GetFullVersion(), c.expected);
    EXPECT_EQ(ComponentsOf(TVersionInfo(LVersion.GetFullVersion())), c.components);
  }
  EXPECT_EQ(TVersionInfo(" 01.002 ").GetFullVersion(), "1.2.0.0");
  EXPECT_EQ(TVersionInfo().GetFullVersion(), "0.0.0.0");
}

TEST(VersionInfo, ComparesComponentByComponentAsSignedNumbers) {
  const struct {
    const char* left;
    const char* right;
    int32_t expected;
  } cases[] = {
      {"1.2", "1.2.0.0", 0},
      {"", "0.0.0.0", 0},
      {"abc", "", 0},
      {"1.2.3.4.9", "1.2.3.4.1", 0},
      {"1.10", "1.9", 1},
      {"1.0.0.10", "1.0.0.9", 1},
      {"2.0.0.0", "1.9.9.9", 1},
      {"1.2.3.4", "1.2.3.5", -1},
      {"1.2.4.0", "1.2.3.9", 1},
      {"-1.0.0.0", "0.0.0.0", -1},
      {"$FFFFFFFF", "0", -1},
      // A subtraction-based comparison would overflow here.
      {"2147483647", "-2147483648", 1},
      {"0.-2147483648", "0.1", -1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.left) + " vs " + c.right);
    const TVersionInfo LLeft(c.left);
    EXPECT_EQ(LLeft.CompareTo(c.right), c.expected);
    EXPECT_EQ(LLeft.IsNewerThan(c.right), c.expected > 0);
    EXPECT_EQ(LLeft.IsOlderThan(c.right), c.expected < 0);
    EXPECT_EQ(LLeft.IsEqualTo(c.right), c.expected == 0);
    EXPECT_EQ(TVersionInfo(c.right).CompareTo(c.left), -c.expected);
  }
}

// A scan that restarts per part, or a quote search from every position, would
// hang on these; the CTest time-out catches that.
TEST(VersionInfo, HugeTextsParse) {
  constexpr size_t CSize = 10 * 1024 * 1024;
  const struct {
    const char* name;
    std::string text;
    TComponents expected;
  } cases[] = {
      {"digits", std::string(CSize, '9'), {0, 0, 0, 0}},
      {"leading zeros", std::string(CSize, '0') + "7.1", {7, 1, 0, 0}},
      {"hex leading zeros", "$" + std::string(CSize, '0') + "F", {15, 0, 0, 0}},
      {"dots", std::string(CSize, '.'), {0, 0, 0, 0}},
      {"blanks", std::string(CSize, ' ') + "3", {3, 0, 0, 0}},
      {"blanks and dots", Repeat(" .", CSize / 2), {0, 0, 0, 0}},
      {"doubled quotes", "\"" + std::string(CSize, '"'), {0, 0, 0, 0}},
      {"unterminated quote", "\"" + std::string(CSize, '1'), {0, 0, 0, 0}},
      {"many parts", Repeat("1.", CSize / 2), {1, 1, 1, 1}},
      {"NUL bytes", std::string(CSize, '\0'), {0, 0, 0, 0}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const TVersionInfo LVersion(c.text);
    EXPECT_EQ(ComponentsOf(LVersion), c.expected);
  }
}
