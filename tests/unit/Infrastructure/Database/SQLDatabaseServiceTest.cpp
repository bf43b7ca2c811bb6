// The database service against real servers through real ODBC drivers:
// PostgreSQL (psqlODBC) and SQLite (sqliteodbc), natively through unixODBC and
// under Wine through odbc32. The peers come from tests/fixtures/servers/postgres.sh.
#include "Infrastructure/Database/SQLDatabaseService.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#endif
#include <sql.h>
#include <sqlext.h>

#include "Core/Text/Unicode.h"
#include "support/DatabasePeers.h"
#include "support/MemoryRegistry.h"

using Core::ValueObjects::TConnectionConfig;
using Infrastructure::Database::TSQLDatabaseService;
using TestSupport::PeerDSN;
using TestSupport::PeerPostgresDirect;
using TestSupport::PeerSQLiteDirect;

namespace {

TSQLDatabaseService NewService() {
  return TSQLDatabaseService({}, std::make_shared<TestSupport::TMemoryRegistry>());
}

// One statement over a connection of its own, outside the service under test.
// Answers whether the connection opened (the statement may fail).
bool RunStatement(const TConnectionConfig& AConfig, const std::string& ASql) {
  SQLHENV environment = SQL_NULL_HENV;
  SQLHDBC connection = SQL_NULL_HDBC;
  SQLHSTMT statement = SQL_NULL_HSTMT;
  SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &environment);
  SQLSetEnvAttr(environment, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
  SQLAllocHandle(SQL_HANDLE_DBC, environment, &connection);
  std::u16string text = Core::Text::Utf8ToUtf16(AConfig.BuildConnectionString());
  const bool opened = SQL_SUCCEEDED(SQLDriverConnectW(connection, nullptr, reinterpret_cast<SQLWCHAR*>(text.data()),
                                                      SQL_NTS, nullptr, 0, nullptr, SQL_DRIVER_NOPROMPT));
  if (opened) {
    SQLAllocHandle(SQL_HANDLE_STMT, connection, &statement);
    std::u16string sql = Core::Text::Utf8ToUtf16(ASql);
    SQLExecDirectW(statement, reinterpret_cast<SQLWCHAR*>(sql.data()), SQL_NTS);
    SQLFreeHandle(SQL_HANDLE_STMT, statement);
    SQLDisconnect(connection);
  }
  SQLFreeHandle(SQL_HANDLE_DBC, connection);
  SQLFreeHandle(SQL_HANDLE_ENV, environment);
  return opened;
}

struct TReachableCase {
  const char* Name;
  TConnectionConfig Config;
  const char* Version;
};

}  // namespace

TEST(SQLDatabaseService, ConnectsReadsTheVersionAndDisconnectsThroughRealDrivers) {
  const TReachableCase cases[] = {
      // The password holds ";" and "}", so it only arrives when braced.
      {"PostgreSQL data source", PeerDSN("QL_PG"), "2.5.0.1"},
      {"PostgreSQL driver settings", PeerPostgresDirect(), "2.5.0.1"},
      {"SQLite data source", PeerDSN("QL_SQLite"), "3.1.4.1"},
      {"SQLite driver settings", PeerSQLiteDirect("versao"), "3.1.4.1"},
  };
  for (const TReachableCase& c : cases) {
    SCOPED_TRACE(c.Name);
    TSQLDatabaseService service = NewService();
    const auto result = service.Connect(c.Config);
    ASSERT_TRUE(result.IsConnected) << result.ErrorMessage;
    EXPECT_EQ(result.ErrorMessage, "");
    EXPECT_FALSE(result.NeedsConfiguration);
    EXPECT_TRUE(service.IsConnected());
    EXPECT_EQ(service.GetSystemVersion(), c.Version);
    EXPECT_EQ(service.GetSystemVersion(), c.Version);  // statements do not pile up
    service.Disconnect();
    EXPECT_FALSE(service.IsConnected());
    EXPECT_EQ(service.GetSystemVersion(), "");
    service.Disconnect();
  }
}

