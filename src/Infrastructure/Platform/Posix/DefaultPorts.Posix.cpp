#include "Infrastructure/Platform/DefaultPorts.h"

namespace Infrastructure::Platform {

namespace {

using namespace Core::Interfaces;

class TNoRegistry : public IRegistry {
 public:
  bool KeyExists(TRegistryHive, const std::string&) override { return false; }
  std::vector<std::string> GetValueNames(TRegistryHive, const std::string&) override { return {}; }
  TRegistryValueType GetValueType(TRegistryHive, const std::string&, const std::string&) override {
    return TRegistryValueType::Missing;
  }
  std::optional<std::string> ReadString(TRegistryHive, const std::string&, const std::string&) override {
    return std::nullopt;
  }
  bool CreateKey(TRegistryHive, const std::string&) override { return false; }
  bool WriteString(TRegistryHive, const std::string&, const std::string&, const std::string&) override { return false; }
  bool DeleteValue(TRegistryHive, const std::string&, const std::string&) override { return false; }
  bool DeleteKey(TRegistryHive, const std::string&) override { return false; }
};

class TNoVersionResources : public IVersionResourceReader {
 public:
  TVersionResource Read(const std::string&) override { return {}; }
};

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

class TNoElevatedProcessRunner : public Core::Interfaces::IElevatedProcessRunner {
 public:
  Core::Interfaces::TElevatedStart StartElevated(const std::string&, const std::string&) override {
    Core::Interfaces::TElevatedStart result;
    result.ErrorMessage = "Execução com privilégios de administrador disponível somente no Windows";
    return result;
  }
};

}  // namespace

std::shared_ptr<IRegistry> DefaultRegistry() {
  return std::make_shared<TNoRegistry>();
}

std::shared_ptr<IVersionResourceReader> DefaultVersionResourceReader() {
  return std::make_shared<TNoVersionResources>();
}

std::shared_ptr<IHttpClient> DefaultHttpClient() {
  return std::make_shared<TNoHttpClient>();
}
std::shared_ptr<IProcessLauncher> DefaultProcessLauncher() {
  return std::make_shared<TNoProcessLauncher>();
}

std::shared_ptr<Core::Interfaces::IElevatedProcessRunner> DefaultElevatedProcessRunner() {
  return std::make_shared<TNoElevatedProcessRunner>();
}

}  // namespace Infrastructure::Platform
