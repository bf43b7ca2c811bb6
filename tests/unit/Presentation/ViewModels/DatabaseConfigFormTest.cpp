#include "Presentation/ViewModels/DatabaseConfigForm.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "App/Constants.h"
#include "Infrastructure/Translator/PortugueseTranslator.h"

using Core::ValueObjects::TConnectionConfig;
using Core::ValueObjects::TConnectionType;
using namespace Presentation::ViewModels;
using Strings = std::vector<std::string>;

namespace {

const Infrastructure::Translator::TPortugueseTranslator kTranslator;

}  // namespace

TEST(DatabaseConfigForm, RowsFollowTheConnectionType) {
  // Shown with ODBC (index 0), shown with the direct connection (index 1).
  const struct {
    TDatabaseConfigRow Row;
    bool Odbc;
    bool Direct;
  } rows[] = {
      {TDatabaseConfigRow::ConnectionTypeLabel, true, true},
      {TDatabaseConfigRow::ConnectionType, true, true},
      {TDatabaseConfigRow::ODBCLabel, true, false},
      {TDatabaseConfigRow::ODBC, true, false},
      {TDatabaseConfigRow::DriverLabel, false, true},
      {TDatabaseConfigRow::Driver, false, true},
      {TDatabaseConfigRow::ServerLabel, false, true},
      {TDatabaseConfigRow::Server, false, true},
      {TDatabaseConfigRow::UserLabel, true, true},
      {TDatabaseConfigRow::User, true, true},
      {TDatabaseConfigRow::PasswordLabel, true, true},
      {TDatabaseConfigRow::Password, true, true},
      {TDatabaseConfigRow::DatabaseLabel, false, true},
      {TDatabaseConfigRow::Database, false, true},
      {TDatabaseConfigRow::Status, true, true},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(static_cast<int>(r.Row));
    EXPECT_EQ(DatabaseConfigRowVisible(r.Row, 0), r.Odbc);
    EXPECT_EQ(DatabaseConfigRowVisible(r.Row, 1), r.Direct);
    // No selection is not ODBC.
    EXPECT_EQ(DatabaseConfigRowVisible(r.Row, -1), r.Direct);
  }
}

TEST(DatabaseConfigForm, SettingsAreReadAsTypedWhateverTheType) {
  TDatabaseConfigFields fields;
  fields.ODBCName = "Loja";
  fields.Driver = "ODBC Driver 17 for SQL Server";
  fields.Server = " srv\\SQLEXPRESS ";
  fields.User = "  sa ";
  fields.Password = " p w ";
  fields.Database = "Vendas ";

  const TConnectionConfig odbc = ReadConnectionConfig(fields);
  EXPECT_EQ(odbc.ConnectionType(), TConnectionType::ODBC);
  EXPECT_EQ(odbc.User(), "  sa ");
  EXPECT_EQ(odbc.Password(), " p w ");
  EXPECT_EQ(odbc.Server(), " srv\\SQLEXPRESS ");
  EXPECT_EQ(odbc.Database(), "Vendas ");
  EXPECT_EQ(odbc.Driver(), "ODBC Driver 17 for SQL Server");
  EXPECT_EQ(odbc.ODBCName(), "Loja");
  EXPECT_FALSE(odbc.IsConfigured());

  fields.ConnectionTypeIndex = 1;
  EXPECT_EQ(ReadConnectionConfig(fields).ConnectionType(), TConnectionType::Direct);
  // A list without selection gives an empty name, and the settings do not validate.
  fields.Database = "";
  EXPECT_FALSE(ReadConnectionConfig(fields).Validate());
}