TEST(SQLDatabaseService, NoRecordedVersionReadsEmptyAndKeepsTheConnection) {
  const std::pair<const char*, TConnectionConfig> cases[] = {
      {"no version table", PeerPostgresDirect("ql_vazio")},
      {"a NULL version", PeerPostgresDirect("ql_nulo")},
      {"no row", PeerSQLiteDirect("semlinha")},
      {"a NULL version in SQLite", PeerSQLiteDirect("nulo")},
  };
  for (const auto& [name, config] : cases) {
    SCOPED_TRACE(name);
    TSQLDatabaseService service = NewService();
    ASSERT_TRUE(service.Connect(config).IsConnected);
    EXPECT_EQ(service.GetSystemVersion(), "");
    EXPECT_TRUE(service.IsConnected());  // a failed statement is no broken connection
  }
}

TEST(SQLDatabaseService, FailuresCarryTheDriversOwnText) {
  TConnectionConfig wrongPassword = PeerDSN("QL_PG");
  wrongPassword.SetPassword("errada");
  TConnectionConfig unknownDriver = PeerPostgresDirect();
  unknownDriver.SetDriver("Driver Inexistente QL");
  const std::pair<TConnectionConfig, const char*> cases[] = {
      {PeerDSN("QL_Nao_Existe"), "Data source name not found"},
      {unknownDriver, "Driver Inexistente QL"},
      {wrongPassword, "password authentication failed"},
      {PeerPostgresDirect("ql_nao_existe"), "\"ql_nao_existe\" does not exist"},
      {PeerDSN("QL_Fechado"), "refused"},
      // A server that never answers: the login time-out ends the attempt.
      {PeerDSN("QL_Silencioso"), "timeout expired"},
  };
  for (const auto& [config, expected] : cases) {
    SCOPED_TRACE(config.BuildConnectionString());
    TSQLDatabaseService service = NewService();
    const auto result = service.Connect(config);
    EXPECT_FALSE(result.IsConnected);
    EXPECT_NE(result.ErrorMessage.find(expected), std::string::npos) << result.ErrorMessage;
    EXPECT_FALSE(service.IsConnected());
    EXPECT_EQ(service.GetSystemVersion(), "");
  }
}

TEST(SQLDatabaseService, SettingsNoDriverCanTakeGiveAClearMessage) {
  TConnectionConfig withNul = PeerDSN("QL_PG");
  withNul.SetPassword(std::string("abc\0def", 7));
  TConnectionConfig tooLong = PeerDSN("QL_PG");
  tooLong.SetPassword(std::string(40000, 'x'));
  for (const TConnectionConfig& config : {withNul, tooLong}) {
    TSQLDatabaseService service = NewService();
    const auto result = service.Connect(config);
    EXPECT_FALSE(result.IsConnected);
    EXPECT_NE(result.ErrorMessage.find("configurações de conexão"), std::string::npos) << result.ErrorMessage;
  }
}

TEST(SQLDatabaseService, ConnectClosesThePreviousConnectionFirst) {
  TSQLDatabaseService service = NewService();
  ASSERT_TRUE(service.Connect(PeerDSN("QL_PG")).IsConnected);
  ASSERT_TRUE(service.Connect(PeerSQLiteDirect("versao")).IsConnected);
  EXPECT_EQ(service.GetSystemVersion(), "3.1.4.1");

  TConnectionConfig wrong = PeerDSN("QL_PG");
  wrong.SetPassword("errada");
  EXPECT_FALSE(service.Connect(wrong).IsConnected);
  EXPECT_FALSE(service.IsConnected());
  EXPECT_EQ(service.GetSystemVersion(), "");
}

TEST(SQLDatabaseService, TestConnectionAlwaysEndsDisconnected) {
  TSQLDatabaseService service = NewService();
  ASSERT_TRUE(service.Connect(PeerSQLiteDirect("versao")).IsConnected);
  EXPECT_TRUE(service.TestConnection(PeerDSN("QL_PG")));
  EXPECT_FALSE(service.IsConnected());
  EXPECT_FALSE(service.TestConnection(PeerDSN("QL_Fechado")));
  EXPECT_FALSE(service.IsConnected());
}

