#pragma once
// ODBC data sources and installed drivers, as the configuration logic sees them.
#include <string>
#include <vector>

#include "Core/ValueObjects/DSNConfig.h"

namespace Core::Interfaces {

class IDataSourceManager {
 public:
  virtual ~IDataSourceManager() = default;
  // User data sources, then system ones; a name in both is listed twice.
  virtual std::vector<std::string> GetInstalledODBCs() const = 0;
  virtual bool ODBCExists(const std::string& AName) const = 0;
  virtual std::vector<std::string> GetAvailableDrivers() const = 0;
  virtual bool DriverExists(const std::string& ADriverName) const = 0;
  virtual bool CreateDSN(const Core::ValueObjects::TDSNConfig& AConfig,
                         Core::ValueObjects::TODSNType ADSNType) const = 0;
  virtual bool DeleteDSN(const std::string& ADSNName, Core::ValueObjects::TODSNType ADSNType) const = 0;
  virtual Core::ValueObjects::TDSNConfig GetDSNConfig(const std::string& ADSNName) const = 0;
  // Rewrites the driver, server, database and description of an existing data
  // source where it lives; false when there is none or it cannot be written.
  virtual bool UpdateDSN(const Core::ValueObjects::TDSNConfig& AConfig) const = 0;
};

}  // namespace Core::Interfaces
