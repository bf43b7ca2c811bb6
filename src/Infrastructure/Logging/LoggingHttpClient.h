#pragma once
// Every request of the HTTP port written to the log: the address, the status
// and the bytes received, or why it failed.
#include <memory>

#include "Core/Interfaces/IHttpClient.h"
#include "Core/Interfaces/ILoggerService.h"

namespace Infrastructure::Logging {

class TLoggingHttpClient : public Core::Interfaces::IHttpClient {
 public:
  TLoggingHttpClient(std::shared_ptr<Core::Interfaces::IHttpClient> AInner,
                     std::shared_ptr<Core::Interfaces::ILoggerService> ALogger);
  Core::Interfaces::THttpResult Get(const std::string& AUrl, Core::Interfaces::IHttpSink& ASink,
                                    const Core::Interfaces::THttpOptions& AOptions = {},
                                    const Core::Interfaces::TReceiveDataEvent& AOnReceiveData = {}) override;

 private:
  std::shared_ptr<Core::Interfaces::IHttpClient> FInner;
  std::shared_ptr<Core::Interfaces::ILoggerService> FLogger;
};

}  // namespace Infrastructure::Logging
