#pragma once
// A P-256 public key as `openssl ec -pubout` or `openssl pkey -pubout` write
// it: "-----BEGIN PUBLIC KEY-----", the base64 of a SubjectPublicKeyInfo,
// "-----END PUBLIC KEY-----".
#include <optional>
#include <string_view>

#include "Infrastructure/Platform/Crypto.h"

namespace Infrastructure::Crypto {

// The key's point; nullopt for any other text, key type or curve, and for a
// compressed point. Blank lines and CR LF line ends are accepted; text before
// the first marker line (openssl's "read EC key") is skipped.
std::optional<Platform::TP256PublicKey> ParsePemPublicKey(std::string_view APem);

}  // namespace Infrastructure::Crypto
