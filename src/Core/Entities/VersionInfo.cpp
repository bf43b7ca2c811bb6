#include "Core/Entities/VersionInfo.h"

#include <array>
#include <string_view>

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

bool IsDecimalDigit(char AChar) {
  return AChar >= '0' && AChar <= '9';
}

int HexDigitValue(char AChar) {
  if (AChar >= '0' && AChar <= '9') return AChar - '0';
  if (AChar >= 'a' && AChar <= 'f') return AChar - 'a' + 10;
  if (AChar >= 'A' && AChar <= 'F') return AChar - 'A' + 10;
  return -1;
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

// Hex takes any 32-bit pattern (so "$FFFFFFFF" is -1); decimal must lie in the int32 range.
bool TryStrToInt32(std::string_view AText, int32_t& AValue) {
  size_t LPos = 0;
  while (LPos < AText.size() && AText[LPos] == ' ') ++LPos;
  bool LNegative = false;
  if (LPos < AText.size() && (AText[LPos] == '+' || AText[LPos] == '-')) {
    LNegative = AText[LPos] == '-';
    ++LPos;
  }
  std::string_view LDigits = AText.substr(LPos);

  bool LHex = false;
  if (LDigits.size() >= 2 && LDigits[0] == '0' && (LDigits[1] == 'x' || LDigits[1] == 'X')) {
    LHex = true;
    LDigits.remove_prefix(2);
  } else if (!LDigits.empty() && (LDigits[0] == '$' || LDigits[0] == 'x' || LDigits[0] == 'X')) {
    LHex = true;
    LDigits.remove_prefix(1);
  }
  if (LDigits.empty()) return false;

  uint64_t LMagnitude = 0;
  if (LHex) {
    for (const char LChar : LDigits) {
      const int LDigit = HexDigitValue(LChar);
      if (LDigit < 0) return false;
      LMagnitude = LMagnitude * 16 + static_cast<uint64_t>(LDigit);
      if (LMagnitude > 0xFFFFFFFFu) return false;
    }
    uint32_t LBits = static_cast<uint32_t>(LMagnitude);
    if (LNegative) LBits = 0u - LBits;
    AValue = static_cast<int32_t>(LBits);
    return true;
  }

  const uint64_t LLimit = LNegative ? 2147483648u : 2147483647u;
  for (const char LChar : LDigits) {
    if (!IsDecimalDigit(LChar)) return false;
    LMagnitude = LMagnitude * 10 + static_cast<uint64_t>(LChar - '0');
    if (LMagnitude > LLimit) return false;
  }
  AValue = static_cast<int32_t>(LNegative ? -static_cast<int64_t>(LMagnitude) : static_cast<int64_t>(LMagnitude));
  return true;
}

int32_t StrToInt32Def(std::string_view AText) {
  int32_t LValue = 0;
  return TryStrToInt32(AText, LValue) ? LValue : 0;
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
  for (size_t i = 0; i < LCount; ++i) LValues[i] = StrToInt32Def(LParts[i]);
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
