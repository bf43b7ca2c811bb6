#include "Infrastructure/Crypto/HexDigest.h"

namespace Infrastructure::Crypto {

namespace {

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

std::optional<Platform::TSha256Digest> ParseSha256Hex(std::string_view AText) {
  Platform::TSha256Digest digest{};
  if (AText.size() != digest.size() * 2) return std::nullopt;
  for (size_t i = 0; i < digest.size(); ++i) {
    const int high = HexValue(AText[2 * i]);
    const int low = HexValue(AText[2 * i + 1]);
    if (high < 0 || low < 0) return std::nullopt;
    digest[i] = static_cast<uint8_t>(high << 4 | low);
  }
  return digest;
}

std::string ToHex(const Platform::TSha256Digest& ADigest) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string text;
  text.reserve(ADigest.size() * 2);
  for (uint8_t byte : ADigest) {
    text += kDigits[byte >> 4];
    text += kDigits[byte & 0xf];
  }
  return text;
}

}  // namespace Infrastructure::Crypto
