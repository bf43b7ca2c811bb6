#pragma once
// The HTTP port: one GET whose body goes to a sink as it arrives. The Win32
// adapter is WinHTTP; tests of the callers use scripted stand-ins.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "Core/Errors.h"

namespace Core::Interfaces {

struct THttpResult;

// Where the body goes, block by block. A write that fails throws; the
// transfer then ends as a failure carrying the exception's text.
class IHttpSink {
 public:
  virtual ~IHttpSink() = default;
  // Once the final answer's status and headers are known, before its first
  // byte (AAnswer is not Completed yet). Throwing refuses the body: the
  // transfer ends as a failure carrying the text, the status and headers kept.
  virtual void Begin(const THttpResult& AAnswer) { (void)AAnswer; }
  virtual void Write(const void* AData, size_t ASize) = 0;
};

// The body in memory, refused past ALimit bytes so a wrong or hostile URL
// cannot fill the memory of a 32-bit process.
class TMemorySink final : public IHttpSink {
 public:
  explicit TMemorySink(size_t ALimit = SIZE_MAX) : FLimit(ALimit) {}
  void Write(const void* AData, size_t ASize) override {
    if (ASize > FLimit - FData.size())
      throw Core::EQuorvaneError("A resposta excede o limite de " + std::to_string(FLimit) + " bytes");
    FData.append(static_cast<const char*>(AData), ASize);
  }
  const std::string& Data() const { return FData; }

 private:
  size_t FLimit;
  std::string FData;
};

// Called after every block that reached the sink: the length the server
// announced (0 or less when it announced none) and the bytes received so far.
// Setting AAbort to true ends the transfer as a failure.
using TReceiveDataEvent = std::function<void(int64_t AContentLength, int64_t AReadCount, bool& AAbort)>;

// One byte range, both ends included: "Range: bytes=First-Last". The port
// never asks for more than one range (a multipart answer is not a body).
struct THttpByteRange {
  uint64_t First = 0;
  uint64_t Last = 0;
};

struct THttpOptions {
  uint32_t ConnectionTimeoutMs = 30000;
  // The longest wait for the answer and for each block of its body.
  uint32_t ResponseTimeoutMs = 300000;
  // Redirects followed; one more is a failure.
  uint32_t MaxRedirects = 5;
  // The whole request, from the first connect to the last byte; 0 for none.
  // Each wait above is cut to what is left of it, so neither a server that
  // trickles nor one that sends nothing holds the caller past it.
  uint32_t DeadlineMs = 0;
  // Asks for these bytes only; the answer says whether it gave them (206 and
  // its Content-Range) or the whole body (200).
  std::optional<THttpByteRange> Range{};
  // Sent as If-Range beside Range (an ETag as received, or an HTTP date):
  // the server gives the range only while the body is still that one.
  std::string IfRange{};
};

struct THttpResult {
  // An answer arrived and its whole body went into the sink.
  bool Completed = false;
  // Status of the final answer; 0 when none arrived.
  int StatusCode = 0;
  // Why the transfer did not complete, in Portuguese; empty when it did.
  std::string ErrorMessage;
  // Headers of the final answer, as received (empty when absent): what a
  // ranged download checks before it trusts the bytes.
  std::string ETag;
  std::string LastModified;
  std::string ContentRange;
  std::string ContentEncoding;
  std::string ContentType;

  bool Succeeded() const { return Completed && StatusCode >= 200 && StatusCode <= 299; }
};

class IHttpClient {
 public:
  virtual ~IHttpClient() = default;
  // Synchronous; the sink and the event run on the calling thread. Never
  // throws: every failure, including one raised by the sink or the event,
  // comes back in the result.
  virtual THttpResult Get(const std::string& AUrl, IHttpSink& ASink, const THttpOptions& AOptions = {},
                          const TReceiveDataEvent& AOnReceiveData = {}) = 0;
};

}  // namespace Core::Interfaces
