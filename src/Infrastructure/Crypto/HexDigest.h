#pragma once
#include <optional>
#include <string>
#include <string_view>

#include "Infrastructure/Platform/Crypto.h"

namespace Infrastructure::Crypto {

// Exactly 64 hex digits, either case, nothing around them.
std::optional<Platform::TSha256Digest> ParseSha256Hex(std::string_view AText);

// Lower-case hex, as sha256sum prints it.
std::string ToHex(const Platform::TSha256Digest& ADigest);

}  // namespace Infrastructure::Crypto
