#pragma once
// Byte ranges of a package fetched into a file at their own offsets, against
// servers as they are: every 206 is checked against what was asked before a
// byte of it is written, a server that ignores ranges or changed the file
// (200) gives its whole body instead, and transient failures are retried with
// growing pauses, continuing from what arrived.
//
// What the caller keeps for one start-up: one TRangeSupport (what servers
// refused ranges), and per package one TRangedSource (its validator) and one
// TFetchProgress (the bytes fetched, for "Baixando X MB de Y MB").
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "Core/Interfaces/IClock.h"
#include "Core/Interfaces/IHttpClient.h"
#include "Core/Interfaces/Progress.h"
#include "Core/ValueObjects/DownloadCheck.h"

namespace Infrastructure::Files {

// Origins (scheme, host and port) that answered a range with the whole body.
// They are asked no range again until the next start. One thread at a time.
class TRangeSupport {
 public:
  bool Refuses(const std::string& AUrl) const;
  void NoteRefused(const std::string& AUrl);

 private:
  std::vector<std::string> FOrigins;
};

// "scheme://host:port" of AUrl, in lower case; AUrl itself when it has no "://".
std::string UrlOrigin(std::string_view AUrl);

// The package the ranges come from.
struct TRangedSource {
  std::string Url;
  uint64_t Size = 0;   // as published: every Content-Range must name it as its total
  std::string Sha256;  // as published (64 hex digits); checks a whole body. Empty: size alone
  // Sent as If-Range with every range. Empty until an answer gives one (its
  // strong ETag, else its Last-Modified); a whole body answered in place of a
  // range replaces it. Keep it between calls for the same package.
  std::string Validator;
};

// The bytes fetched for one package, across calls, attempts and retries.
struct TFetchProgress {
  int64_t Fetched = 0;
  // What the caller means to fetch. A whole body in place of what was asked starts
  // the count again, at 0 of the package's size: it overwrites what came before.
  int64_t Total = 0;
  Core::Interfaces::TProgressProc Report;  // (Fetched, Total) after each block; may be empty
  std::function<void()> OnWholePackage;    // told when the count starts again so; may be empty

  void RestartWhole(uint64_t APackageSize) {
    Fetched = 0;
    Total = static_cast<int64_t>(APackageSize);
    if (OnWholePackage) OnWholePackage();
  }
};

struct TRetryPolicy {
  int Retries = 3;               // after the first attempt
  uint32_t FirstPauseMs = 1000;  // then doubled: 1 s, 2 s, 4 s
  // An attempt that brought at least this much earns the retries back (a
  // long download on a line that drops now and then still ends).
  uint64_t ProgressForFreshRetries = 1 << 20;
  Core::Interfaces::TSleepProc Sleep;  // empty: the real pause
  // Polled between blocks and during pauses (the road's cancel flag); empty: never.
  std::function<bool()> IsCancelled;
  Core::Interfaces::THttpOptions Http;  // time-outs; Range and IfRange are set here
};

enum class TRangedOutcome {
  Ok,         // the bytes asked for are in the file
  WholeBody,  // a 200 came instead: its body went into the file from offset 0 (see Verdict)
  NoRanges,   // without AAcceptWholeBody: this start knows the server ignores ranges, nothing was asked
  Failed,
};

struct TRangedResult {
  TRangedOutcome Outcome = TRangedOutcome::Failed;
  // Ok for Outcome Ok; for WholeBody, Ok only when the file now holds the
  // whole package with the published size and SHA-256. Failed, TooLarge,
  // WrongSize, DigestMismatch, ProxyRefused, FolderNotWritable, DiskFull else.
  Core::ValueObjects::TDownloadVerdict Verdict = Core::ValueObjects::TDownloadVerdict::Failed;
  // The last failure was transient: the retries ran out (a later start may do better).
  bool Transient = false;
  bool Cancelled = false;
  int StatusCode = 0;        // of the last answer
  std::string ErrorMessage;  // Portuguese, for the log
  int Attempts = 0;
  uint64_t BytesFetched = 0;  // by this call
};

// Fetches [AOffset, AOffset + ALength) of ASource into the file AFile (created
// when missing, never truncated) at the same offsets. A 206 counts only with
// Content-Range exactly "bytes AOffset-LAST/ASource.Size" for what was asked,
// identity encoding, not multipart, and as many bytes as asked. A 200 means
// the server ignores ranges (noted in ASupport) or the validator changed: with
// AAcceptWholeBody its body is written from offset 0 and checked as the whole
// package (Outcome WholeBody); without, the transfer is dropped and the
// caller fetches the whole package itself. An origin ASupport already knows
// to ignore ranges is asked for the whole body at once (with
// AAcceptWholeBody) or not at all (NoRanges). After WholeBody with Verdict Ok
// the file is the package: fetch nothing more of it. Never throws.
TRangedResult FetchRange(Core::Interfaces::IHttpClient& AClient, TRangedSource& ASource, TRangeSupport& ASupport,
                         const std::string& AFile, uint64_t AOffset, uint64_t ALength, TFetchProgress& AProgress,
                         const TRetryPolicy& APolicy = {}, bool AAcceptWholeBody = true);

// --- The decisions inside, for tests and for callers that log them. ---

// Why a 206 answered to [AFirst, ALast] of a package of ATotal bytes cannot be
// used, or nothing when it can (status, Content-Range, encoding, type).
std::optional<std::string> RefusePartialAnswer(const Core::Interfaces::THttpResult& AAnswer, uint64_t AFirst,
                                               uint64_t ALast, uint64_t ATotal);

// What an answer offers as If-Range: a strong ETag, else Last-Modified, else nothing.
std::string ValidatorOf(const Core::Interfaces::THttpResult& AAnswer);

// A failure worth another attempt: no answer or a connection cut, a time-out,
// 5xx, 408 and 429. Any other status (4xx) is permanent.
bool IsTransientStatus(int AStatusCode);

// The pause before retry AAttempt (1 for the first retry): the first pause doubled each time.
uint32_t RetryPauseMs(const TRetryPolicy& APolicy, int AAttempt);

}  // namespace Infrastructure::Files