TEST(DatabaseConfigForm, StatusAfterTestAndSave) {
  Core::Interfaces::TDatabaseConnectionResult connected;
  connected.IsConnected = true;
  Core::Interfaces::TDatabaseConnectionResult refused;
  refused.ErrorMessage = "[unixODBC][Driver Manager]Data source name not found and no default driver specified";
  Core::Interfaces::TDatabaseConnectionResult silent;  // a driver that gave no reason

  const struct {
    const char* Name;
    TDatabaseConfigStatus Status;
    std::string Text;
    uint32_t Colour;
  } cases[] = {
      {"connected", TestStatus(kTranslator, connected), "Conexão estabelecida com sucesso",
       App::Constants::ColorSuccess},
      {"refused", TestStatus(kTranslator, refused),
       "Erro de conexão: Data source name not found and no default driver specified", App::Constants::ColorError},
      {"no reason", TestStatus(kTranslator, silent), "Erro de conexão: Falha na conexão. Verifique os dados.",
       App::Constants::ColorError},
      {"incomplete save", SaveStatus(kTranslator, TConnectionConfig()),
       "Configuração incompleta. Preencha todos os campos obrigatórios.", App::Constants::ColorError},
      {"save", SaveStatus(kTranslator, ReadConnectionConfig({0, "Loja", "", "", "sa", "", ""})),
       "Configuração salva com sucesso!", App::Constants::ColorSuccess},
      {"data source created", ODBCCreatedStatus(kTranslator), "ODBC criado com sucesso!", App::Constants::ColorSuccess},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    EXPECT_EQ(c.Status.Text, c.Text);
    EXPECT_EQ(c.Status.Colour, c.Colour);
  }
}

