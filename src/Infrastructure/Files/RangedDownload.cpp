#include "Infrastructure/Files/RangedDownload.h"

#include <algorithm>
#include <memory>

#include "Core/Errors.h"
#include "Infrastructure/Crypto/HexDigest.h"
#include "Infrastructure/Files/ContentRange.h"
#include "Infrastructure/Files/RangedTransfer.h"
#include "Infrastructure/Platform/FileStream.h"
#include "Infrastructure/Platform/SystemClock.h"

namespace Infrastructure::Files {

using namespace Core::Interfaces;
using Core::ValueObjects::TDownloadVerdict;

namespace {

char Lower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualNoCase(std::string_view A, std::string_view B) {
  return A.size() == B.size() &&
         std::equal(A.begin(), A.end(), B.begin(), [](char a, char b) { return Lower(a) == Lower(b); });
}

std::string_view Trimmed(std::string_view AText) {
  while (!AText.empty() && (AText.front() == ' ' || AText.front() == '\t')) AText.remove_prefix(1);
  while (!AText.empty() && (AText.back() == ' ' || AText.back() == '\t')) AText.remove_suffix(1);
  return AText;
}

// The media type alone, without its parameters.
std::string_view MediaType(std::string_view AContentType) {
  return Trimmed(AContentType.substr(0, AContentType.find(';')));
}

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

constexpr int kProxyAuthenticationRequired = 407;
constexpr uint32_t kPauseSliceMs = 100;

// Why an attempt did not finish, as the retry loop needs to know it.
enum class TRefusal {
  None,
  Permanent,   // the answer is wrong and will not get better: not retried
  TooLarge,    // more than the package's size
  WholeBody,   // a 200 the caller did not want
  WriteError,  // the file could not be written
};

class ERefused : public Core::EQuorvaneError {
 public:
  using Core::EQuorvaneError::EQuorvaneError;
};

// Between the HTTP client and the file, for one attempt: decides from the
// answer's headers where its body goes (or refuses it) before the first byte.
class TTransferSink final : public IHttpSink {
 public:
  TTransferSink(TTransferState& AState, Platform::TFileWriter& AFile, bool ARanged, const std::string& AIfRange)
      : FState(AState), FFile(AFile), FRanged(ARanged), FIfRange(AIfRange) {}

  void Begin(const THttpResult& AAnswer) override {
    if (AAnswer.StatusCode == 206) {
      if (!FRanged) Refuse(TRefusal::Permanent, "Resposta parcial (206) a um pedido do arquivo inteiro");
      if (auto why = RefusePartialAnswer(AAnswer, FState.Next, FState.End - 1, FState.Source.Size))
        Refuse(TRefusal::Permanent, *why);
      const std::string validator = ValidatorOf(AAnswer);
      if (!FIfRange.empty() && !validator.empty() && FIfRange != AAnswer.ETag && FIfRange != AAnswer.LastModified)
        Refuse(TRefusal::Permanent, "O servidor respondeu com outra versão do arquivo (206 com validador " + validator +
                                        ", pedido " + FIfRange + ")");
      if (FState.Source.Validator.empty() && !validator.empty()) FState.AdoptValidator(validator);
      Guard([&] { FFile.Seek(FState.Next); });
      FAccepted = true;
      return;
    }
    if (AAnswer.StatusCode == 200) {
      if (FRanged) {
        const std::string validator = ValidatorOf(AAnswer);
        const bool changed = !FIfRange.empty() && FIfRange != AAnswer.ETag && FIfRange != AAnswer.LastModified;
        // Without a validator that changed, the server simply does not give ranges.
        if (!changed) FState.Support.NoteRefused(FState.Source.Url);
        if (!FState.AcceptWholeBody)
          Refuse(TRefusal::WholeBody, changed ? "O arquivo mudou no servidor (If-Range respondido com 200)"
                                              : "O servidor ignorou o pedido de intervalo (200)");
        FState.Progress.RestartWhole(FState.Source.Size);
      }
      FState.BeginWholeBody(ValidatorOf(AAnswer));
      Guard([&] {
        FFile.SetLength(0);
        FFile.Seek(0);
      });
      FAccepted = true;
      return;
    }
    // An error page is no part of the package.
    Refuse(TRefusal::None, "O servidor respondeu com o código " + std::to_string(AAnswer.StatusCode));
  }

