#pragma once
// The platform's hashing and signature checking: CNG (bcrypt.dll) on Windows,
// OpenSSL's libcrypto natively. Nothing here is computed by the program itself.
#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

namespace Infrastructure::Platform {

using TSha256Digest = std::array<uint8_t, 32>;
// A P-256 public point, X then Y, 32 big-endian bytes each.
using TP256PublicKey = std::array<uint8_t, 64>;
// An ECDSA signature as r then s, 32 big-endian bytes each (the form CNG takes).
using TP256Signature = std::array<uint8_t, 64>;

// SHA-256 fed block by block, so a download is hashed while it arrives.
class TSha256 {
 public:
  // Throws Core::EQuorvaneError when the platform gives no SHA-256.
  TSha256();
  ~TSha256();
  TSha256(const TSha256&) = delete;
  TSha256& operator=(const TSha256&) = delete;

  // Throws Core::EQuorvaneError when the platform fails.
  void Update(const void* AData, size_t ASize);
  // Once; Update after it throws.
  TSha256Digest Finish();

 private:
  struct TState;
  std::unique_ptr<TState> FState;
};

inline TSha256Digest Sha256Of(std::string_view AData) {
  TSha256 hash;
  hash.Update(AData.data(), AData.size());
  return hash.Finish();
}

// True only when ASignature is a valid ECDSA P-256 signature of ADigest by
// AKey. A key that is not a point of the curve verifies nothing. Never throws.
bool VerifyP256(const TP256PublicKey& AKey, const TSha256Digest& ADigest, const TP256Signature& ASignature);

}  // namespace Infrastructure::Platform
