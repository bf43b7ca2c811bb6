// Connection tests of the database service against the loopback peers of
// tests/fixtures/servers/postgres.sh, side by side with a bare ODBC connect of
// the same connection string, in one run. Run by bench/database/run.sh, which
// starts the peers and sets ODBCSYSINI, ODBCINI, PGSERVICEFILE and PGSERVICE.
//   connect_bench USER PASSWORD [ROUNDS]
#ifdef _WIN32
#include <windows.h>
#endif
#include <sql.h>
#include <sqlext.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "Core/Text/Unicode.h"
#include "Core/ValueObjects/ConnectionConfig.h"
#include "Infrastructure/Database/SQLDatabaseService.h"
#include "common/RoundStats.h"

using Core::ValueObjects::TConnectionConfig;
using Core::ValueObjects::TConnectionType;
using Infrastructure::Database::TSQLDatabaseService;

namespace {

using TClock = std::chrono::steady_clock;

struct TFigures {
  std::vector<double> Times;
  double Median = 0;
  double Worst = 0;
  int Failures = 0;
};

void Finish(TFigures& AFigures) {
  std::sort(AFigures.Times.begin(), AFigures.Times.end());
  AFigures.Median = AFigures.Times[AFigures.Times.size() / 2];
  AFigures.Worst = AFigures.Times.back();
}

// Runs AAttempt ARounds times; the figures are in milliseconds.
TFigures Measure(int ARounds, const std::function<bool()>& AAttempt, bool AExpected) {
  TFigures figures;
  for (int round = 0; round < ARounds; ++round) {
    const auto start = TClock::now();
    const bool outcome = AAttempt();
    figures.Times.push_back(std::chrono::duration<double, std::milli>(TClock::now() - start).count());
    if (outcome != AExpected) ++figures.Failures;
  }
  Finish(figures);
  return figures;
}

// SQLDriverConnectW and SQLDisconnect and nothing else: the floor the service is measured against.
bool BareConnect(const TConnectionConfig& AConfig) {
  SQLHENV environment = SQL_NULL_HENV;
  SQLHDBC connection = SQL_NULL_HDBC;
  SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &environment);
  SQLSetEnvAttr(environment, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
  SQLAllocHandle(SQL_HANDLE_DBC, environment, &connection);
  std::u16string text = Core::Text::Utf8ToUtf16(AConfig.BuildConnectionString());
  const bool opened = SQL_SUCCEEDED(SQLDriverConnectW(connection, nullptr, reinterpret_cast<SQLWCHAR*>(text.data()),
                                                      SQL_NTS, nullptr, 0, nullptr, SQL_DRIVER_NOPROMPT));
  if (opened) SQLDisconnect(connection);
  SQLFreeHandle(SQL_HANDLE_DBC, connection);
  SQLFreeHandle(SQL_HANDLE_ENV, environment);
  return opened;
}

bool ServiceTest(const TConnectionConfig& AConfig) {
  return TSQLDatabaseService(AConfig).TestConnection(AConfig);
}

TConnectionConfig DataSource(const char* AName, const std::string& AUser, const std::string& APassword) {
  TConnectionConfig config;
  config.SetODBCName(AName);
  config.SetUser(AUser);
  config.SetPassword(APassword);
  return config;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: connect_bench USER PASSWORD [ROUNDS]\n");
    return 2;
  }
  const std::string user = argv[1];
  const std::string password = argv[2];
  const int rounds = Bench::RoundsFrom(argc > 3 ? argv[3] : nullptr, 30);

  TConnectionConfig direct;
  direct.SetConnectionType(TConnectionType::Direct);
  direct.SetDriver("PostgreSQL Unicode");
  direct.SetServer("127.0.0.1");
  direct.SetDatabase("ql_teste");
  direct.SetUser(user);
  direct.SetPassword(password);
  struct TCase {
    const char* Name;
    TConnectionConfig Config;
  };
  const TCase reachable[] = {
      {"PostgreSQL, data source", DataSource("QL_PG", user, password)},
      {"PostgreSQL, driver settings", direct},
      {"SQLite, data source", DataSource("QL_SQLite", user, password)},
  };

  std::printf("successful connection test, %d rounds in turning order; load %s (target: under 100 ms)\n", rounds,
              Bench::MachineLoad().c_str());
  bool ok = true;
  for (const TCase& c : reachable) {
    enum { kService, kBare };
    Bench::TRounds ways({std::string(c.Name) + ": service", std::string(c.Name) + ": bare ODBC"});
    int failures = 0;
    for (int round = 0; round < rounds; ++round)
      for (size_t position = 0; position < ways.Count(); ++position) {
        const size_t way = ways.Order(round, position);
        const TFigures one = Measure(
            1, [&] { return way == kService ? ServiceTest(c.Config) : BareConnect(c.Config); }, true);
        ways.Add(way, one.Times.front());
        failures += one.Failures;
      }
    ways.Print("ms");
    std::printf("  median per-round ratio service / bare: %.2f; failures: %d\n", ways.RatioMedian(kService, kBare),
                failures);
    ok = ok && failures == 0 && ways.MedianOf(kService) < 100;
  }

  const double timeoutMs = TSQLDatabaseService::LoginTimeoutSeconds * 1000.0;
  std::printf("failed connection test (target: a server that does not answer ends within the %u s login time-out)\n",
              TSQLDatabaseService::LoginTimeoutSeconds);
  std::printf("  %-30s %12s %12s %20s\n", "", "median", "max", "max / login time-out");
  const TCase failing[] = {
      {"closed port", DataSource("QL_Fechado", user, password)},
      {"full accept queue", DataSource("QL_Silencioso", user, password)},
  };
  for (const TCase& c : failing) {
    const TFigures figures = Measure(
        rounds, [&] { return ServiceTest(c.Config); }, false);
    std::printf("  %-30s %9.1f ms %9.1f ms %20.2f\n", c.Name, figures.Median, figures.Worst, figures.Worst / timeoutMs);
    // The driver counts whole seconds: allow the rounding of one more.
    ok = ok && figures.Failures == 0 && figures.Worst < timeoutMs + 1000;
  }
  std::printf("%s\n", ok ? "targets met" : "TARGETS MISSED");
  return ok ? 0 : 1;
}
