#pragma once
// Connection settings for the database peers started by
// tests/fixtures/servers/postgres.sh (PostgreSQL and SQLite through their real
// ODBC drivers). A missing peer fails the calling test: these tests never pass
// without a real database behind them.
#include <gtest/gtest.h>

#include <string>

#include "Core/ValueObjects/ConnectionConfig.h"
#include "support/TestServers.h"

namespace TestSupport {

inline std::string DatabasePeerValue(const std::string& AName) {
  const std::optional<std::string> value = TestServerValue(AName);
  if (!value) ADD_FAILURE() << "database peer value \"" << AName << "\" missing: run the tests through ctest";
  return value.value_or("");
}

// A data source of the fixture's odbc.ini ($ODBCINI) with the test login.
inline Core::ValueObjects::TConnectionConfig PeerDSN(const std::string& ADSN) {
  Core::ValueObjects::TConnectionConfig config;
  config.SetConnectionType(Core::ValueObjects::TConnectionType::ODBC);
  config.SetODBCName(ADSN);
  config.SetUser(DatabasePeerValue("pg.user"));
  config.SetPassword(DatabasePeerValue("pg.password"));
  return config;
}

// The PostgreSQL driver with server and database given directly (the port
// comes from the fixture's libpq service).
inline Core::ValueObjects::TConnectionConfig PeerPostgresDirect(const std::string& ADatabase = "ql_teste") {
  Core::ValueObjects::TConnectionConfig config;
  config.SetConnectionType(Core::ValueObjects::TConnectionType::Direct);
  config.SetDriver("PostgreSQL Unicode");
  config.SetServer("127.0.0.1");
  config.SetDatabase(ADatabase);
  config.SetUser(DatabasePeerValue("pg.user"));
  config.SetPassword(DatabasePeerValue("pg.password"));
  return config;
}

// The SQLite driver on one of the fixture's database files (AFile: "versao",
// "semlinha", "nulo"). The driver runs on the host, so the path is the host's
// even under Wine. SQLite ignores server and login; the settings still need them.
inline Core::ValueObjects::TConnectionConfig PeerSQLiteDirect(const std::string& AFile) {
  Core::ValueObjects::TConnectionConfig config;
  config.SetConnectionType(Core::ValueObjects::TConnectionType::Direct);
  config.SetDriver("SQLite3");
  config.SetServer("local");
  config.SetDatabase(DatabasePeerValue("sqlite." + AFile));
  config.SetUser("teste");
  return config;
}

}  // namespace TestSupport