TEST(DatabaseConfigForm, SaveIsRefusedWithTheFieldToFocus) {
  const std::string edgeBlanks =
      "O usu\xC3\xA1rio ou a senha come\xC3\xA7\x61 ou termina com espa\xC3\xA7o, que o arquivo de "
      "configura\xC3\xA7\xC3\xA3o n\xC3\xA3o guarda. Remova os espa\xC3\xA7os e teste a conex\xC3\xA3o novamente.";
  const struct {
    const char* Name;
    TDatabaseConfigFields Fields;
    std::string Text;  // "": saved
    std::optional<TDatabaseConfigRow> Focus;
  } cases[] = {
      {"complete", {0, "Loja", "", "", "sa", "p w", ""}, "", {}},
      {"incomplete",
       {0, "", "", "", "sa", "", ""},
       "Configura\xC3\xA7\xC3\xA3o incompleta. Preencha todos os campos obrigat\xC3\xB3rios.",
       {}},
      {"password with a trailing blank",
       {1, "", "SQL Server", "srv", "sa", "segredo ", "db"},
       edgeBlanks,
       TDatabaseConfigRow::Password},
      {"user with a leading blank", {0, "Loja", "", "", " sa", "segredo", ""}, edgeBlanks, TDatabaseConfigRow::User},
      {"blanks in a field the type does not save", {0, "Loja", "", " srv ", "sa", "", ""}, "", {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    const TConnectionConfig config = ReadConnectionConfig(c.Fields);
    const std::optional<TDatabaseConfigRefusal> refusal = SaveRefusal(kTranslator, config);
    ASSERT_EQ(refusal.has_value(), !c.Text.empty());
    EXPECT_EQ(SaveStatus(kTranslator, config).Text, refusal ? c.Text : "Configura\xC3\xA7\xC3\xA3o salva com sucesso!");
    if (!refusal) continue;
    EXPECT_EQ(refusal->Status.Text, c.Text);
    EXPECT_EQ(refusal->Status.Colour, App::Constants::ColorError);
    EXPECT_EQ(refusal->Focus, c.Focus);
  }
}

TEST(DatabaseConfigForm, DriverMessagesFitTheStatusLine) {
  const std::pair<std::string, std::string> cases[] = {
      {"[Microsoft][ODBC Driver 17 for SQL Server][SQL Server]Login failed for user 'sa'.",
       "Login failed for user 'sa'."},
      // psqlODBC: a hint on its own line after a tab.
      {"connection to server at \"127.0.0.1\", port 5 failed: Connection refused\n\tIs the server running?",
       "connection to server at \"127.0.0.1\", port 5 failed: Connection refused Is the server running?"},
      {"FATAL:  password   authentication failed", "FATAL: password authentication failed"},
      // The driver manager repeats a record per attempt.
      {"[A]Login timeout expired\r\n[A]Login timeout expired\n[B]TCP Provider: Timeout error [258].",
       "Login timeout expired TCP Provider: Timeout error [258]."},
      {"[unixODBC]", ""},
      {"[unterminated tag", "[unterminated tag"},
      {"100% errado", "100% errado"},
  };
  for (const auto& [message, expected] : cases) {
    SCOPED_TRACE(message);
    EXPECT_EQ(ConnectionErrorDetail(message), expected);
  }
  // SQL Server's message for a server it cannot find: several long records.
  const std::string unreachable =
      "[Microsoft][ODBC Driver 17 for SQL Server]Named Pipes Provider: Could not open a connection to SQL Server "
      "[53].\n[Microsoft][ODBC Driver 17 for SQL Server]Login timeout expired\n[Microsoft][ODBC Driver 17 for SQL "
      "Server]A network-related or instance-specific error has occurred while establishing a connection to SQL "
      "Server. Server is not found or not accessible.";
  const std::string cut = ConnectionErrorDetail(unreachable);
  EXPECT_LE(cut.size(), MaxConnectionErrorDetail + 3);
  EXPECT_EQ(cut.rfind("Named Pipes Provider: Could not open a connection to SQL Server [53]. Login timeout expired A "
                      "network-related",
                      0),
            0u)
      << cut;
  EXPECT_EQ(cut.substr(cut.size() - 9), " while\xE2\x80\xA6") << cut;  // whole words, then "…"
  // Without a blank to cut at, the cut keeps whole UTF-8 characters.
  std::string words;
  for (int i = 0; i < 100; ++i) words += "\xC3\xA7";  // "ç" a hundred times
  const std::string twoByte = ConnectionErrorDetail(std::string(59, 'x') + words);
  EXPECT_EQ(twoByte.size(), 59 + 100 + 3u) << "the cut falls between the bytes of one character";

  // A percent sign of the driver's text is no placeholder of the catalogue.
  Core::Interfaces::TDatabaseConnectionResult percent;
  percent.ErrorMessage = "100%s errado";
  EXPECT_EQ(TestStatus(kTranslator, percent).Text, "Erro de conexão: 100%s errado");
}

TEST(DatabaseConfigForm, DriverListOffersInstalledDriversAndPrefersAnInstalledSqlServerOne) {
  const Strings fixed = {"SQL Server Native Client 11.0", "ODBC Driver 17 for SQL Server"};
  const struct {
    const char* Name;
    Strings Installed;
    Strings Items;
    int Selection;
  } cases[] = {
      {"nothing installed", {}, fixed, 0},
      {"the second fixed driver installed",
       {"odbc driver 17 for sql server", "SQLite3"},
       {"SQL Server Native Client 11.0", "ODBC Driver 17 for SQL Server", "SQLite3"},
       1},
      {"only the system's own driver",
       {"PostgreSQL Unicode", "SQL Server"},
       {"SQL Server Native Client 11.0", "ODBC Driver 17 for SQL Server", "PostgreSQL Unicode", "SQL Server"},
       3},
      {"no SQL Server driver",
       {"PostgreSQL Unicode"},
       {"SQL Server Native Client 11.0", "ODBC Driver 17 for SQL Server", "PostgreSQL Unicode"},
       0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    const Strings items = DriverItems(c.Installed);
    EXPECT_EQ(items, c.Items);
    EXPECT_EQ(DriverSelection(items, c.Installed), c.Selection);
  }
}

TEST(DatabaseConfigForm, CreatedDataSourceIsSelectedIgnoringCase) {
  const Strings list = {"Loja", "QL_PG", "ql_pg", "Vendas"};
  const std::pair<std::string, int> cases[] = {
      {"Vendas", 3},
      {"VENDAS", 3},
      {"ql_pg", 1},  // the first of two equal names
      {"Outra", 0},  // not listed: the first stays selected
  };
  for (const auto& [name, expected] : cases) {
    SCOPED_TRACE(name);
    EXPECT_EQ(DataSourceSelection(list, name), expected);
  }
  EXPECT_EQ(DataSourceSelection({}, "Loja"), -1);
}
