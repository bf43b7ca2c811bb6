#include "Infrastructure/Database/ODBCManager.h"

#include <optional>
#include <utility>

#include "Core/Errors.h"
#include "Core/Text/TextUtils.h"

namespace Infrastructure::Database {

using Core::Interfaces::TRegistryHive;
using Core::ValueObjects::TDSNConfig;
using Core::ValueObjects::TODSNType;

namespace {

TRegistryHive HiveOf(TODSNType AType) {
  return AType == TODSNType::User ? TRegistryHive::CurrentUser : TRegistryHive::LocalMachine;
}

std::string DataSourceKey(const std::string& AName) {
  return TODBCManager::DataSourceKeyPrefix + AName;
}

// A value that is missing or holds no text reads as absent.
std::optional<std::string> ReadText(Core::Interfaces::IRegistry& ARegistry, TRegistryHive AHive,
                                    const std::string& AKey, const std::string& AName) {
  try {
    return ARegistry.ReadString(AHive, AKey, AName);
  } catch (const Core::ERegistryError&) {
    return std::nullopt;
  }
}

}  // namespace

TODBCManager::TODBCManager(std::shared_ptr<Core::Interfaces::IRegistry> ARegistry) : FRegistry(std::move(ARegistry)) {}

bool TODBCManager::IsUsableDSNName(const std::string& AName) {
  return !AName.empty() && AName.find('\\') == std::string::npos &&
         !Core::Text::SameTextAscii(AName, "ODBC Data Sources");
}

std::vector<std::string> TODBCManager::GetInstalledODBCs() const {
  std::vector<std::string> names = FRegistry->GetValueNames(TRegistryHive::CurrentUser, DataSourcesKey);
  for (std::string& name : FRegistry->GetValueNames(TRegistryHive::LocalMachine, DataSourcesKey))
    names.push_back(std::move(name));
  return names;
}

bool TODBCManager::ODBCExists(const std::string& AName) const {
  return HiveOfDataSource(AName).has_value();
}

std::vector<std::string> TODBCManager::GetAvailableDrivers() const {
  return FRegistry->GetValueNames(TRegistryHive::LocalMachine, DriversKey);
}

bool TODBCManager::DriverExists(const std::string& ADriverName) const {
  if (ADriverName.empty()) return false;
  const std::vector<std::string> drivers = GetAvailableDrivers();
  if (Core::Text::IndexOfTextAscii(drivers, ADriverName) >= 0) return true;
  for (const std::string& driver : drivers)
    if (driver.find(ADriverName) != std::string::npos) return true;
  return false;
}

bool TODBCManager::CreateDSN(const TDSNConfig& AConfig, TODSNType ADSNType) const {
  const std::string& name = AConfig.DSNName();
  if (!IsUsableDSNName(name) || AConfig.Driver().empty()) return false;
  if (ODBCExists(name)) return true;
  const TRegistryHive hive = HiveOf(ADSNType);

  // Without rights on the hive the list entry is skipped; the key below then fails too.
  if (FRegistry->CreateKey(hive, DataSourcesKey)) FRegistry->WriteString(hive, DataSourcesKey, name, AConfig.Driver());

  const std::string library = DriverLibrary(AConfig.Driver());

  const std::string key = DataSourceKey(name);
  if (!FRegistry->CreateKey(hive, key)) return false;
  auto write = [&](const char* AName, const std::string& AValue) {
    return FRegistry->WriteString(hive, key, AName, AValue);
  };
  if (!library.empty() && !write("Driver", library)) return false;
  if (!write("Description", AConfig.Description())) return false;
  if (!AConfig.Server().empty() && !write("Server", AConfig.Server())) return false;
  if (!AConfig.Database().empty() && !write("Database", AConfig.Database())) return false;
  if (AConfig.TrustedConnection()) return write("Trusted_Connection", "Yes");
  if (!AConfig.User().empty()) return write("LastUser", AConfig.User());
  return true;
}

bool TODBCManager::DeleteDSN(const std::string& ADSNName, TODSNType ADSNType) const {
  if (!IsUsableDSNName(ADSNName)) return false;
  const TRegistryHive hive = HiveOf(ADSNType);
  if (FRegistry->KeyExists(hive, DataSourcesKey) && FRegistry->ValueExists(hive, DataSourcesKey, ADSNName))
    FRegistry->DeleteValue(hive, DataSourcesKey, ADSNName);
  const std::string key = DataSourceKey(ADSNName);
  return FRegistry->KeyExists(hive, key) && FRegistry->DeleteKey(hive, key);
}

std::optional<TRegistryHive> TODBCManager::HiveOfDataSource(const std::string& AName) const {
  if (!IsUsableDSNName(AName)) return std::nullopt;
  for (const TRegistryHive hive : {TRegistryHive::CurrentUser, TRegistryHive::LocalMachine})
    if (FRegistry->KeyExists(hive, DataSourceKey(AName))) return hive;
  return std::nullopt;
}

std::string TODBCManager::DriverLibrary(const std::string& ADriver) const {
  return ReadText(*FRegistry, TRegistryHive::LocalMachine, DriverKeyPrefix + ADriver, "Driver").value_or("");
}

TDSNConfig TODBCManager::GetDSNConfig(const std::string& ADSNName) const {
  TDSNConfig config;
  config.SetDSNName(ADSNName);
  const std::optional<TRegistryHive> found = HiveOfDataSource(ADSNName);
  if (!found) return config;
  const TRegistryHive hive = *found;
  const std::string key = DataSourceKey(ADSNName);
  // The key's own "Driver" is a library path; the name is in the list entry.
  if (auto value = ReadText(*FRegistry, hive, DataSourcesKey, ADSNName); value && !value->empty())
    config.SetDriver(std::move(*value));
  if (auto value = ReadText(*FRegistry, hive, key, "Server")) config.SetServer(std::move(*value));
  if (auto value = ReadText(*FRegistry, hive, key, "Database")) config.SetDatabase(std::move(*value));
  if (auto value = ReadText(*FRegistry, hive, key, "Description")) config.SetDescription(std::move(*value));
  if (auto value = ReadText(*FRegistry, hive, key, "Trusted_Connection"))
    config.SetTrustedConnection(Core::Text::SameTextAscii(*value, "Yes"));
  return config;
}

bool TODBCManager::UpdateDSN(const TDSNConfig& AConfig) const {
  const std::string& name = AConfig.DSNName();
  if (AConfig.Driver().empty()) return false;
  const std::optional<TRegistryHive> found = HiveOfDataSource(name);
  if (!found) return false;
  const TRegistryHive hive = *found;
  const std::string key = DataSourceKey(name);
  auto put = [&](const char* AName, const std::string& AValue) {
    if (!AValue.empty()) return FRegistry->WriteString(hive, key, AName, AValue);
    return !FRegistry->ValueExists(hive, key, AName) || FRegistry->DeleteValue(hive, key, AName);
  };
  const std::string library = DriverLibrary(AConfig.Driver());
  if (!put("Driver", library)) return false;
  if (!FRegistry->WriteString(hive, key, "Description", AConfig.Description())) return false;
  if (!put("Server", AConfig.Server())) return false;
  if (!put("Database", AConfig.Database())) return false;
  return FRegistry->CreateKey(hive, DataSourcesKey) &&
         FRegistry->WriteString(hive, DataSourcesKey, name, AConfig.Driver());
}

}  // namespace Infrastructure::Database
