#pragma once
// An ECDSA P-256 signature as `openssl dgst -sha256 -sign` writes it:
// SEQUENCE { INTEGER r, INTEGER s } in DER.
#include <optional>
#include <string_view>

#include "Infrastructure/Platform/Crypto.h"

namespace Infrastructure::Crypto {

// r then s, 32 bytes each; nullopt for anything but one strict DER signature
// (long or indefinite lengths, negative, zero or oversized integers, padding,
// trailing bytes).
std::optional<Platform::TP256Signature> ParseDerSignature(std::string_view ADer);

}  // namespace Infrastructure::Crypto
