#include "Infrastructure/Crypto/DerSignature.h"

#include <algorithm>

namespace Infrastructure::Crypto {

namespace {

constexpr unsigned char kSequence = 0x30;
constexpr unsigned char kInteger = 0x02;

// One DER element of the tag at APosition; its content, and APosition moved past it.
std::optional<std::string_view> ReadElement(std::string_view ADer, size_t& APosition, unsigned char ATag) {
  if (ADer.size() - APosition < 2 || static_cast<unsigned char>(ADer[APosition]) != ATag) return std::nullopt;
  // A P-256 signature is at most 72 bytes: short lengths only.
  const unsigned char length = static_cast<unsigned char>(ADer[APosition + 1]);
  if (length >= 0x80 || ADer.size() - APosition - 2 < length) return std::nullopt;
  const std::string_view content = ADer.substr(APosition + 2, length);
  APosition += 2 + length;
  return content;
}

// A positive integer in its minimal form, below 2^256, written into 32 bytes.
bool ReadScalar(std::string_view AContent, uint8_t* AOut) {
  if (AContent.empty() || (static_cast<unsigned char>(AContent[0]) & 0x80)) return false;  // negative
  if (AContent.size() > 1 && AContent[0] == 0 && !(static_cast<unsigned char>(AContent[1]) & 0x80))
    return false;  // not minimal
  if (AContent[0] == 0) AContent.remove_prefix(1);
  if (AContent.size() > 32) return false;
  if (std::all_of(AContent.begin(), AContent.end(), [](char c) { return c == 0; })) return false;
  std::fill(AOut, AOut + 32, 0);
  std::copy(AContent.begin(), AContent.end(), AOut + 32 - AContent.size());
  return true;
}

}  // namespace

std::optional<Platform::TP256Signature> ParseDerSignature(std::string_view ADer) {
  size_t position = 0;
  const std::optional<std::string_view> sequence = ReadElement(ADer, position, kSequence);
  if (!sequence || position != ADer.size()) return std::nullopt;
  size_t inner = 0;
  const std::optional<std::string_view> r = ReadElement(*sequence, inner, kInteger);
  if (!r) return std::nullopt;
  const std::optional<std::string_view> s = ReadElement(*sequence, inner, kInteger);
  if (!s || inner != sequence->size()) return std::nullopt;
  Platform::TP256Signature signature{};
  if (!ReadScalar(*r, signature.data()) || !ReadScalar(*s, signature.data() + 32)) return std::nullopt;
  return signature;
}

}  // namespace Infrastructure::Crypto
