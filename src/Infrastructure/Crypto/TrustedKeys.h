#pragma once
// The keys a release document may be signed with. Any one of them verifies,
// so a publisher can sign with a new key while launchers that know only the
// old one are still in the field.
#include <string_view>
#include <vector>

#include "Infrastructure/Platform/Crypto.h"

namespace Infrastructure::Crypto {

enum class TSignatureCheck { Verified, Malformed, Untrusted };

struct TTrustedKeys {
  std::vector<Platform::TP256PublicKey> Keys;
  // Keys named at build time that could not be read: they still make the
  // build one that demands a signature.
  size_t Unreadable = 0;

  bool Required() const { return !Keys.empty() || Unreadable > 0; }

  // From PEM texts (see PemPublicKey.h).
  static TTrustedKeys FromPem(const std::vector<std::string_view>& APemTexts);

  // ASignature in the DER form openssl writes, over the exact bytes of ADocument.
  TSignatureCheck Verify(std::string_view ADocument, std::string_view ASignature) const;
};

}  // namespace Infrastructure::Crypto
