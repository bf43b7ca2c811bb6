#include "Core/Entities/VersionInfo.h"

#include <array>
#include <string_view>

#include "Core/Text/IntegerText.h"

namespace Core::Entities {

namespace {

constexpr size_t CComponentCount = 4;
constexpr char CDelimiter = '.';
constexpr char CQuote = '"';

// Code 0 is deliberately not a blank: it is ordinary content, not a separator.
bool IsBlank(char AChar) {
  const auto LCode = static_cast<unsigned char>(AChar);
  return LCode >= 1 && LCode <= 32;
}

// Leaves APos after the closing quote, or at the end when the quote never closes.
// Finds the end first so the value is written into a buffer of the right size in one pass.
std::string ExtractQuoted(std::string_view AText, size_t& APos) {
  const char* const LBegin = AText.data() + APos + 1;
  const char* const LEnd = AText.data() + AText.size();
  const char* LClose = LBegin;
  while (LClose < LEnd) {
    if (*LClose == CQuote) {
      if (LClose + 1 < LEnd && LClose[1] == CQuote) {
        LClose += 2;
        continue;
      }
      break;
    }
    ++LClose;
  }

  std::string LValue(static_cast<size_t>(LClose - LBegin), '\0');
  char* LOut = LValue.data();
  for (const char* LIn = LBegin; LIn < LClose; ++LIn) {
    *LOut++ = *LIn;
    if (*LIn == CQuote) ++LIn;  // the second of a doubled pair
  }
  LValue.resize(static_cast<size_t>(LOut - LValue.data()));

  APos = static_cast<size_t>(LClose - AText.data()) + (LClose < LEnd ? 1 : 0);
  return LValue;
}

// Delimited text with blanks also separating. Only the first four parts matter, so
// splitting stops there: a huge tail is never copied.
size_t SplitParts(std::string_view AText, std::array<std::string, CComponentCount>& AParts) {
  size_t LCount = 0;
  size_t LPos = 0;
  const size_t LSize = AText.size();
  while (LPos < LSize && IsBlank(AText[LPos])) ++LPos;
  while (LPos < LSize && LCount < CComponentCount) {
    if (AText[LPos] == CQuote) {
      AParts[LCount++] = ExtractQuoted(AText, LPos);
    } else {
      const size_t LStart = LPos;
      while (LPos < LSize && AText[LPos] != CDelimiter && !IsBlank(AText[LPos])) ++LPos;
      AParts[LCount++] = std::string(AText.substr(LStart, LPos - LStart));
    }
    while (LPos < LSize && IsBlank(AText[LPos])) ++LPos;
    if (LPos < LSize && AText[LPos] == CDelimiter) {
      if (LPos + 1 == LSize && LCount < CComponentCount) AParts[LCount++].clear();
      ++LPos;
      while (LPos < LSize && IsBlank(AText[LPos])) ++LPos;
    }
  }
  return LCount;
}

int32_t CompareComponent(int32_t ALeft, int32_t ARight) {
  if (ALeft > ARight) return 1;
  if (ALeft < ARight) return -1;
  return 0;
}

}  // namespace

TVersionInfo::TVersionInfo(const std::string& AVersion) {
  ParseFromString(AVersion);
}

void TVersionInfo::ParseFromString(const std::string& AVersion) {
  std::array<std::string, CComponentCount> LParts;
  const size_t LCount = SplitParts(AVersion, LParts);
  std::array<int32_t, CComponentCount> LValues{};
  for (size_t i = 0; i < LCount; ++i) LValues[i] = Core::Text::StrToInt32Def(LParts[i]);
  FMajor = LValues[0];
  FMinor = LValues[1];
  FBuild = LValues[2];
  FRevision = LValues[3];
}

std::string TVersionInfo::GetFullVersion() const {
  return std::to_string(FMajor) + '.' + std::to_string(FMinor) + '.' + std::to_string(FBuild) + '.' +
         std::to_string(FRevision);
}

int32_t TVersionInfo::CompareTo(const std::string& AVersion) const {
  const TVersionInfo LOther(AVersion);
  if (const int32_t LResult = CompareComponent(FMajor, LOther.FMajor); LResult != 0) return LResult;
  if (const int32_t LResult = CompareComponent(FMinor, LOther.FMinor); LResult != 0) return LResult;
  if (const int32_t LResult = CompareComponent(FBuild, LOther.FBuild); LResult != 0) return LResult;
  return CompareComponent(FRevision, LOther.FRevision);
}

}  // namespace Core::Entities
