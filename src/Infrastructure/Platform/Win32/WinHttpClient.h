#pragma once
#include "Core/Interfaces/IHttpClient.h"

namespace Infrastructure::Platform::Win32 {

// The HTTP port over WinHTTP: the system's proxy settings, HTTPS, time-outs
// and redirects as the options say. Stateless: every Get opens its own
// session, so one client may serve several threads.
class TWinHttpClient : public Core::Interfaces::IHttpClient {
 public:
  Core::Interfaces::THttpResult Get(const std::string& AUrl, Core::Interfaces::IHttpSink& ASink,
                                    const Core::Interfaces::THttpOptions& AOptions = {},
                                    const Core::Interfaces::TReceiveDataEvent& AOnReceiveData = {}) override;
};

}  // namespace Infrastructure::Platform::Win32
