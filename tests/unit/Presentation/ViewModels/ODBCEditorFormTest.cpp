#include "Presentation/ViewModels/ODBCEditorForm.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Infrastructure/Translator/PortugueseTranslator.h"

using namespace Presentation::ViewModels;

namespace {

TODBCEditorFields Complete() {
  TODBCEditorFields fields;
  fields.Driver = "SQL Server";
  fields.DSNName = "Loja";
  fields.Server = "(local)";
  fields.Database = "Vendas";
  return fields;
}

}  // namespace

TEST(ODBCEditorForm, ValidationStopsAtTheFirstMissingFieldInOrder) {
  const struct {
    const char* Name;
    void (*Change)(TODBCEditorFields&);
    const char* Key;
    TODBCEditorControl Focus;
  } cases[] = {
      {"everything empty", [](TODBCEditorFields& f) { f = {}; }, "DSNNameRequired", TODBCEditorControl::DSNName},
      {"blank name", [](TODBCEditorFields& f) { f.DSNName = " \t\r\n\x01 "; }, "DSNNameRequired",
       TODBCEditorControl::DSNName},
      {"server and database empty",
       [](TODBCEditorFields& f) {
         f.Server = "  ";
         f.Database.clear();
       },
       "ServerRequired", TODBCEditorControl::Server},
      {"blank database", [](TODBCEditorFields& f) { f.Database = "\t"; }, "DatabaseRequired",
       TODBCEditorControl::Database},
      // A missing driver comes last: with no driver installed, the user hears
      // of it only after filling in the rest.
      {"no driver", [](TODBCEditorFields& f) { f.Driver.reset(); }, "SelectDriver", TODBCEditorControl::Driver},
      {"optional fields empty",
       [](TODBCEditorFields& f) {
         f.Description.clear();
         f.User.clear();
         f.Password.clear();
       },
       "", TODBCEditorControl::None},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    TODBCEditorFields fields = Complete();
    c.Change(fields);
    const TODBCEditorCheck check = ValidateODBCEditorInput(fields);
    EXPECT_EQ(check.MessageKey, c.Key);
    EXPECT_EQ(check.Focus, c.Focus);
    EXPECT_EQ(check.Passed(), std::string(c.Key).empty());
  }
  // Every key the validation gives has a text in the catalogue.
  const Infrastructure::Translator::TPortugueseTranslator translator;
  for (const char* key : {"DSNNameRequired", "ServerRequired", "DatabaseRequired", "SelectDriver",
                          SaveSuccessKey(false), SaveSuccessKey(true), SaveErrorKey(false), SaveErrorKey(true)}) {
    SCOPED_TRACE(key);
    EXPECT_NE(translator.Translate(key), key);
  }
}

TEST(ODBCEditorForm, PreselectsTheLastDriverNamingSQLServerElseTheFirst) {
  using TList = std::vector<std::string>;
  const struct {
    TList Drivers;
    int Expected;
  } cases[] = {
      {{}, -1},
      {{"PostgreSQL Unicode", "SQLite3 ODBC Driver"}, 0},
      {{"SQL Server", "PostgreSQL Unicode", "ODBC Driver 17 for SQL Server", "SQLite3"}, 2},
      {{"PostgreSQL Unicode", "SQL Server"}, 1},
      {{"Sql Server Legacy", "MySQL"}, 0},  // the match keeps the case
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Drivers.size());
    EXPECT_EQ(PreselectedDriverIndex(c.Drivers), c.Expected);
  }
}

TEST(ODBCEditorForm, FindsTheStoredDriverOrNone) {
  const std::vector<std::string> drivers = {"sql server", "SQL Server", "PostgreSQL Unicode"};
  EXPECT_EQ(StoredDriverIndex(drivers, "SQL Server"), 1);  // exact name before a case-blind one
  EXPECT_EQ(StoredDriverIndex(drivers, "postgresql unicode"), 2);
  EXPECT_EQ(StoredDriverIndex(drivers, "Oracle"), -1);
  EXPECT_EQ(StoredDriverIndex(drivers, ""), -1);
}

TEST(ODBCEditorForm, RecordsAreBuiltFromTrimmedFields) {
  TODBCEditorFields fields;
  fields.Driver = "ODBC Driver 17 for SQL Server";
  fields.DSNName = "  Loja Centro \t";
  fields.Description = " Filial ";
  fields.Server = "\tsrv\\SQLEXPRESS ";
  fields.User = " sa ";
  fields.Password = " p;w ";
  fields.Database = " Vendas\r\n";

  const auto record = BuildDSNConfig(fields);
  EXPECT_EQ(record.DSNName(), "Loja Centro");
  EXPECT_EQ(record.Driver(), "ODBC Driver 17 for SQL Server");
  EXPECT_EQ(record.Server(), "srv\\SQLEXPRESS");
  EXPECT_EQ(record.Database(), "Vendas");
  EXPECT_EQ(record.Description(), "Filial");
  EXPECT_EQ(record.User(), "sa");
  EXPECT_EQ(record.Password(), "p;w");
  EXPECT_FALSE(record.TrustedConnection());

  const auto test = BuildTestConnectionConfig(fields);
  EXPECT_EQ(test.ConnectionType(), Core::ValueObjects::TConnectionType::Direct);
  EXPECT_EQ(test.BuildConnectionString(),
            "Driver={ODBC Driver 17 for SQL Server};Server=srv\\SQLEXPRESS;Database=Vendas;Uid=sa;Pwd={p;w};");

  // A blank login means the data source uses the Windows login, and a direct
  // test without one does not validate, so it fails without connecting.
  fields.User = " \t ";
  EXPECT_TRUE(BuildDSNConfig(fields).TrustedConnection());
  EXPECT_EQ(BuildDSNConfig(fields).User(), "");
  EXPECT_FALSE(BuildTestConnectionConfig(fields).Validate());
}
