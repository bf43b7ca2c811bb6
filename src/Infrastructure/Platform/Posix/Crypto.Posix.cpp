#include <openssl/core_names.h>
#include <openssl/ec.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/param_build.h>

#include <cstring>
#include <vector>

#include "Core/Errors.h"
#include "Infrastructure/Platform/Crypto.h"

namespace Infrastructure::Platform {

namespace {

template <typename T, void (*Free)(T*)>
struct TFree {
  void operator()(T* APointer) const { Free(APointer); }
};
using TDigestContext = std::unique_ptr<EVP_MD_CTX, TFree<EVP_MD_CTX, EVP_MD_CTX_free>>;
using TKeyContext = std::unique_ptr<EVP_PKEY_CTX, TFree<EVP_PKEY_CTX, EVP_PKEY_CTX_free>>;
using TKey = std::unique_ptr<EVP_PKEY, TFree<EVP_PKEY, EVP_PKEY_free>>;
using TSignature = std::unique_ptr<ECDSA_SIG, TFree<ECDSA_SIG, ECDSA_SIG_free>>;

TKey ImportKey(const TP256PublicKey& AKey) {
  std::array<unsigned char, 65> point{};
  point[0] = 0x04;  // uncompressed
  std::memcpy(point.data() + 1, AKey.data(), AKey.size());
  char group[] = "prime256v1";
  const OSSL_PARAM params[] = {OSSL_PARAM_construct_utf8_string(OSSL_PKEY_PARAM_GROUP_NAME, group, 0),
                               OSSL_PARAM_construct_octet_string(OSSL_PKEY_PARAM_PUB_KEY, point.data(), point.size()),
                               OSSL_PARAM_construct_end()};
  TKeyContext context(EVP_PKEY_CTX_new_from_name(nullptr, "EC", nullptr));
  EVP_PKEY* key = nullptr;
  if (!context || EVP_PKEY_fromdata_init(context.get()) != 1 ||
      EVP_PKEY_fromdata(context.get(), &key, EVP_PKEY_PUBLIC_KEY, const_cast<OSSL_PARAM*>(params)) != 1)
    return nullptr;
  return TKey(key);
}

// libcrypto takes the signature in DER; the port's form is r then s.
std::vector<unsigned char> ToDer(const TP256Signature& ASignature) {
  TSignature signature(ECDSA_SIG_new());
  BIGNUM* r = BN_bin2bn(ASignature.data(), 32, nullptr);
  BIGNUM* s = BN_bin2bn(ASignature.data() + 32, 32, nullptr);
  if (!signature || !r || !s || ECDSA_SIG_set0(signature.get(), r, s) != 1) {
    BN_free(r);
    BN_free(s);
    return {};
  }
  const int size = i2d_ECDSA_SIG(signature.get(), nullptr);
  if (size <= 0) return {};
  std::vector<unsigned char> der(static_cast<size_t>(size));
  unsigned char* out = der.data();
  if (i2d_ECDSA_SIG(signature.get(), &out) != size) return {};
  return der;
}

}  // namespace

struct TSha256::TState {
  TDigestContext Context{EVP_MD_CTX_new()};
  bool Finished = false;
};

TSha256::TSha256() : FState(std::make_unique<TState>()) {
  if (!FState->Context || EVP_DigestInit_ex(FState->Context.get(), EVP_sha256(), nullptr) != 1)
    throw Core::EQuorvaneError("SHA-256 indisponível (libcrypto)");
}

TSha256::~TSha256() = default;

void TSha256::Update(const void* AData, size_t ASize) {
  if (FState->Finished || EVP_DigestUpdate(FState->Context.get(), AData, ASize) != 1)
    throw Core::EQuorvaneError("Falha ao calcular o SHA-256 (libcrypto)");
}

TSha256Digest TSha256::Finish() {
  TSha256Digest digest{};
  unsigned int size = 0;
  if (FState->Finished || EVP_DigestFinal_ex(FState->Context.get(), digest.data(), &size) != 1 ||
      size != digest.size())
    throw Core::EQuorvaneError("Falha ao calcular o SHA-256 (libcrypto)");
  FState->Finished = true;
  return digest;
}

bool VerifyP256(const TP256PublicKey& AKey, const TSha256Digest& ADigest, const TP256Signature& ASignature) {
  const TKey key = ImportKey(AKey);
  const std::vector<unsigned char> der = ToDer(ASignature);
  bool verified = false;
  if (key && !der.empty()) {
    TKeyContext context(EVP_PKEY_CTX_new(key.get(), nullptr));
    verified = context && EVP_PKEY_verify_init(context.get()) == 1 &&
               EVP_PKEY_CTX_set_signature_md(context.get(), EVP_sha256()) == 1 &&
               EVP_PKEY_verify(context.get(), der.data(), der.size(), ADigest.data(), ADigest.size()) == 1;
  }
  // A refusal leaves its reasons queued on this thread.
  ERR_clear_error();
  return verified;
}

}  // namespace Infrastructure::Platform
