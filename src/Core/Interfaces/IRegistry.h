#pragma once
// The registry port. Key paths are relative to the hive ("Software\ODBC\...")
// and always in the default view of the process (the 32-bit one for the launcher).
#include <optional>
#include <string>
#include <vector>

namespace Core::Interfaces {

enum class TRegistryHive { CurrentUser, LocalMachine };

enum class TRegistryValueType { Missing, String, ExpandString, MultiString, DWord, QWord, Binary, Other };

class IRegistry {
public:
  virtual ~IRegistry() = default;

  // The key opens for reading.
  virtual bool KeyExists(TRegistryHive AHive, const std::string& AKey) = 0;
  // Value names in the order the registry lists them; empty when the key is missing.
  virtual std::vector<std::string> GetValueNames(TRegistryHive AHive, const std::string& AKey) = 0;
  // Missing when the key or the value does not exist.
  virtual TRegistryValueType GetValueType(TRegistryHive AHive, const std::string& AKey, const std::string& AName) = 0;
  // A string or expandable string value as stored (nothing expanded); nullopt when
  // the key or value is missing. Throws Core::ERegistryError for a value of another type.
  virtual std::optional<std::string> ReadString(TRegistryHive AHive, const std::string& AKey,
                                                const std::string& AName) = 0;

  // Opens the key for writing, creating it and its parents when missing.
  virtual bool CreateKey(TRegistryHive AHive, const std::string& AKey) = 0;
  // Writes a string value into an existing key; false when the key does not open for writing.
  virtual bool WriteString(TRegistryHive AHive, const std::string& AKey, const std::string& AName,
                           const std::string& AValue) = 0;
  // False when the value or its key is missing or cannot be deleted.
  virtual bool DeleteValue(TRegistryHive AHive, const std::string& AKey, const std::string& AName) = 0;
  // Deletes the key with everything below it; false when it is missing or cannot be deleted.
  virtual bool DeleteKey(TRegistryHive AHive, const std::string& AKey) = 0;

  bool ValueExists(TRegistryHive AHive, const std::string& AKey, const std::string& AName) {
    return GetValueType(AHive, AKey, AName) != TRegistryValueType::Missing;
  }
};

}  // namespace Core::Interfaces
