#pragma once
#include <string>
#include <vector>

#include "Core/ValueObjects/ConnectionConfig.h"

namespace Core::Interfaces {

// The outcome of one connection attempt.
struct TDatabaseConnectionResult {
  bool IsConnected = false;
  // Empty on success; otherwise the driver manager's and the server's own text.
  std::string ErrorMessage;
  // Always false as Connect returns it; callers that judge the settings set it.
  bool NeedsConfiguration = false;
};

// One connection to the application's database, plus the data-source
// operations of the ODBC manager. Each user creates its own instance; an
// instance is used by one thread at a time. No operation throws.
class IDatabaseService {
 public:
  virtual ~IDatabaseService() = default;

  // Closes the current connection first; failure is reported in the result only.
  virtual TDatabaseConnectionResult Connect(const Core::ValueObjects::TConnectionConfig& AConfig) = 0;
  virtual void Disconnect() = 0;
  // False as well when the server or the driver has dropped the connection.
  virtual bool IsConnected() = 0;
  // Connects and disconnects: the service ends disconnected either way.
  virtual bool TestConnection(const Core::ValueObjects::TConnectionConfig& AConfig) = 0;
  // The version recorded in the database; "" when not connected, on any
  // failure and when nothing is recorded.
  virtual std::string GetSystemVersion() = 0;
  // The databases of the server this service is connected to, as the driver
  // lists its catalogs; a driver that lists none gives the database it is
  // connected to. {} when not connected.
  virtual std::vector<std::string> GetDatabaseNames() = 0;
  virtual std::vector<std::string> GetODBCList() = 0;
  virtual std::vector<std::string> GetAvailableDrivers() = 0;
  virtual bool DriverExists(const std::string& ADriverName) = 0;
  // A per-user data source with the default description and no login.
  virtual bool CreateDSN(const std::string& ADSNName, const std::string& ADriver, const std::string& AServer,
                         const std::string& ADatabase) = 0;
  virtual bool DeleteDSN(const std::string& ADSNName) = 0;
  // False when not connected and on any failure.
  virtual bool TableExists(const std::string& ATableName) = 0;
};

}  // namespace Core::Interfaces
