#include "Core/Text/IntegerText.h"

namespace Core::Text {

namespace {

int HexDigitValue(char AChar) {
  if (AChar >= '0' && AChar <= '9') return AChar - '0';
  if (AChar >= 'a' && AChar <= 'f') return AChar - 'a' + 10;
  if (AChar >= 'A' && AChar <= 'F') return AChar - 'A' + 10;
  return -1;
}

}  // namespace

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
    if (LChar < '0' || LChar > '9') return false;
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

}  // namespace Core::Text
