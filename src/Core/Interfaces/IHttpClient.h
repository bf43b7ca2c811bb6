#pragma once
// The HTTP port: one GET whose body goes to a sink as it arrives. The Win32
// adapter is WinHTTP; tests of the callers use scripted stand-ins.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "Core/Errors.h"

namespace Core::Interfaces {

// Where the body goes, block by block. A write that fails throws; the
// transfer then ends as a failure carrying the exception's text.
class IHttpSink {
 public:
  virtual ~IHttpSink() = default;
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
};

struct THttpResult {
  // An answer arrived and its whole body went into the sink.
  bool Completed = false;
  // Status of the final answer; 0 when none arrived.
  int StatusCode = 0;
  // Why the transfer did not complete, in Portuguese; empty when it did.
  std::string ErrorMessage;

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
