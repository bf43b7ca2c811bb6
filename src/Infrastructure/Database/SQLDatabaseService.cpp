#include "Infrastructure/Database/SQLDatabaseService.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <utility>

#include "Core/Text/Unicode.h"
#include "Infrastructure/Database/OdbcHandles.h"

namespace Infrastructure::Database {

using Core::Interfaces::TDatabaseConnectionResult;
using Core::ValueObjects::TConnectionConfig;
using Core::ValueObjects::TDSNConfig;
using Core::ValueObjects::TODSNType;

struct TSQLDatabaseService::TState {
  // Declared before the connection: a connection is freed before its environment.
  Odbc::TEnvironment Environment;
  Odbc::TConnection Connection;
};

namespace {

// The length argument of SQLDriverConnectW is a SQLSMALLINT.
constexpr size_t kMaxConnectionStringLength = 32767;
// More than any version text needs; a runaway column cannot exhaust memory.
constexpr size_t kMaxTextLength = 65536;
// More than any server holds; a driver that never ends its list cannot either.
constexpr size_t kMaxDatabaseNames = 4096;

SQLPOINTER UnsignedAttribute(unsigned AValue) {
  return reinterpret_cast<SQLPOINTER>(static_cast<uintptr_t>(AValue));
}

bool IsConnectionFailure(const std::vector<Odbc::TDiagnostic>& ARecords) {
  for (const Odbc::TDiagnostic& record : ARecords)
    if (record.State.compare(0, 2, "08") == 0) return true;  // class 08: connection exception
  return false;
}

// What the driver already knows: a connection it has seen fail.
bool DriverReportsDead(SQLHDBC AConnection) {
  SQLUINTEGER dead = SQL_CD_FALSE;
  return SQL_SUCCEEDED(SQLGetConnectAttrW(AConnection, SQL_ATTR_CONNECTION_DEAD, &dead, SQL_IS_UINTEGER, nullptr)) &&
         dead == SQL_CD_TRUE;
}

// SQLExecDirectW of one statement on a new statement handle.
bool Execute(SQLHDBC AConnection, Odbc::TStatement& AStatement, std::string_view ASql,
             const std::u16string* AParameter = nullptr) {
  if (!AStatement.Allocate(AConnection)) return false;
  // A driver without statement time-outs keeps its own behaviour.
  SQLSetStmtAttrW(AStatement.Get(), SQL_ATTR_QUERY_TIMEOUT, UnsignedAttribute(TSQLDatabaseService::QueryTimeoutSeconds),
                  SQL_IS_UINTEGER);
  SQLLEN parameterLength = 0;  // read by the driver during SQLExecDirectW below
  if (AParameter != nullptr) {
    // Bound, never spliced into the text: a name with a quote stays a name.
    parameterLength = static_cast<SQLLEN>(AParameter->size() * sizeof(char16_t));
    const SQLULEN columnSize = AParameter->empty() ? 1 : AParameter->size();
    if (!SQL_SUCCEEDED(SQLBindParameter(AStatement.Get(), 1, SQL_PARAM_INPUT, SQL_C_WCHAR, SQL_WVARCHAR, columnSize, 0,
                                        const_cast<char16_t*>(AParameter->data()), parameterLength, &parameterLength)))
      return false;
  }
  std::u16string sql = Core::Text::Utf8ToUtf16(ASql);
  return SQL_SUCCEEDED(SQLExecDirectW(AStatement.Get(), Odbc::WideArgument(sql), static_cast<SQLINTEGER>(sql.size())));
}

// Column 1 of the current row as text: nullopt for a failure, "" for NULL.
std::optional<std::string> ReadText(SQLHSTMT AStatement) {
  std::u16string value;
  char16_t buffer[256];
  constexpr SQLLEN bufferBytes = sizeof(buffer);
  while (value.size() < kMaxTextLength) {
    SQLLEN indicator = 0;
    const SQLRETURN result = SQLGetData(AStatement, 1, SQL_C_WCHAR, buffer, bufferBytes, &indicator);
    if (result == SQL_NO_DATA) break;  // everything came with the earlier parts
    if (!SQL_SUCCEEDED(result)) return std::nullopt;
    if (indicator == SQL_NULL_DATA) return std::string();
    const bool cut = indicator == SQL_NO_TOTAL || indicator >= bufferBytes - static_cast<SQLLEN>(sizeof(char16_t));
    if (!cut) {
      value.append(buffer, static_cast<size_t>(indicator) / sizeof(char16_t));
      break;
    }
    value.append(buffer, std::size(buffer) - 1);  // the part before the terminator
  }
  return Core::Text::Utf16ToUtf8(value);
}

}  // namespace

TSQLDatabaseService::TSQLDatabaseService(TConnectionConfig AConfig,
                                         std::shared_ptr<Core::Interfaces::IRegistry> ARegistry)
    : FConnectionConfig(std::move(AConfig)), FODBCManager(std::move(ARegistry)), FState(std::make_unique<TState>()) {}

TSQLDatabaseService::~TSQLDatabaseService() {
  Disconnect();
}

TDatabaseConnectionResult TSQLDatabaseService::Connect(const TConnectionConfig& AConfig) {
  TDatabaseConnectionResult result;
  Disconnect();

  const std::u16string text = Core::Text::Utf8ToUtf16(AConfig.BuildConnectionString());
  if (text.find(u'\0') != std::u16string::npos) {
    result.ErrorMessage = "As configurações de conexão contêm um caractere nulo.";
    return result;
  }
  if (text.size() > kMaxConnectionStringLength) {
    result.ErrorMessage = "As configurações de conexão são longas demais.";
    return result;
  }

  if (!FState->Environment) {
    if (!FState->Environment.Allocate(SQL_NULL_HANDLE)) {
      result.ErrorMessage = "Não foi possível iniciar o gerenciador de drivers ODBC.";
      return result;
    }
    if (!SQL_SUCCEEDED(SQLSetEnvAttr(FState->Environment.Get(), SQL_ATTR_ODBC_VERSION,
                                     reinterpret_cast<SQLPOINTER>(static_cast<uintptr_t>(SQL_OV_ODBC3)), 0))) {
      result.ErrorMessage = Odbc::DiagnosticText(Odbc::Diagnostics(SQL_HANDLE_ENV, FState->Environment.Get()));
      FState->Environment.Reset();
      if (result.ErrorMessage.empty()) result.ErrorMessage = "Não foi possível iniciar o gerenciador de drivers ODBC.";
      return result;
    }
  }
  Odbc::TConnection& connection = FState->Connection;
  if (!connection.Allocate(FState->Environment.Get())) {
    result.ErrorMessage = Odbc::DiagnosticText(Odbc::Diagnostics(SQL_HANDLE_ENV, FState->Environment.Get()));
    if (result.ErrorMessage.empty()) result.ErrorMessage = "Não foi possível criar a conexão ODBC.";
    return result;
  }
  SQLSetConnectAttrW(connection.Get(), SQL_ATTR_LOGIN_TIMEOUT, UnsignedAttribute(LoginTimeoutSeconds), SQL_IS_UINTEGER);

  const SQLRETURN opened = connection.Open(text);
  if (SQL_SUCCEEDED(opened)) {
    FIsConnected = true;
    result.IsConnected = true;
    return result;
  }
  result.ErrorMessage = Odbc::DiagnosticText(Odbc::Diagnostics(SQL_HANDLE_DBC, connection.Get()));
  if (result.ErrorMessage.empty())
    result.ErrorMessage =
        "O driver ODBC recusou a conexão sem informar o motivo (código " + std::to_string(opened) + ").";
  connection.Reset();
  return result;
}

void TSQLDatabaseService::Disconnect() {
  FState->Connection.Reset();
  FIsConnected = false;
}

bool TSQLDatabaseService::IsConnected() {
  if (!FIsConnected) return false;
  const SQLHDBC connection = FState->Connection.Get();
  if (!DriverReportsDead(connection)) {
    // The driver only knows what it has seen; one round trip finds a server
    // that has gone away since the last statement.
    Odbc::TStatement probe;
    if (Execute(connection, probe, "SELECT 1")) return true;
    if (!IsConnectionFailure(Odbc::Diagnostics(SQL_HANDLE_STMT, probe.Get())) && !DriverReportsDead(connection))
      return true;  // a server that refuses this statement but still answers
  }
  Disconnect();
  return false;
}

bool TSQLDatabaseService::TestConnection(const TConnectionConfig& AConfig) {
  const bool connected = Connect(AConfig).IsConnected;
  Disconnect();
  return connected;
}

std::string TSQLDatabaseService::GetSystemVersion() {
  if (!FIsConnected) return {};
  Odbc::TStatement statement;
  std::optional<std::string> version;
  if (Execute(FState->Connection.Get(), statement, SystemVersionStatement)) {
    const SQLRETURN fetched = SQLFetch(statement.Get());
    if (fetched == SQL_NO_DATA) return {};
    if (SQL_SUCCEEDED(fetched)) version = ReadText(statement.Get());
  }
  if (version) return *version;
  // A failure because the connection broke leaves the service disconnected.
  if (IsConnectionFailure(Odbc::Diagnostics(SQL_HANDLE_STMT, statement.Get())) ||
      DriverReportsDead(FState->Connection.Get()))
    Disconnect();
  return {};
}

std::vector<std::string> TSQLDatabaseService::GetDatabaseNames() {
  if (!FIsConnected) return {};
  const SQLHDBC connection = FState->Connection.Get();
  std::vector<std::string> names;
  Odbc::TStatement statement;
  if (statement.Allocate(connection)) {
    std::u16string allCatalogs = u"" SQL_ALL_CATALOGS;
    std::u16string empty;
    // Schema and table must be empty strings, not null, for the catalog list.
    if (SQL_SUCCEEDED(SQLTablesW(statement.Get(), Odbc::WideArgument(allCatalogs), SQL_NTS, Odbc::WideArgument(empty),
                                 SQL_NTS, Odbc::WideArgument(empty), SQL_NTS, nullptr, 0))) {
      while (names.size() < kMaxDatabaseNames && SQL_SUCCEEDED(SQLFetch(statement.Get()))) {
        const std::optional<std::string> name = ReadText(statement.Get());  // TABLE_CAT
        if (!name) break;
        // SQLite answers one row with a null catalog.
        if (!name->empty() && std::find(names.begin(), names.end(), *name) == names.end()) names.push_back(*name);
      }
    } else if (IsConnectionFailure(Odbc::Diagnostics(SQL_HANDLE_STMT, statement.Get())) ||
               DriverReportsDead(connection)) {
      Disconnect();
      return {};
    }
  }
  if (!names.empty()) return names;

  char16_t buffer[512] = {};
  SQLINTEGER length = 0;
  if (SQL_SUCCEEDED(SQLGetConnectAttrW(connection, SQL_ATTR_CURRENT_CATALOG, buffer, sizeof(buffer) - sizeof(char16_t),
                                       &length)) &&
      buffer[0] != u'\0')
    return {Core::Text::Utf16ToUtf8(buffer)};
  SQLSMALLINT infoLength = 0;
  if (SQL_SUCCEEDED(
          SQLGetInfoW(connection, SQL_DATABASE_NAME, buffer, sizeof(buffer) - sizeof(char16_t), &infoLength)) &&
      buffer[0] != u'\0')
    return {Core::Text::Utf16ToUtf8(buffer)};
  return {};
}

bool TSQLDatabaseService::TableExists(const std::string& ATableName) {
  if (!FIsConnected) return false;
  Odbc::TStatement statement;
  const std::u16string name = Core::Text::Utf8ToUtf16(ATableName);
  if (Execute(FState->Connection.Get(), statement,
              "SELECT COUNT(*) FROM INFORMATION_SCHEMA.TABLES WHERE TABLE_NAME = ?", &name) &&
      SQL_SUCCEEDED(SQLFetch(statement.Get()))) {
    SQLINTEGER count = 0;
    SQLLEN indicator = 0;
    if (SQL_SUCCEEDED(SQLGetData(statement.Get(), 1, SQL_C_SLONG, &count, sizeof(count), &indicator)))
      return indicator != SQL_NULL_DATA && count > 0;
  }
  if (IsConnectionFailure(Odbc::Diagnostics(SQL_HANDLE_STMT, statement.Get())) ||
      DriverReportsDead(FState->Connection.Get()))
    Disconnect();
  return false;
}

std::vector<std::string> TSQLDatabaseService::GetODBCList() {
  return FODBCManager.GetInstalledODBCs();
}

std::vector<std::string> TSQLDatabaseService::GetAvailableDrivers() {
  return FODBCManager.GetAvailableDrivers();
}

bool TSQLDatabaseService::DriverExists(const std::string& ADriverName) {
  return FODBCManager.DriverExists(ADriverName);
}

bool TSQLDatabaseService::CreateDSN(const std::string& ADSNName, const std::string& ADriver, const std::string& AServer,
                                    const std::string& ADatabase) {
  TDSNConfig config;
  config.SetDSNName(ADSNName);
  config.SetDriver(ADriver);
  config.SetServer(AServer);
  config.SetDatabase(ADatabase);
  return FODBCManager.CreateDSN(config, TODSNType::User);
}

bool TSQLDatabaseService::DeleteDSN(const std::string& ADSNName) {
  return FODBCManager.DeleteDSN(ADSNName, TODSNType::User);
}

}  // namespace Infrastructure::Database
