// The readers in front of the platform's crypto on arbitrary bytes: a DER
// signature, a PEM public key, a hex digest and the document keys of the
// release document. No crash, no hang, and what is read writes back the same.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "Infrastructure/Crypto/DerSignature.h"
#include "Infrastructure/Crypto/HexDigest.h"
#include "Infrastructure/Crypto/PemPublicKey.h"
#include "Infrastructure/Update/ReleaseInfoSource.h"

namespace {

void Check(bool ACondition, const char* AWhat) {
  if (ACondition) return;
  std::fprintf(stderr, "fuzz_release_signature: %s\n", AWhat);
  std::abort();
}

bool IsLowerHex(std::string_view AText) {
  return AText.find_first_not_of("0123456789abcdef") == std::string_view::npos;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* AData, size_t ASize) {
  const std::string_view input(reinterpret_cast<const char*>(AData), ASize);

  if (const auto signature = Infrastructure::Crypto::ParseDerSignature(input)) {
    Check(ASize >= 8 && ASize <= 72, "a DER signature of an impossible length was read");
    bool rZero = true, sZero = true;
    for (size_t i = 0; i < 32; ++i) {
      rZero = rZero && (*signature)[i] == 0;
      sZero = sZero && (*signature)[32 + i] == 0;
    }
    Check(!rZero && !sZero, "a zero scalar was read");
  }

  if (const auto key = Infrastructure::Crypto::ParsePemPublicKey(input))
    Check(input.find("-----BEGIN PUBLIC KEY-----") != std::string_view::npos, "a key without its marker was read");

  if (const auto digest = Infrastructure::Crypto::ParseSha256Hex(input)) {
    const std::string hex = Infrastructure::Crypto::ToHex(*digest);
    Check(hex.size() == 64 && IsLowerHex(hex), "the digest did not write back as 64 hex digits");
    Check(Infrastructure::Crypto::ParseSha256Hex(hex) == digest, "the digest did not read back the same");
  }

  try {
    const auto info = Infrastructure::Update::TReleaseInfoSource::ParseDocument(input);
    Check(info.PackageCheck.Size >= -1 && info.BdeCheck.Size >= -1, "a negative size other than 'not said'");
  } catch (const Core::Interfaces::EReleaseInfoError&) {
  }
  return 0;
}
