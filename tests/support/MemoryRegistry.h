#pragma once
// An in-memory registry for unit tests of decisions made over the registry
// port; the Windows registry itself is tested under Wine.
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "Core/Interfaces/IRegistry.h"

namespace TestSupport {

class TMemoryRegistry : public Core::Interfaces::IRegistry {
public:
  using THive = Core::Interfaces::TRegistryHive;
  using TType = Core::Interfaces::TRegistryValueType;

  bool KeyExists(THive AHive, const std::string& AKey) override;
  std::vector<std::string> GetValueNames(THive AHive, const std::string& AKey) override;
  TType GetValueType(THive AHive, const std::string& AKey, const std::string& AName) override;
  std::optional<std::string> ReadString(THive AHive, const std::string& AKey, const std::string& AName) override;
  bool CreateKey(THive AHive, const std::string& AKey) override;
  bool WriteString(THive AHive, const std::string& AKey, const std::string& AName, const std::string& AValue) override;
  bool DeleteValue(THive AHive, const std::string& AKey, const std::string& AName) override;
  bool DeleteKey(THive AHive, const std::string& AKey) override;

  // Test set-up: a value of any type (the key is created).
  void Put(THive AHive, const std::string& AKey, const std::string& AName, const std::string& AData,
           TType AType = TType::String);
  // Makes a hive refuse writes, as HKEY_LOCAL_MACHINE does for a user without elevation.
  void SetReadOnly(THive AHive, bool AReadOnly) { FReadOnly[static_cast<int>(AHive)] = AReadOnly; }

  struct TValue {
    std::string Name;
    std::string Data;
    TType Type;
  };
  // Every write, in order, as "hive\key\name=data": lets tests check write order.
  std::vector<std::string> Writes;

private:
  struct TKey {
    std::vector<TValue> Values;  // in creation order, as the registry lists them
  };
  using TKeyMap = std::map<std::string, TKey>;  // by lower-cased path
  TKey* Find(THive AHive, const std::string& AKey);
  TKeyMap& Hive(THive AHive) { return FHives[static_cast<int>(AHive)]; }

  TKeyMap FHives[2];
  bool FReadOnly[2] = {false, false};
};

}  // namespace TestSupport
