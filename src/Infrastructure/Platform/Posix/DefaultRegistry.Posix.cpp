#include "Infrastructure/Platform/DefaultRegistry.h"

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

}  // namespace

std::shared_ptr<IRegistry> DefaultRegistry() {
  return std::make_shared<TNoRegistry>();
}

}  // namespace Infrastructure::Platform