  void Write(const void* AData, size_t ASize) override {
    if (!FAccepted) Refuse(TRefusal::Permanent, "Dados antes da resposta");
    if (static_cast<uint64_t>(ASize) > FState.End - FState.Next - FCount)
      Refuse(FState.Whole ? TRefusal::TooLarge : TRefusal::Permanent,
             FState.Whole ? "A resposta excede o tamanho publicado de " + std::to_string(FState.Source.Size) + " bytes"
                          : "O servidor enviou mais bytes que os pedidos");
    Guard([&] { FFile.Write(AData, ASize); });
    if (FState.Hash) FState.Hash->Update(AData, ASize);
    FCount += ASize;
    FState.Progress.Fetched += static_cast<int64_t>(ASize);
    if (FState.Progress.Report) FState.Progress.Report(FState.Progress.Fetched, FState.Progress.Total);
  }

  bool Accepted() const { return FAccepted; }
  uint64_t Count() const { return FCount; }
  TRefusal Refusal() const { return FRefusal; }
  Core::TFileErrorKind WriteFailure() const { return FWriteFailure; }
  // A body announced longer than the package: not read any further.
  bool RefusesAnnounced(int64_t AContentLength) {
    if (FState.Whole && AContentLength > static_cast<int64_t>(FState.Source.Size)) FRefusal = TRefusal::TooLarge;
    return FRefusal == TRefusal::TooLarge;
  }

 private:
  [[noreturn]] void Refuse(TRefusal AWhy, const std::string& AText) {
    FRefusal = AWhy;
    throw ERefused(AText);
  }
  template <typename F>
  void Guard(F AWrite) {
    try {
      AWrite();
    } catch (const Core::EFileSystemError& e) {
      FRefusal = TRefusal::WriteError;
      FWriteFailure = e.Kind();
      throw;
    }
  }

