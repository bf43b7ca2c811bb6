#include "Infrastructure/Logging/LoggingHttpClient.h"

namespace Infrastructure::Logging {

using namespace Core::Interfaces;

namespace {

class TCountingSink final : public IHttpSink {
 public:
  explicit TCountingSink(IHttpSink& AInner) : FInner(AInner) {}
  void Begin(const THttpResult& AAnswer) override { FInner.Begin(AAnswer); }
  void Write(const void* AData, size_t ASize) override {
    FInner.Write(AData, ASize);
    FBytes += static_cast<int64_t>(ASize);
  }
  int64_t Bytes() const { return FBytes; }

 private:
  IHttpSink& FInner;
  int64_t FBytes = 0;
};

}  // namespace

TLoggingHttpClient::TLoggingHttpClient(std::shared_ptr<IHttpClient> AInner, std::shared_ptr<ILoggerService> ALogger)
    : FInner(std::move(AInner)), FLogger(std::move(ALogger)) {}

THttpResult TLoggingHttpClient::Get(const std::string& AUrl, IHttpSink& ASink, const THttpOptions& AOptions,
                                    const TReceiveDataEvent& AOnReceiveData) {
  std::string range;
  if (AOptions.Range)
    range = " (bytes " + std::to_string(AOptions.Range->First) + "-" + std::to_string(AOptions.Range->Last) +
            (AOptions.IfRange.empty() ? "" : ", If-Range " + AOptions.IfRange) + ")";
  FLogger->Info("HTTP - GET " + AUrl + range);
  TCountingSink counting(ASink);
  const THttpResult result = FInner->Get(AUrl, counting, AOptions, AOnReceiveData);
  const std::string summary = "HTTP - " + AUrl + ": status " + std::to_string(result.StatusCode) + ", " +
                              std::to_string(counting.Bytes()) + " bytes" +
                              (result.ContentRange.empty() ? "" : ", Content-Range " + result.ContentRange);
  if (result.Succeeded())
    FLogger->Info(summary);
  else
    FLogger->Warning(summary + (result.ErrorMessage.empty() ? "" : ", " + result.ErrorMessage));
  return result;
}

}  // namespace Infrastructure::Logging
