#include "Infrastructure/Platform/DefaultElevatedProcessRunner.h"

namespace Infrastructure::Platform {

namespace {

class TNoElevatedProcessRunner : public Core::Interfaces::IElevatedProcessRunner {
 public:
  Core::Interfaces::TElevatedStart StartElevated(const std::string&, const std::string&) override {
    Core::Interfaces::TElevatedStart result;
    result.ErrorMessage = "Execução com privilégios de administrador disponível somente no Windows";
    return result;
  }
};

}  // namespace

std::shared_ptr<Core::Interfaces::IElevatedProcessRunner> DefaultElevatedProcessRunner() {
  return std::make_shared<TNoElevatedProcessRunner>();
}

}  // namespace Infrastructure::Platform