  TTransferState& FState;
  Platform::TFileWriter& FFile;
  bool FRanged;
  const std::string& FIfRange;
  bool FAccepted = false;
  uint64_t FCount = 0;
  TRefusal FRefusal = TRefusal::None;
  Core::TFileErrorKind FWriteFailure = Core::TFileErrorKind::Other;
};

bool Cancelled(const TRetryPolicy& APolicy) {
  return APolicy.IsCancelled && APolicy.IsCancelled();
}

// The pause in slices, so a cancel is seen within a tenth of a second. False when cancelled.
bool Pause(const TRetryPolicy& APolicy, uint32_t AMilliseconds) {
  for (uint32_t left = AMilliseconds; left > 0;) {
    if (Cancelled(APolicy)) return false;
    const uint32_t slice = std::min(left, kPauseSliceMs);
    if (APolicy.Sleep)
      APolicy.Sleep(slice);
    else
      Platform::SleepMilliseconds(slice);
    left -= slice;
  }
  return !Cancelled(APolicy);
}

}  // namespace

// --- TRangeSupport ---

std::string UrlOrigin(std::string_view AUrl) {
  const size_t scheme = AUrl.find("://");
  if (scheme == std::string_view::npos) return std::string(AUrl);
  size_t end = AUrl.find_first_of("/?#", scheme + 3);
  if (end == std::string_view::npos) end = AUrl.size();
  std::string origin(AUrl.substr(0, end));
  for (char& c : origin) c = Lower(c);
  return origin;
}

bool TRangeSupport::Refuses(const std::string& AUrl) const {
  return std::find(FOrigins.begin(), FOrigins.end(), UrlOrigin(AUrl)) != FOrigins.end();
}

void TRangeSupport::NoteRefused(const std::string& AUrl) {
  if (!Refuses(AUrl)) FOrigins.push_back(UrlOrigin(AUrl));
}

// --- Pure decisions ---

std::optional<std::string> RefusePartialAnswer(const THttpResult& AAnswer, uint64_t AFirst, uint64_t ALast,
                                               uint64_t ATotal) {
  if (AAnswer.StatusCode != 206) return "Código " + std::to_string(AAnswer.StatusCode) + " em vez de 206";
  const std::string_view encoding = Trimmed(AAnswer.ContentEncoding);
  if (!encoding.empty() && !EqualNoCase(encoding, "identity"))
    return "Intervalo com codificação " + AAnswer.ContentEncoding + " (os bytes não são os do arquivo)";
  if (EqualNoCase(MediaType(AAnswer.ContentType), "multipart/byteranges"))
    return std::string("Resposta com vários intervalos (multipart/byteranges), não pedida");
  const std::optional<TContentRange> range = ParseContentRange(AAnswer.ContentRange);
  if (!range) return "Content-Range inválido: \"" + AAnswer.ContentRange + "\"";
  if (range->First != AFirst || range->Last != ALast)
    return "Content-Range " + AAnswer.ContentRange + " não é o intervalo pedido " + std::to_string(AFirst) + "-" +
           std::to_string(ALast);
  if (range->Total != ATotal)
    return "Content-Range " + AAnswer.ContentRange + " não é do pacote publicado de " + std::to_string(ATotal) +
           " bytes";
  return std::nullopt;
}

std::string ValidatorOf(const THttpResult& AAnswer) {
  // A weak ETag ("W/...") may not be used in If-Range.
  const std::string_view etag = Trimmed(AAnswer.ETag);
  if (!etag.empty() && etag.substr(0, 2) != "W/") return std::string(etag);
  return std::string(Trimmed(AAnswer.LastModified));
}

bool IsTransientStatus(int AStatusCode) {
  return AStatusCode == 0 || AStatusCode == 408 || AStatusCode == 429 || (AStatusCode >= 500 && AStatusCode <= 599);
}

uint32_t RetryPauseMs(const TRetryPolicy& APolicy, int AAttempt) {
  uint64_t pause = APolicy.FirstPauseMs;
  for (int i = 1; i < AAttempt && pause < 60000; ++i) pause *= 2;
  return static_cast<uint32_t>(std::min<uint64_t>(pause, 60000));
}

// --- The transfer ---

void TTransferState::AdoptValidator(const std::string& AValidator) {
  Source.Validator = AValidator;
  if (OnValidator) OnValidator(AValidator);
}

void TTransferState::BeginWholeBody(const std::string& AValidator) {
  Whole = true;
  Next = 0;
  End = Source.Size;
  Hash = std::make_unique<Crypto::TPipelinedSha256>();
  AdoptValidator(AValidator);
}

TRangedResult RunTransfer(TTransferState& AState) {
  TRangedResult result;
  const TRetryPolicy& policy = AState.Policy;
  try {
    Platform::TFileWriter file(AState.File, Platform::TCreateMode::Keep);
    int retriesLeft = policy.Retries;
    int retry = 0;
    while (AState.Next < AState.End) {
      if (Cancelled(policy)) {
        result.Cancelled = true;
        result.ErrorMessage = "Transferência cancelada";
        return result;
      }
      bool ranged = !(AState.Next == 0 && AState.End == AState.Source.Size);
      // A whole body cut short continues only where the bytes can be told to be of the same file.
      if (ranged && (AState.Support.Refuses(AState.Source.Url) || (AState.Whole && AState.Source.Validator.empty()))) {
        if (!AState.Whole && !AState.AcceptWholeBody) {
          result.Outcome = TRangedOutcome::NoRanges;
          result.ErrorMessage = "O servidor não atende pedidos de intervalo";
          return result;
        }
        AState.Progress.RestartWhole(AState.Source.Size);
        AState.Whole = true;
        AState.Next = 0;
        AState.End = AState.Source.Size;
        AState.Hash.reset();
        ranged = false;
      }
      THttpOptions options = policy.Http;
      std::string ifRange;
      if (ranged) {
        options.Range = THttpByteRange{AState.Next, AState.End - 1};
        ifRange = AState.Source.Validator;
        options.IfRange = ifRange;
      }
      TTransferSink sink(AState, file, ranged, ifRange);
      const TReceiveDataEvent onReceive = [&](int64_t AContentLength, int64_t, bool& AAbort) {
        AAbort = sink.RefusesAnnounced(AContentLength) || Cancelled(policy);
      };
      ++result.Attempts;
      const THttpResult answer = AState.Client.Get(AState.Source.Url, sink, options, onReceive);
      result.StatusCode = answer.StatusCode;
      result.BytesFetched += sink.Count();
      // Begin moved Next to 0 when a whole body came; the bytes counted follow it.
      AState.Next += sink.Count();
      if (AState.Next == AState.End) break;

      result.ErrorMessage = !answer.ErrorMessage.empty() ? answer.ErrorMessage
                                                         : "A conexão foi encerrada antes do fim (" +
                                                               std::to_string(sink.Count()) + " bytes recebidos)";
      if (Cancelled(policy)) {
        result.Cancelled = true;
        return result;
      }
      switch (sink.Refusal()) {
        case TRefusal::WriteError:
          result.Verdict = WriteVerdict(sink.WriteFailure());
          return result;
        case TRefusal::TooLarge:
          result.Verdict = TDownloadVerdict::TooLarge;
          return result;
        case TRefusal::Permanent:
          return result;
        case TRefusal::WholeBody:
          result.Outcome = TRangedOutcome::WholeBody;
          return result;
        case TRefusal::None:
          break;
      }
      if (answer.StatusCode == kProxyAuthenticationRequired) {
        result.Verdict = TDownloadVerdict::ProxyRefused;
        return result;
      }
      // An answer whose body was taken and then cut is a connection that broke.
      const bool transient = sink.Accepted() || IsTransientStatus(answer.StatusCode);
      if (!transient) return result;
      if (sink.Count() >= policy.ProgressForFreshRetries) {
        retriesLeft = policy.Retries;
        retry = 0;
      }
      if (retriesLeft-- <= 0) {
        result.Transient = true;
        if (AState.Whole) result.Outcome = TRangedOutcome::WholeBody;
        return result;
      }
      if (!Pause(policy, RetryPauseMs(policy, ++retry))) {
        result.Cancelled = true;
        return result;
      }
    }

    result.ErrorMessage.clear();
    result.Outcome = AState.Whole ? TRangedOutcome::WholeBody : TRangedOutcome::Ok;
    result.Verdict = TDownloadVerdict::Ok;
    if (AState.Whole || AState.VerifyWhole) {
      // A whole body may land on a longer file: what lies past the package is not part of it.
      if (file.Size() > AState.Source.Size) file.SetLength(AState.Source.Size);
      if (file.Size() != AState.Source.Size) {
        result.Verdict = TDownloadVerdict::WrongSize;
        result.ErrorMessage =
            std::to_string(file.Size()) + " bytes no arquivo, " + std::to_string(AState.Source.Size) + " publicados";
      } else if (!AState.Source.Sha256.empty()) {
        const auto published = Crypto::ParseSha256Hex(AState.Source.Sha256);
        file.Close();
        const Platform::TSha256Digest digest = AState.Hash ? AState.Hash->Finish() : Sha256OfFile(AState.File);
        AState.Hash.reset();
        if (!published || digest != *published) {
          result.Verdict = published ? TDownloadVerdict::DigestMismatch : TDownloadVerdict::InvalidDigest;
          result.ErrorMessage = "SHA-256 recebido " + Crypto::ToHex(digest);
        }
      }
    }
    if (file.IsOpen()) file.Close();
    if (result.Verdict != TDownloadVerdict::Ok && result.Outcome == TRangedOutcome::Ok)
      result.Outcome = TRangedOutcome::Failed;
  } catch (const Core::EFileSystemError& e) {
    result.Outcome = TRangedOutcome::Failed;
    result.Verdict = WriteVerdict(e.Kind());
    result.ErrorMessage = e.what();
  } catch (const std::exception& e) {
    result.Outcome = TRangedOutcome::Failed;
    result.Verdict = TDownloadVerdict::Failed;
    result.ErrorMessage = e.what();
  }
  return result;
}

Platform::TSha256Digest Sha256OfFile(const std::string& APath, uint64_t ALength,
                                     const std::function<void(const char*, size_t)>& AOnBlock) {
  Platform::TFileReader reader(APath);
  Platform::TSha256 hash;
  std::string buffer(1 << 20, '\0');
  for (uint64_t at = 0; at < ALength;) {
    const size_t got = reader.Read(buffer.data(), static_cast<size_t>(std::min<uint64_t>(buffer.size(), ALength - at)));
    if (got == 0) break;
    hash.Update(buffer.data(), got);
    if (AOnBlock) AOnBlock(buffer.data(), got);
    at += got;
  }
  return hash.Finish();
}

TRangedResult FetchRange(IHttpClient& AClient, TRangedSource& ASource, TRangeSupport& ASupport,
                         const std::string& AFile, uint64_t AOffset, uint64_t ALength, TFetchProgress& AProgress,
                         const TRetryPolicy& APolicy, bool AAcceptWholeBody) {
  if (ALength == 0 || AOffset > ASource.Size || ALength > ASource.Size - AOffset) {
    TRangedResult result;
    result.ErrorMessage = "Intervalo fora do pacote: " + std::to_string(AOffset) + "+" + std::to_string(ALength);
    return result;
  }
  TTransferState state{AClient, ASource, ASupport, AProgress, APolicy, AFile};
  state.Next = AOffset;
  state.End = AOffset + ALength;
  state.AcceptWholeBody = AAcceptWholeBody;
  return RunTransfer(state);
}

}  // namespace Infrastructure::Files
