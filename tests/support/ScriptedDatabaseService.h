#pragma once
// A database service that answers from a script and records what it was
// asked, for unit tests of the decisions above it. The real one is tested
// against PostgreSQL and SQLite.
#include <string>
#include <vector>

#include "Core/Interfaces/IDatabaseService.h"

namespace TestSupport {

class TScriptedDatabaseService : public Core::Interfaces::IDatabaseService {
public:
  Core::Interfaces::TDatabaseConnectionResult ConnectAnswer{true, "", false};
  std::string SystemVersion;
  std::vector<std::string> DatabaseNames;
  std::vector<std::string> Calls;
  std::string LastConnectionString;
  bool Connected = false;

  Core::Interfaces::TDatabaseConnectionResult Connect(const Core::ValueObjects::TConnectionConfig& AConfig) override {
    Calls.push_back("Connect");
    LastConnectionString = AConfig.BuildConnectionString();
    Connected = ConnectAnswer.IsConnected;
    return ConnectAnswer;
  }
  void Disconnect() override {
    Calls.push_back("Disconnect");
    Connected = false;
  }
  bool IsConnected() override { return Connected; }
  bool TestConnection(const Core::ValueObjects::TConnectionConfig& AConfig) override {
    const bool connected = Connect(AConfig).IsConnected;
    Disconnect();
    return connected;
  }
  std::string GetSystemVersion() override {
    Calls.push_back("GetSystemVersion");
    return SystemVersion;
  }
  std::vector<std::string> GetDatabaseNames() override {
    Calls.push_back("GetDatabaseNames");
    return Connected ? DatabaseNames : std::vector<std::string>{};
  }
  std::vector<std::string> GetODBCList() override { return {}; }
  std::vector<std::string> GetAvailableDrivers() override { return {}; }
  bool DriverExists(const std::string&) override { return false; }
  bool CreateDSN(const std::string&, const std::string&, const std::string&, const std::string&) override {
    return false;
  }
  bool DeleteDSN(const std::string&) override { return false; }
  bool TableExists(const std::string&) override { return false; }
};

}  // namespace TestSupport
