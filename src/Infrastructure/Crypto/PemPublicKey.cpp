#include "Infrastructure/Crypto/PemPublicKey.h"

#include <algorithm>
#include <string>

namespace Infrastructure::Crypto {

namespace {

constexpr std::string_view kBegin = "-----BEGIN PUBLIC KEY-----";
constexpr std::string_view kEnd = "-----END PUBLIC KEY-----";

// SubjectPublicKeyInfo { AlgorithmIdentifier { id-ecPublicKey, prime256v1 },
// BIT STRING { 0 unused bits, 0x04 (uncompressed) ... } }: everything up to X.
constexpr unsigned char kP256Prefix[] = {0x30, 0x59, 0x30, 0x13, 0x06, 0x07, 0x2a, 0x86, 0x48, 0xce,
                                         0x3d, 0x02, 0x01, 0x06, 0x08, 0x2a, 0x86, 0x48, 0xce, 0x3d,
                                         0x03, 0x01, 0x07, 0x03, 0x42, 0x00, 0x04};

int Base64Value(char c) {
  if (c >= 'A' && c <= 'Z') return c - 'A';
  if (c >= 'a' && c <= 'z') return c - 'a' + 26;
  if (c >= '0' && c <= '9') return c - '0' + 52;
  if (c == '+') return 62;
  if (c == '/') return 63;
  return -1;
}

// Strict base64: groups of four, "=" only at the end.
std::optional<std::string> DecodeBase64(std::string_view AText) {
  if (AText.size() % 4 != 0) return std::nullopt;
  std::string out;
  for (size_t i = 0; i < AText.size(); i += 4) {
    const bool last = i + 4 == AText.size();
    int values[4];
    int padding = 0;
    for (int k = 0; k < 4; ++k) {
      const char c = AText[i + k];
      if (c == '=' && last && k >= 2) {
        ++padding;
        values[k] = 0;
        continue;
      }
      if (padding > 0) return std::nullopt;  // data after "="
      values[k] = Base64Value(c);
      if (values[k] < 0) return std::nullopt;
    }
    const uint32_t group = (values[0] << 18) | (values[1] << 12) | (values[2] << 6) | values[3];
    out += static_cast<char>(group >> 16);
    if (padding < 2) out += static_cast<char>((group >> 8) & 0xff);
    if (padding < 1) out += static_cast<char>(group & 0xff);
  }
  return out;
}

std::string_view TrimLine(std::string_view ALine) {
  while (!ALine.empty() && (ALine.back() == '\r' || ALine.back() == ' ' || ALine.back() == '\t'))
    ALine.remove_suffix(1);
  while (!ALine.empty() && (ALine.front() == ' ' || ALine.front() == '\t')) ALine.remove_prefix(1);
  return ALine;
}

}  // namespace

std::optional<Platform::TP256PublicKey> ParsePemPublicKey(std::string_view APem) {
  enum { Before, Inside, After } state = Before;
  std::string body;
  size_t start = 0;
  while (start <= APem.size()) {
    size_t end = APem.find('\n', start);
    if (end == std::string_view::npos) end = APem.size();
    const std::string_view line = TrimLine(APem.substr(start, end - start));
    start = end + 1;
    if (state == Before) {
      if (line == kBegin) state = Inside;
    } else if (state == Inside) {
      if (line == kEnd)
        state = After;
      else if (line.find("-----") != std::string_view::npos || line.find(':') != std::string_view::npos)
        return std::nullopt;  // another block begins, or headers of an encrypted key
      else
        body += line;
    } else if (!line.empty()) {
      return std::nullopt;  // one key per file
    }
  }
  if (state != After) return std::nullopt;
  const std::optional<std::string> der = DecodeBase64(body);
  constexpr size_t kPrefixSize = sizeof(kP256Prefix);
  Platform::TP256PublicKey key{};
  if (!der || der->size() != kPrefixSize + key.size() ||
      !std::equal(kP256Prefix, kP256Prefix + kPrefixSize, der->begin(),
                  [](unsigned char a, char b) { return a == static_cast<unsigned char>(b); }))
    return std::nullopt;
  std::copy(der->begin() + kPrefixSize, der->end(), key.begin());
  return key;
}

}  // namespace Infrastructure::Crypto
