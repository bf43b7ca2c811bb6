#include <windows.h>
// windows.h first: bcrypt.h needs its types.
#include <bcrypt.h>

#include <cstring>
#include <vector>

#include "Core/Errors.h"
#include "Infrastructure/Platform/Crypto.h"

namespace Infrastructure::Platform {

namespace {

struct TAlgorithm {
  BCRYPT_ALG_HANDLE Handle = nullptr;
  explicit TAlgorithm(LPCWSTR AName) {
    if (!BCRYPT_SUCCESS(BCryptOpenAlgorithmProvider(&Handle, AName, nullptr, 0))) Handle = nullptr;
  }
  ~TAlgorithm() {
    if (Handle) BCryptCloseAlgorithmProvider(Handle, 0);
  }
  TAlgorithm(const TAlgorithm&) = delete;
  TAlgorithm& operator=(const TAlgorithm&) = delete;
};

struct TKeyHandle {
  BCRYPT_KEY_HANDLE Handle = nullptr;
  ~TKeyHandle() {
    if (Handle) BCryptDestroyKey(Handle);
  }
};

[[noreturn]] void Fail() { throw Core::EQuorvaneError("Falha ao calcular o SHA-256 (CNG)"); }

}  // namespace

// BCryptHash would do it in one call, but only from Windows 10 on.
struct TSha256::TState {
  TAlgorithm Algorithm{BCRYPT_SHA256_ALGORITHM};
  BCRYPT_HASH_HANDLE Hash = nullptr;
  std::vector<UCHAR> Object;
  bool Finished = false;
  ~TState() {
    if (Hash) BCryptDestroyHash(Hash);
  }
};

TSha256::TSha256() : FState(std::make_unique<TState>()) {
  DWORD objectSize = 0;
  ULONG written = 0;
  if (!FState->Algorithm.Handle ||
      !BCRYPT_SUCCESS(BCryptGetProperty(FState->Algorithm.Handle, BCRYPT_OBJECT_LENGTH,
                                        reinterpret_cast<PUCHAR>(&objectSize), sizeof(objectSize), &written, 0)))
    throw Core::EQuorvaneError("SHA-256 indisponível (CNG)");
  // Windows 7 wants the caller's buffer for the hash object.
  FState->Object.resize(objectSize);
  if (!BCRYPT_SUCCESS(BCryptCreateHash(FState->Algorithm.Handle, &FState->Hash, FState->Object.data(), objectSize,
                                       nullptr, 0, 0)))
    throw Core::EQuorvaneError("SHA-256 indisponível (CNG)");
}

TSha256::~TSha256() = default;

void TSha256::Update(const void* AData, size_t ASize) {
  if (FState->Finished) Fail();
  const UCHAR* data = static_cast<const UCHAR*>(AData);
  // ULONG lengths: a block larger than 4 GiB goes in parts.
  while (ASize > 0) {
    const ULONG part = ASize > 0x40000000u ? 0x40000000u : static_cast<ULONG>(ASize);
    if (!BCRYPT_SUCCESS(BCryptHashData(FState->Hash, const_cast<PUCHAR>(data), part, 0))) Fail();
    data += part;
    ASize -= part;
  }
}

TSha256Digest TSha256::Finish() {
  TSha256Digest digest{};
  if (FState->Finished || !BCRYPT_SUCCESS(BCryptFinishHash(FState->Hash, digest.data(), digest.size(), 0))) Fail();
  FState->Finished = true;
  return digest;
}

bool VerifyP256(const TP256PublicKey& AKey, const TSha256Digest& ADigest, const TP256Signature& ASignature) {
  const TAlgorithm algorithm(BCRYPT_ECDSA_P256_ALGORITHM);
  if (!algorithm.Handle) return false;
  std::vector<UCHAR> blob(sizeof(BCRYPT_ECCKEY_BLOB) + AKey.size());
  BCRYPT_ECCKEY_BLOB header{BCRYPT_ECDSA_PUBLIC_P256_MAGIC, 32};
  std::memcpy(blob.data(), &header, sizeof(header));
  std::memcpy(blob.data() + sizeof(header), AKey.data(), AKey.size());
  TKeyHandle key;
  if (!BCRYPT_SUCCESS(BCryptImportKeyPair(algorithm.Handle, nullptr, BCRYPT_ECCPUBLIC_BLOB, &key.Handle, blob.data(),
                                          static_cast<ULONG>(blob.size()), 0)))
    return false;
  TSha256Digest digest = ADigest;
  TP256Signature signature = ASignature;
  return BCRYPT_SUCCESS(BCryptVerifySignature(key.Handle, nullptr, digest.data(), digest.size(), signature.data(),
                                              signature.size(), 0));
}

}  // namespace Infrastructure::Platform
