#include "Infrastructure/Files/FileDownload.h"

#include <memory>
#include <optional>

#include "Core/Errors.h"
#include "Infrastructure/Crypto/HexDigest.h"
#include "Infrastructure/Crypto/PipelinedSha256.h"
#include "Infrastructure/Files/DownloadProgressHelper.h"
#include "Infrastructure/Platform/Crypto.h"
#include "Infrastructure/Platform/FileSystem.h"

namespace Infrastructure::Files {

using namespace Core::Interfaces;
using Core::ValueObjects::TDownloadCheck;
using Core::ValueObjects::TDownloadVerdict;

namespace {

// Sees every block before the file does: counts it, refuses a body past the
// published size before writing it, and hashes what was written (on a thread
// of its own, so the transfer does not wait for the hash).
class TCheckingSink : public IHttpSink {
 public:
  TCheckingSink(IHttpSink& AInner, int64_t ALimit, bool AHash) : FInner(AInner), FLimit(ALimit) {
    if (AHash) FHash.emplace();
  }
  void Write(const void* AData, size_t ASize) override {
    if (FLimit >= 0 && static_cast<uint64_t>(ASize) > static_cast<uint64_t>(FLimit - FWritten)) {
      FTooLarge = true;
      throw Core::EQuorvaneError("A resposta excede o tamanho publicado de " + std::to_string(FLimit) + " bytes");
    }
    FInner.Write(AData, ASize);
    if (FHash) FHash->Update(AData, ASize);
    FWritten += static_cast<int64_t>(ASize);
  }
  // A server announcing more than was published is not read any further.
  bool RefusesAnnounced(int64_t AContentLength) {
    if (FLimit >= 0 && AContentLength > FLimit) FTooLarge = true;
    return FTooLarge;
  }
  bool TooLarge() const { return FTooLarge; }
  int64_t Written() const { return FWritten; }
  std::optional<Platform::TSha256Digest> Finish() {
    if (!FHash) return std::nullopt;
    return FHash->Finish();
  }

