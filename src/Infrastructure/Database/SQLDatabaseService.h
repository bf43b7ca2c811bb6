#pragma once
// The application's database through the ODBC API: odbc32 on Windows,
// unixODBC natively, from the same source. One connection per instance; the
// data-source operations go to the ODBC manager. No operation throws, and an
// instance may be created and used on any one thread (no COM, no window).
#include <memory>
#include <string>
#include <vector>

#include "Core/Interfaces/IDatabaseService.h"
#include "Core/Interfaces/IRegistry.h"
#include "Core/ValueObjects/ConnectionConfig.h"
#include "Infrastructure/Database/ODBCManager.h"
#include "Infrastructure/Platform/DefaultPorts.h"

namespace Infrastructure::Database {

class TSQLDatabaseService : public Core::Interfaces::IDatabaseService {
 public:
  // An unreachable server must not hold the caller (the configuration window
  // waits on it) for longer than this.
  static constexpr unsigned LoginTimeoutSeconds = 5;
  // Each statement; the same as the data-access layer's usual command time-out.
  static constexpr unsigned QueryTimeoutSeconds = 30;
  // Reads the version the database records (DESIGN: one statement for SQL
  // Server, PostgreSQL and SQLite alike).
  static constexpr const char* SystemVersionStatement = "SELECT Versao FROM QuorvaneSoftSistema";

  // AConfig is kept as a copy for reference only; the operations use the
  // configuration they are given.
  explicit TSQLDatabaseService(Core::ValueObjects::TConnectionConfig AConfig = {},
                               std::shared_ptr<Core::Interfaces::IRegistry> ARegistry = Platform::DefaultRegistry());
  ~TSQLDatabaseService() override;
  TSQLDatabaseService(const TSQLDatabaseService&) = delete;
  TSQLDatabaseService& operator=(const TSQLDatabaseService&) = delete;

  Core::Interfaces::TDatabaseConnectionResult Connect(const Core::ValueObjects::TConnectionConfig& AConfig) override;
  void Disconnect() override;
  bool IsConnected() override;
  bool TestConnection(const Core::ValueObjects::TConnectionConfig& AConfig) override;
  std::string GetSystemVersion() override;
  // SQLTables with SQL_ALL_CATALOGS (SQL Server lists every database; psqlODBC
  // only the current one; SQLite has no catalogs), else the current catalog or
  // the driver's database name.
  std::vector<std::string> GetDatabaseNames() override;
  std::vector<std::string> GetODBCList() override;
  std::vector<std::string> GetAvailableDrivers() override;
  bool DriverExists(const std::string& ADriverName) override;
  bool CreateDSN(const std::string& ADSNName, const std::string& ADriver, const std::string& AServer,
                 const std::string& ADatabase) override;
  bool DeleteDSN(const std::string& ADSNName) override;
  // Asks INFORMATION_SCHEMA.TABLES for the exact name (SQL Server, PostgreSQL;
  // a database without that schema, such as SQLite, answers false).
  bool TableExists(const std::string& ATableName) override;

  const Core::ValueObjects::TConnectionConfig& ConnectionConfig() const { return FConnectionConfig; }

 private:
  struct TState;  // the ODBC handles, kept out of this header (<sql.h> needs <windows.h>)

  Core::ValueObjects::TConnectionConfig FConnectionConfig;
  TODBCManager FODBCManager;
  std::unique_ptr<TState> FState;
  bool FIsConnected = false;
};

}  // namespace Infrastructure::Database
