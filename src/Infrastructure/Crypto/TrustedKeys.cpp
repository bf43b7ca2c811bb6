#include "Infrastructure/Crypto/TrustedKeys.h"

#include <algorithm>

#include "Infrastructure/Crypto/DerSignature.h"
#include "Infrastructure/Crypto/PemPublicKey.h"

namespace Infrastructure::Crypto {

TTrustedKeys TTrustedKeys::FromPem(const std::vector<std::string_view>& APemTexts) {
  TTrustedKeys keys;
  for (std::string_view pem : APemTexts) {
    if (const auto key = ParsePemPublicKey(pem))
      keys.Keys.push_back(*key);
    else
      ++keys.Unreadable;
  }
  return keys;
}

TSignatureCheck TTrustedKeys::Verify(std::string_view ADocument, std::string_view ASignature) const {
  const std::optional<Platform::TP256Signature> signature = ParseDerSignature(ASignature);
  if (!signature) return TSignatureCheck::Malformed;
  const Platform::TSha256Digest digest = Platform::Sha256Of(ADocument);
  const bool trusted = std::any_of(Keys.begin(), Keys.end(), [&](const Platform::TP256PublicKey& AKey) {
    return Platform::VerifyP256(AKey, digest, *signature);
  });
  return trusted ? TSignatureCheck::Verified : TSignatureCheck::Untrusted;
}

}  // namespace Infrastructure::Crypto
