#include "Infrastructure/Platform/DefaultClients.h"

namespace Infrastructure::Platform {

namespace {

using namespace Core::Interfaces;

class TNoHttpClient : public IHttpClient {
 public:
  THttpResult Get(const std::string&, IHttpSink&, const THttpOptions&, const TReceiveDataEvent&) override {
    THttpResult result;
    result.ErrorMessage = "HTTP indisponível nesta plataforma";
    return result;
  }
};

class TNoProcessLauncher : public IProcessLauncher {
 public:
  TProcessStartResult Open(const std::string&, const std::string&, const std::string&) override {
    return {false, "Execução de programas indisponível nesta plataforma"};
  }
};

}  // namespace

std::shared_ptr<IHttpClient> DefaultHttpClient() {
  return std::make_shared<TNoHttpClient>();
}
std::shared_ptr<IProcessLauncher> DefaultProcessLauncher() {
  return std::make_shared<TNoProcessLauncher>();
}

}  // namespace Infrastructure::Platform
