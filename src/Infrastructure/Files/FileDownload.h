#pragma once
// The download of one URL into a file, as the file service's DownloadFile
// does it: the destination is created (or truncated) before any traffic, the
// body streams into it, and only a final answer of 200 to 299 that arrived
// whole counts. The file is never deleted here: after a failure it holds
// what arrived (an error page, a partial body, or nothing).
#include <string>

#include "Core/Errors.h"
#include "Core/Interfaces/IHttpClient.h"
#include "Core/Interfaces/Progress.h"
#include "Core/ValueObjects/DownloadCheck.h"
#include "Infrastructure/Platform/FileStream.h"

namespace Infrastructure::Files {

struct TDownloadResult {
  bool Success = false;
  // Of the final answer; 0 when none arrived.
  int StatusCode = 0;
  // Portuguese, for a log line; empty on success.
  std::string ErrorMessage;
  // Of a verified download; Ok or Failed for a plain one.
  Core::ValueObjects::TDownloadVerdict Verdict = Core::ValueObjects::TDownloadVerdict::Failed;
};

// The HTTP port's sink over a file writer. It remembers why a write failed:
// the HTTP client turns the error into a failed transfer like any other.
class TFileSink : public Core::Interfaces::IHttpSink {
 public:
  explicit TFileSink(Platform::TFileWriter& AWriter) : FWriter(AWriter) {}
  void Write(const void* AData, size_t ASize) override;
  Core::TFileErrorKind Failure() const { return FFailure; }

 private:
  Platform::TFileWriter& FWriter;
  Core::TFileErrorKind FFailure = Core::TFileErrorKind::Other;
};

// Never throws. AOnProgress (may be empty) gets (bytes received, announced
// length) after each block, and only when the server announced a length.
TDownloadResult DownloadToFile(Core::Interfaces::IHttpClient& AClient, const std::string& AUrl,
                               const std::string& ADestinationPath, const Core::Interfaces::TProgressProc& AOnProgress,
                               const Core::Interfaces::THttpOptions& AOptions = {});

// DownloadToFile with the release document's check applied while the bytes
// arrive: the body is hashed in the sink (no second pass over the file), and
// a body that grows past ACheck.Size, or announces more, is cut off at once.
// A digest that is not 64 hex digits fails before any traffic. On every
// verdict but Ok the destination file is removed. Never throws.
TDownloadResult DownloadVerifiedToFile(Core::Interfaces::IHttpClient& AClient, const std::string& AUrl,
                                       const std::string& ADestinationPath,
                                       const Core::ValueObjects::TDownloadCheck& ACheck,
                                       const Core::Interfaces::TProgressProc& AOnProgress,
                                       const Core::Interfaces::THttpOptions& AOptions = {});

}  // namespace Infrastructure::Files