 private:
  IHttpSink& FInner;
  int64_t FLimit;
  int64_t FWritten = 0;
  bool FTooLarge = false;
  std::optional<Crypto::TPipelinedSha256> FHash;
};

// Where the file could not be written, the verdict says so instead of blaming the network.
TDownloadVerdict WriteVerdict(Core::TFileErrorKind AKind) {
  switch (AKind) {
    case Core::TFileErrorKind::AccessDenied:
      return TDownloadVerdict::FolderNotWritable;
    case Core::TFileErrorKind::DiskFull:
      return TDownloadVerdict::DiskFull;
    default:
      return TDownloadVerdict::Failed;
  }
}

// The HTTP client answers it only once the user's credentials were refused too.
constexpr int kProxyAuthenticationRequired = 407;

// One GET into the file; with ACheck, a checking sink stands between the body and the file.
TDownloadResult Transfer(IHttpClient& AClient, const std::string& AUrl, const std::string& ADestinationPath,
                         const TProgressProc& AOnProgress, const THttpOptions& AOptions,
                         const std::optional<TDownloadCheck>& ACheck) {
  TDownloadResult result;
  try {
    std::unique_ptr<TDownloadProgressHelper> helper;
    if (AOnProgress) helper = std::make_unique<TDownloadProgressHelper>(AOnProgress);

    // Before any traffic, so the file exists whatever the outcome.
    Platform::TFileWriter file(ADestinationPath, Platform::TCreateMode::Truncate);
    TFileSink fileSink(file);
    std::optional<TCheckingSink> checking;
    if (ACheck) checking.emplace(fileSink, ACheck->Size, !ACheck->Sha256.empty());
    TReceiveDataEvent onReceiveData;
    if (helper || checking)
      onReceiveData = [&helper, &checking](int64_t AContentLength, int64_t AReadCount, bool& AAbort) {
        if (checking && checking->RefusesAnnounced(AContentLength)) {
          AAbort = true;
          return;
        }
        if (helper) helper->OnReceiveDataEvent(AContentLength, AReadCount, AAbort);
      };
    IHttpSink& sink = checking ? static_cast<IHttpSink&>(*checking) : fileSink;
    const THttpResult answer = AClient.Get(AUrl, sink, AOptions, onReceiveData);
    // On the disk before anything is built from it: an executable package is swapped in as it is.
    if (answer.Succeeded()) file.Flush();
    // A close that fails loses data the answer already counted as written.
    file.Close();

    result.StatusCode = answer.StatusCode;
    result.Success = answer.Succeeded();
    if (!answer.Completed)
      result.ErrorMessage = answer.ErrorMessage;
    else if (!result.Success)
      result.ErrorMessage = "O servidor respondeu com o código " + std::to_string(answer.StatusCode);

    if (checking) {
      const bool tooLarge = checking->TooLarge();
      const std::optional<Platform::TSha256Digest> digest = checking->Finish();
      if (tooLarge) {
        result.Verdict = TDownloadVerdict::TooLarge;
      } else if (!result.Success) {
        result.Verdict = TDownloadVerdict::Failed;
      } else if (ACheck->Size >= 0 && checking->Written() != ACheck->Size) {
        result.Verdict = TDownloadVerdict::WrongSize;
        result.ErrorMessage = std::to_string(checking->Written()) + " bytes recebidos, " +
                              std::to_string(ACheck->Size) + " publicados";
      } else if (digest && Crypto::ToHex(*digest) != Crypto::ToHex(*Crypto::ParseSha256Hex(ACheck->Sha256))) {
        result.Verdict = TDownloadVerdict::DigestMismatch;
        result.ErrorMessage = "SHA-256 recebido " + Crypto::ToHex(*digest);
      } else {
        result.Verdict = TDownloadVerdict::Ok;
      }
      result.Success = result.Verdict == TDownloadVerdict::Ok;
    } else {
      result.Verdict = result.Success ? TDownloadVerdict::Ok : TDownloadVerdict::Failed;
    }
    if (answer.StatusCode == kProxyAuthenticationRequired) result.Verdict = TDownloadVerdict::ProxyRefused;
    if (!answer.Completed && WriteVerdict(fileSink.Failure()) != TDownloadVerdict::Failed) {
      result.Success = false;
      result.Verdict = WriteVerdict(fileSink.Failure());
    }
  } catch (const Core::EFileSystemError& e) {
    result.Success = false;
    result.Verdict = WriteVerdict(e.Kind());
    result.ErrorMessage = e.what();
  } catch (const std::exception& e) {
    result.Success = false;
    result.Verdict = TDownloadVerdict::Failed;
    result.ErrorMessage = e.what();
  } catch (...) {
    result.Success = false;
    result.Verdict = TDownloadVerdict::Failed;
    result.ErrorMessage = "Falha inesperada no download";
  }
  return result;
}

}  // namespace

void TFileSink::Write(const void* AData, size_t ASize) {
  try {
    FWriter.Write(AData, ASize);
  } catch (const Core::EFileSystemError& e) {
    FFailure = e.Kind();
    throw;
  }
}

TDownloadResult DownloadToFile(IHttpClient& AClient, const std::string& AUrl, const std::string& ADestinationPath,
                               const TProgressProc& AOnProgress, const THttpOptions& AOptions) {
  return Transfer(AClient, AUrl, ADestinationPath, AOnProgress, AOptions, std::nullopt);
}

TDownloadResult DownloadVerifiedToFile(IHttpClient& AClient, const std::string& AUrl,
                                       const std::string& ADestinationPath, const TDownloadCheck& ACheck,
                                       const TProgressProc& AOnProgress, const THttpOptions& AOptions) {
  TDownloadResult result;
  if (!ACheck.Sha256.empty() && !Crypto::ParseSha256Hex(ACheck.Sha256)) {
    result.Verdict = TDownloadVerdict::InvalidDigest;
    result.ErrorMessage = "SHA-256 publicado inválido: \"" + ACheck.Sha256 + "\"";
  } else {
    result = Transfer(AClient, AUrl, ADestinationPath, AOnProgress, AOptions,
                      ACheck.IsEmpty() ? std::nullopt : std::optional<TDownloadCheck>(ACheck));
  }
  if (result.Verdict != TDownloadVerdict::Ok) {
    try {
      Platform::RemoveFile(ADestinationPath);
    } catch (const std::exception&) {
      // Nothing more can be done; the verdict already says the file is not to be used.
    }
  }
  return result;
}

}  // namespace Infrastructure::Files
