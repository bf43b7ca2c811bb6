#pragma once
// The transfer under FetchRange and the resumable package download: one span
// of a package into a file at its offsets, with checks, retries and the
// switch to a whole body. Internal to Infrastructure::Files.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "Infrastructure/Crypto/PipelinedSha256.h"
#include "Infrastructure/Files/RangedDownload.h"

namespace Infrastructure::Files {

struct TTransferState {
  Core::Interfaces::IHttpClient& Client;
  TRangedSource& Source;
  TRangeSupport& Support;
  TFetchProgress& Progress;
  const TRetryPolicy& Policy;
  std::string File;
  uint64_t Next = 0;  // the next byte wanted
  uint64_t End = 0;   // one past the last
  bool AcceptWholeBody = true;
  // The file's bytes from 0 are the whole body of a 200 (Next and End span the package).
  bool Whole = false;
  // Check size and SHA-256 of the whole file at the end even without a whole body.
  bool VerifyWhole = false;
  // When set: fed exactly the file's bytes [0, Next).
  std::unique_ptr<Crypto::TPipelinedSha256> Hash{};
  // Told every validator adopted, before any byte it vouches for is written.
  std::function<void(const std::string&)> OnValidator{};

  void AdoptValidator(const std::string& AValidator);
  void BeginWholeBody(const std::string& AValidator);
};

TRangedResult RunTransfer(TTransferState& AState);

// SHA-256 of the first ALength bytes of APath (fewer when it is shorter);
// AOnBlock sees each block read. Throws Core::EFileSystemError.
Platform::TSha256Digest Sha256OfFile(const std::string& APath, uint64_t ALength = UINT64_MAX,
                                     const std::function<void(const char*, size_t)>& AOnBlock = {});

}  // namespace Infrastructure::Files