TEST(SQLDatabaseService, NeverConnectedAnswersEmptyWithoutADatabase) {
  TSQLDatabaseService service = NewService();
  EXPECT_FALSE(service.IsConnected());
  EXPECT_EQ(service.GetSystemVersion(), "");
  EXPECT_FALSE(service.TableExists("QuorvaneSoftSistema"));
  EXPECT_TRUE(service.GetDatabaseNames().empty());
  service.Disconnect();
}

TEST(SQLDatabaseService, DatabaseNamesAreWhatTheDriverListsOrTheOneConnectedTo) {
  const std::string sqliteFile = TestSupport::DatabasePeerValue("sqlite.versao");
  const struct {
    const char* Name;
    TConnectionConfig Config;
    std::vector<std::string> Expected;
  } cases[] = {
      // psqlODBC lists the current database only, not the server's others.
      {"PostgreSQL driver settings", PeerPostgresDirect("ql_vazio"), {"ql_vazio"}},
      {"PostgreSQL data source", PeerDSN("QL_PG"), {"ql_teste"}},
      // SQLite has no catalogs (one row with a null name): its database is the file.
      {"SQLite", PeerSQLiteDirect("versao"), {sqliteFile}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    TSQLDatabaseService service = NewService();
    ASSERT_TRUE(service.Connect(c.Config).IsConnected);
    EXPECT_EQ(service.GetDatabaseNames(), c.Expected);
    EXPECT_TRUE(service.IsConnected());  // the catalog statement leaves the connection usable
    service.Disconnect();
    EXPECT_TRUE(service.GetDatabaseNames().empty());
  }
}

TEST(SQLDatabaseService, TableExistsTakesTheNameAsAValueNeverAsSql) {
  TSQLDatabaseService service = NewService();
  ASSERT_TRUE(service.Connect(PeerPostgresDirect()).IsConnected);
  const std::pair<const char*, bool> cases[] = {
      {"quorvanesoftsistema", true},  // PostgreSQL keeps unquoted names in lower case
      {"nao_existe", false},
      {"x' OR '1'='1", false},  // spliced into the text this would count every table
      {"O'Brien", false},
      {"", false},
  };
  for (const auto& [name, expected] : cases) {
    SCOPED_TRACE(name);
    EXPECT_EQ(service.TableExists(name), expected);
    EXPECT_TRUE(service.IsConnected());
  }
}

TEST(SQLDatabaseService, AServerThatStopsLeavesTheServiceDisconnected) {
  const TConnectionConfig config = PeerDSN("QL_PG_Parada");
  TSQLDatabaseService service = NewService();
  ASSERT_TRUE(service.Connect(config).IsConnected);
  ASSERT_TRUE(service.IsConnected());

  // Fast shutdown of the whole server, asked from a session of its own.
  RunStatement(config, "COPY (SELECT 1) TO PROGRAM 'kill -INT $(head -n 1 postmaster.pid)'");
  bool stopped = false;
  for (int attempt = 0; attempt < 200 && !stopped; ++attempt) {
    stopped = !RunStatement(config, "SELECT 1");
    if (!stopped) std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  ASSERT_TRUE(stopped) << "the server did not stop";

  EXPECT_FALSE(service.IsConnected());
  EXPECT_EQ(service.GetSystemVersion(), "");
  EXPECT_FALSE(service.TableExists("quorvanesoftsistema"));
  const auto again = service.Connect(config);
  EXPECT_FALSE(again.IsConnected);
  EXPECT_NE(again.ErrorMessage, "");
}

TEST(SQLDatabaseService, WorksOnBackgroundThreads) {
  // Settings are read here: test assertions belong to the main thread.
  const TConnectionConfig configs[] = {PeerDSN("QL_PG"), PeerSQLiteDirect("versao"), PeerPostgresDirect(),
                                       PeerDSN("QL_SQLite")};
  std::vector<std::string> versions(std::size(configs));
  std::vector<std::thread> threads;
  for (size_t i = 0; i < versions.size(); ++i)
    threads.emplace_back([&versions, &configs, i] {
      TSQLDatabaseService service = NewService();
      if (service.Connect(configs[i]).IsConnected) versions[i] = service.GetSystemVersion();
    });
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(versions, (std::vector<std::string>{"2.5.0.1", "3.1.4.1", "2.5.0.1", "3.1.4.1"}));
}
