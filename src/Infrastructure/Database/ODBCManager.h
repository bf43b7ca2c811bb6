#pragma once
// ODBC data sources and installed drivers, read and written directly in the
// registry keys ODBC keeps them in (no ODBC installer calls):
//   <hive>\Software\ODBC\ODBC.INI\ODBC Data Sources   name = driver name
//   <hive>\Software\ODBC\ODBC.INI\<name>               Driver (library), Description, Server, ...
//   HKLM\Software\ODBC\ODBCINST.INI\ODBC Drivers       one value per driver
//   HKLM\Software\ODBC\ODBCINST.INI\<driver>           Driver (library)
// The manager keeps no state besides the registry it works on; nothing here throws.
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Core/Interfaces/IDataSourceManager.h"
#include "Core/Interfaces/IRegistry.h"
#include "Core/ValueObjects/DSNConfig.h"
#include "Infrastructure/Platform/DefaultPorts.h"

namespace Infrastructure::Database {

class TODBCManager : public Core::Interfaces::IDataSourceManager {
 public:
  explicit TODBCManager(std::shared_ptr<Core::Interfaces::IRegistry> ARegistry = Platform::DefaultRegistry());

  // User data sources, then system ones, each in registry order; a name in
  // both hives is listed twice.
  std::vector<std::string> GetInstalledODBCs() const override;
  // The data source's own key exists under HKCU or HKLM (its list entry does not count).
  bool ODBCExists(const std::string& AName) const override;
  // The names listed under ODBCINST.INI\ODBC Drivers, in registry order.
  std::vector<std::string> GetAvailableDrivers() const override;
  // A whole name equal without regard to case, or an exact-case part of a
  // longer name ("SQL Server" is in "ODBC Driver 17 for SQL Server").
  bool DriverExists(const std::string& ADriverName) const override;
  // True without writing when the name exists in either hive. The list entry
  // is written before the data source's key, and stays if that key fails.
  bool CreateDSN(const Core::ValueObjects::TDSNConfig& AConfig, Core::ValueObjects::TODSNType ADSNType) const override;
  // Removes the list entry, then the key; true only when the key was deleted.
  bool DeleteDSN(const std::string& ADSNName, Core::ValueObjects::TODSNType ADSNType) const override;
  // The stored Server, Database, Description and Trusted_Connection (user hive
  // first), and the driver name of the list entry in that hive; defaults for
  // what is missing or not a text.
  Core::ValueObjects::TDSNConfig GetDSNConfig(const std::string& ADSNName) const override;
  // In the hive GetDSNConfig reads (user first): the key's Driver (library),
  // Description, Server and Database, then the list entry. An empty server or
  // database, or a driver without a known library, removes the stored value so
  // nothing of the old settings is left to contradict the new ones. Login
  // values are left as they are. False when the data source does not exist or a
  // write fails (a system data source without administrator rights).
  bool UpdateDSN(const Core::ValueObjects::TDSNConfig& AConfig) const override;

  // A name that can be a data source's key: not empty, no "\" (it would name
  // another key, even the list key's parent) and not the list key itself.
  static bool IsUsableDSNName(const std::string& AName);

  static constexpr const char* DataSourcesKey = "Software\\ODBC\\ODBC.INI\\ODBC Data Sources";
  static constexpr const char* DataSourceKeyPrefix = "Software\\ODBC\\ODBC.INI\\";
  static constexpr const char* DriversKey = "Software\\ODBC\\ODBCINST.INI\\ODBC Drivers";
  static constexpr const char* DriverKeyPrefix = "Software\\ODBC\\ODBCINST.INI\\";

 private:
  // Where the data source's own key is: the user's hive first.
  std::optional<Core::Interfaces::TRegistryHive> HiveOfDataSource(const std::string& AName) const;
  // The library a driver name is installed with; "" when unknown.
  std::string DriverLibrary(const std::string& ADriver) const;

  std::shared_ptr<Core::Interfaces::IRegistry> FRegistry;
};

}  // namespace Infrastructure::Database
