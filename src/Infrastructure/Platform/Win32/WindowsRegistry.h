#pragma once
#include "Core/Interfaces/IRegistry.h"

namespace Infrastructure::Platform::Win32 {

// The registry through advapi32, in the process's default view: a 32-bit
// launcher sees the keys that 32-bit ODBC and the BDE use.
class TWindowsRegistry : public Core::Interfaces::IRegistry {
public:
  bool KeyExists(Core::Interfaces::TRegistryHive AHive, const std::string& AKey) override;
  std::vector<std::string> GetValueNames(Core::Interfaces::TRegistryHive AHive, const std::string& AKey) override;
  Core::Interfaces::TRegistryValueType GetValueType(Core::Interfaces::TRegistryHive AHive, const std::string& AKey,
                                                    const std::string& AName) override;
  std::optional<std::string> ReadString(Core::Interfaces::TRegistryHive AHive, const std::string& AKey,
                                        const std::string& AName) override;
  bool CreateKey(Core::Interfaces::TRegistryHive AHive, const std::string& AKey) override;
  bool WriteString(Core::Interfaces::TRegistryHive AHive, const std::string& AKey, const std::string& AName,
                   const std::string& AValue) override;
  bool DeleteValue(Core::Interfaces::TRegistryHive AHive, const std::string& AKey, const std::string& AName) override;
  bool DeleteKey(Core::Interfaces::TRegistryHive AHive, const std::string& AKey) override;
};

}  // namespace Infrastructure::Platform::Win32
