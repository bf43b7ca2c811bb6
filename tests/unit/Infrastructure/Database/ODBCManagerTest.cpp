// The data-source and driver decisions over the in-memory registry; the same
// operations run against the Windows registry in tests/windows.
#include "Infrastructure/Database/ODBCManager.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "support/MemoryRegistry.h"

using Core::Interfaces::TRegistryHive;
using Core::Interfaces::TRegistryValueType;
using Core::ValueObjects::TDSNConfig;
using Core::ValueObjects::TODSNType;
using Infrastructure::Database::TODBCManager;
using TestSupport::TMemoryRegistry;

namespace {

constexpr auto HKCU = TRegistryHive::CurrentUser;
constexpr auto HKLM = TRegistryHive::LocalMachine;
const std::string kList = TODBCManager::DataSourcesKey;
const std::string kOdbcIni = "Software\\ODBC\\ODBC.INI\\";
const std::string kDrivers = TODBCManager::DriversKey;

// A machine as Windows sets it up: two drivers, a user data source, two system
// ones, "Loja" defined in both hives.
struct TMachine {
  std::shared_ptr<TMemoryRegistry> Registry = std::make_shared<TMemoryRegistry>();
  TODBCManager Manager{Registry};

  TMachine() {
    Registry->Put(HKLM, kDrivers, "SQL Server", "Installed");
    Registry->Put(HKLM, kDrivers, "ODBC Driver 17 for SQL Server", "Installed");
    Registry->Put(HKLM, "Software\\ODBC\\ODBCINST.INI\\SQL Server", "Driver", "C:\\Windows\\system32\\SQLSRV32.dll");
    Registry->Put(HKLM, "Software\\ODBC\\ODBCINST.INI\\ODBC Driver 17 for SQL Server", "Driver",
                  "C:\\Windows\\system32\\msodbcsql17.dll");
    AddDataSource(HKCU, "Loja", "SQL Server");
    AddDataSource(HKLM, "Financeiro", "ODBC Driver 17 for SQL Server");
    AddDataSource(HKLM, "Loja", "SQL Server");
  }
  void AddDataSource(TRegistryHive AHive, const std::string& AName, const std::string& ADriver) {
    Registry->Put(AHive, kList, AName, ADriver);
    Registry->Put(AHive, kOdbcIni + AName, "Server", "srv-" + AName);
  }
};

TDSNConfig Config(const std::string& AName, const std::string& ADriver = "SQL Server") {
  TDSNConfig config;
  config.SetDSNName(AName);
  config.SetDriver(ADriver);
  return config;
}

}  // namespace

TEST(ODBCManager, ListsUserThenSystemDataSourcesAndTheDrivers) {
  TMachine machine;
  EXPECT_EQ(machine.Manager.GetInstalledODBCs(), (std::vector<std::string>{"Loja", "Financeiro", "Loja"}));
  EXPECT_EQ(machine.Manager.GetAvailableDrivers(),
            (std::vector<std::string>{"SQL Server", "ODBC Driver 17 for SQL Server"}));

  const TODBCManager bare(std::make_shared<TMemoryRegistry>());
  EXPECT_TRUE(bare.GetInstalledODBCs().empty());
  EXPECT_TRUE(bare.GetAvailableDrivers().empty());
}

TEST(ODBCManager, ADataSourceExistsByItsOwnKeyInEitherHive) {
  TMachine machine;
  machine.Registry->Put(HKCU, kList, "SoNaLista", "SQL Server");  // an entry without a key
  const std::pair<const char*, bool> cases[] = {
      {"Loja", true},
      {"financeiro", true},
      {"SoNaLista", false},
      {"Nenhum", false},
      // Not data-source names: the key they would open is another key.
      {"", false},
      {"ODBC Data Sources", false},
      {"..\\ODBC.INI", false},
  };
  for (const auto& [name, expected] : cases) {
    SCOPED_TRACE(name);
    EXPECT_EQ(machine.Manager.ODBCExists(name), expected);
  }
}

TEST(ODBCManager, DriverNamesMatchWholeWithoutCaseOrAsAnExactPart) {
  TMachine machine;
  const std::pair<const char*, bool> cases[] = {
      {"SQL Server", true},
      {"sql server", true},                     // the whole name of an installed driver
      {"odbc driver 17 for sql server", true},  // idem
      {"Driver 17", true},                      // exact-case part of a longer name
      {"driver 17", false},                     // the part search keeps the case
      {"Oracle", false},
      {"", false},
  };
  for (const auto& [name, expected] : cases) {
    SCOPED_TRACE(name);
    EXPECT_EQ(machine.Manager.DriverExists(name), expected);
  }
}

TEST(ODBCManager, CreateWritesTheListEntryThenTheKeyInOrder) {
  TMachine machine;
  TDSNConfig config = Config("Novo");
  config.SetServer("srv\\SQLEXPRESS");
  config.SetDatabase("Vendas");
  config.SetUser("sa");
  config.SetPassword("segredo");
  ASSERT_TRUE(machine.Manager.CreateDSN(config, TODSNType::User));
  EXPECT_EQ(machine.Registry->Writes,
            (std::vector<std::string>{
                "HKCU\\" + kList + "\\Novo=SQL Server",
                "HKCU\\" + kOdbcIni + "Novo\\Driver=C:\\Windows\\system32\\SQLSRV32.dll",
                "HKCU\\" + kOdbcIni + "Novo\\Description=" + TDSNConfig::DefaultDescription,
                "HKCU\\" + kOdbcIni + "Novo\\Server=srv\\SQLEXPRESS", "HKCU\\" + kOdbcIni + "Novo\\Database=Vendas",
                "HKCU\\" + kOdbcIni + "Novo\\LastUser=sa",  // the password never reaches the registry
            }));
  EXPECT_TRUE(machine.Manager.ODBCExists("Novo"));
}

TEST(ODBCManager, CreateWritesOnlyWhatTheSettingsHold) {
  struct TCase {
    const char* Name;
    TDSNConfig Config;
    std::vector<std::string> Writes;
  };
  TDSNConfig unknownDriver = Config("A", "Driver Ausente");
  unknownDriver.SetServer("");
  unknownDriver.SetDescription("");
  TDSNConfig trusted = Config("B");
  trusted.SetTrustedConnection(true);
  trusted.SetUser("sa");
  const std::string a = "HKCU\\" + kOdbcIni + "A\\";
  const std::string b = "HKCU\\" + kOdbcIni + "B\\";
  const TCase cases[] = {
      // No library path for a driver that is not installed; empty texts are
      // left out, except the description.
      {"unknown driver", unknownDriver, {"HKCU\\" + kList + "\\A=Driver Ausente", a + "Description="}},
      {"trusted connection",
       trusted,
       {"HKCU\\" + kList + "\\B=SQL Server", b + "Driver=C:\\Windows\\system32\\SQLSRV32.dll",
        b + "Description=" + TDSNConfig::DefaultDescription, b + "Server=(local)", b + "Trusted_Connection=Yes"}},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    TMachine machine;
    EXPECT_TRUE(machine.Manager.CreateDSN(c.Config, TODSNType::User));
    EXPECT_EQ(machine.Registry->Writes, c.Writes);
  }
}

TEST(ODBCManager, CreateRefusesOrSkipsWithoutWriting) {
  const std::pair<TDSNConfig, bool> cases[] = {
      {Config("Loja"), true},        // exists as user and system data source
      {Config("Financeiro"), true},  // exists as system data source only
      {Config(""), false},
      {Config("Novo", ""), false},
      {Config("ODBC Data Sources"), false},
      {Config("..\\..\\Run"), false},
  };
  for (const auto& [config, expected] : cases) {
    SCOPED_TRACE(config.DSNName());
    TMachine machine;
    EXPECT_EQ(machine.Manager.CreateDSN(config, TODSNType::User), expected);
    EXPECT_TRUE(machine.Registry->Writes.empty());
  }
}

TEST(ODBCManager, CreatingASystemDataSourceWithoutAdministratorRightsFails) {
  TMachine machine;
  machine.Registry->SetReadOnly(HKLM, true);
  EXPECT_FALSE(machine.Manager.CreateDSN(Config("Novo"), TODSNType::System));
  EXPECT_TRUE(machine.Registry->Writes.empty());
  EXPECT_FALSE(machine.Manager.ODBCExists("Novo"));
  // The user's own hive still takes it.
  EXPECT_TRUE(machine.Manager.CreateDSN(Config("Novo"), TODSNType::User));
  EXPECT_TRUE(machine.Registry->KeyExists(HKCU, kOdbcIni + "Novo"));
}

TEST(ODBCManager, DeleteRemovesEntryAndKeyOfOneHiveOnly) {
  TMachine machine;
  EXPECT_TRUE(machine.Manager.DeleteDSN("Loja", TODSNType::User));
  EXPECT_FALSE(machine.Registry->KeyExists(HKCU, kOdbcIni + "Loja"));
  EXPECT_FALSE(machine.Registry->ValueExists(HKCU, kList, "Loja"));
  EXPECT_TRUE(machine.Registry->KeyExists(HKLM, kOdbcIni + "Loja"));
  EXPECT_EQ(machine.Manager.GetInstalledODBCs(), (std::vector<std::string>{"Financeiro", "Loja"}));
  EXPECT_FALSE(machine.Manager.DeleteDSN("Loja", TODSNType::User));

  // An entry without its key: the entry goes, the answer is false.
  machine.Registry->Put(HKCU, kList, "SoNaLista", "SQL Server");
  EXPECT_FALSE(machine.Manager.DeleteDSN("SoNaLista", TODSNType::User));
  EXPECT_FALSE(machine.Registry->ValueExists(HKCU, kList, "SoNaLista"));
}

TEST(ODBCManager, DeleteNeverReachesAKeyThatIsNotADataSource) {
  TMachine machine;
  machine.Registry->Put(HKCU, "Software\\ODBC\\ODBC.INI\\Loja\\Sub", "X", "1");
  for (const char* name : {"", "ODBC Data Sources", "odbc data sources", "Loja\\Sub", "..\\ODBC.INI"}) {
    SCOPED_TRACE(name);
    EXPECT_FALSE(machine.Manager.DeleteDSN(name, TODSNType::User));
  }
  EXPECT_EQ(machine.Registry->GetValueNames(HKCU, kList), (std::vector<std::string>{"Loja"}));
  EXPECT_TRUE(machine.Registry->KeyExists(HKCU, "Software\\ODBC\\ODBC.INI\\Loja\\Sub"));
}

TEST(ODBCManager, GetDSNConfigReadsTheUserHiveFirstAndKeepsDefaults) {
  TMachine machine;
  machine.Registry->Put(HKCU, kOdbcIni + "Loja", "Database", "LojaDB");
  machine.Registry->Put(HKCU, kOdbcIni + "Loja", "Trusted_Connection", "yes");
  machine.Registry->Put(HKCU, kOdbcIni + "Loja", "Description", "", TRegistryValueType::DWord);  // not a text
  machine.Registry->Put(HKCU, kOdbcIni + "Loja", "LastUser", "sa");
  machine.Registry->Put(HKCU, kOdbcIni + "Loja", "Driver", "C:\\x.dll");

  const TDSNConfig user = machine.Manager.GetDSNConfig("Loja");
  EXPECT_EQ(user.DSNName(), "Loja");
  EXPECT_EQ(user.Server(), "srv-Loja");
  EXPECT_EQ(user.Database(), "LojaDB");
  EXPECT_TRUE(user.TrustedConnection());
  EXPECT_EQ(user.Description(), TDSNConfig::DefaultDescription);
  EXPECT_EQ(user.Driver(), "SQL Server");  // the list entry's name, not the key's library path
  EXPECT_EQ(user.User(), "");              // LastUser is not read

  EXPECT_EQ(machine.Manager.GetDSNConfig("Financeiro").Server(), "srv-Financeiro");
  EXPECT_EQ(machine.Manager.GetDSNConfig("Financeiro").Driver(), "ODBC Driver 17 for SQL Server");
  // The entry of the hive the key was found in, even when the other hive names another driver.
  machine.Registry->Put(HKLM, kList, "Loja", "ODBC Driver 17 for SQL Server");
  EXPECT_EQ(machine.Manager.GetDSNConfig("Loja").Driver(), "SQL Server");
  // A key without a list entry keeps the default driver.
  machine.Registry->Put(HKCU, kOdbcIni + "SemEntrada", "Server", "x");
  EXPECT_EQ(machine.Manager.GetDSNConfig("SemEntrada").Driver(), TDSNConfig::DefaultDriver);

  const TDSNConfig missing = machine.Manager.GetDSNConfig("Nenhum");
  EXPECT_EQ(missing.DSNName(), "Nenhum");
  EXPECT_EQ(missing.Driver(), "SQL Server");
  EXPECT_EQ(missing.Server(), "(local)");
  EXPECT_EQ(missing.Description(), TDSNConfig::DefaultDescription);
  EXPECT_FALSE(missing.TrustedConnection());
}

TEST(ODBCManager, UpdateRewritesTheDataSourceWhereItLives) {
  TMachine machine;
  machine.Registry->Put(HKLM, kOdbcIni + "Financeiro", "Driver", "C:\\Windows\\system32\\msodbcsql17.dll");
  machine.Registry->Put(HKLM, kOdbcIni + "Financeiro", "Database", "Antigo");
  machine.Registry->Put(HKLM, kOdbcIni + "Financeiro", "LastUser", "sa");
  TDSNConfig config = Config("Financeiro", "SQL Server");
  config.SetServer("srv2");
  config.SetDatabase("Novo");
  config.SetDescription("Financeiro da matriz");
  config.SetUser("outro");
  ASSERT_TRUE(machine.Manager.UpdateDSN(config));

  const std::string key = kOdbcIni + "Financeiro";
  EXPECT_EQ(machine.Registry->ReadString(HKLM, key, "Driver"), "C:\\Windows\\system32\\SQLSRV32.dll");
  EXPECT_EQ(machine.Registry->ReadString(HKLM, key, "Server"), "srv2");
  EXPECT_EQ(machine.Registry->ReadString(HKLM, key, "Database"), "Novo");
  EXPECT_EQ(machine.Registry->ReadString(HKLM, key, "Description"), "Financeiro da matriz");
  EXPECT_EQ(machine.Registry->ReadString(HKLM, key, "LastUser"), "sa");  // login values stay
  EXPECT_EQ(machine.Registry->ReadString(HKLM, kList, "Financeiro"), "SQL Server");
  EXPECT_FALSE(machine.Registry->KeyExists(HKCU, key));  // not copied into the user's hive

  // What is read back is what was written.
  const TDSNConfig read = machine.Manager.GetDSNConfig("Financeiro");
  EXPECT_EQ(read.Driver(), "SQL Server");
  EXPECT_EQ(read.Server(), "srv2");
  EXPECT_EQ(read.Database(), "Novo");
  EXPECT_EQ(read.Description(), "Financeiro da matriz");

  // "Loja" is in both hives: the user's copy is the one GetDSNConfig shows, so it is the one rewritten.
  config.SetDSNName("Loja");
  ASSERT_TRUE(machine.Manager.UpdateDSN(config));
  EXPECT_EQ(machine.Registry->ReadString(HKCU, kOdbcIni + "Loja", "Server"), "srv2");
  EXPECT_EQ(machine.Registry->ReadString(HKLM, kOdbcIni + "Loja", "Server"), "srv-Loja");
}

TEST(ODBCManager, UpdateLeavesNoStaleValueBehind) {
  TMachine machine;
  const std::string key = kOdbcIni + "Loja";
  machine.Registry->Put(HKCU, key, "Driver", "C:\\Windows\\system32\\SQLSRV32.dll");
  machine.Registry->Put(HKCU, key, "Database", "LojaDB");
  // A driver that is not installed has no library: the old one must not stay
  // behind the new name, or ODBC would still load the old driver.
  TDSNConfig config = Config("Loja", "Driver Ausente");
  config.SetServer("");
  config.SetDatabase("");
  config.SetDescription("");
  ASSERT_TRUE(machine.Manager.UpdateDSN(config));
  EXPECT_FALSE(machine.Registry->ValueExists(HKCU, key, "Driver"));
  EXPECT_FALSE(machine.Registry->ValueExists(HKCU, key, "Server"));
  EXPECT_FALSE(machine.Registry->ValueExists(HKCU, key, "Database"));
  EXPECT_EQ(machine.Registry->ReadString(HKCU, key, "Description"), "");
  EXPECT_EQ(machine.Registry->ReadString(HKCU, kList, "Loja"), "Driver Ausente");
}

TEST(ODBCManager, UpdateRefusesWhatItCannotRewrite) {
  TMachine machine;
  machine.Registry->Put(HKCU, kList, "SoNaLista", "SQL Server");  // an entry without a key
  const TDSNConfig cases[] = {
      Config("Nenhum"), Config("SoNaLista"),         Config("Loja", ""),
      Config(""),       Config("ODBC Data Sources"), Config("..\\..\\Run"),
  };
  for (const TDSNConfig& config : cases) {
    SCOPED_TRACE(config.DSNName() + "/" + config.Driver());
    EXPECT_FALSE(machine.Manager.UpdateDSN(config));
    EXPECT_TRUE(machine.Registry->Writes.empty());
  }
  EXPECT_FALSE(machine.Manager.ODBCExists("Nenhum"));  // no update creates a data source

  // A system data source without administrator rights.
  machine.Registry->SetReadOnly(HKLM, true);
  TDSNConfig financeiro = Config("Financeiro");
  financeiro.SetServer("srv2");
  EXPECT_FALSE(machine.Manager.UpdateDSN(financeiro));
  EXPECT_EQ(machine.Registry->ReadString(HKLM, kOdbcIni + "Financeiro", "Server"), "srv-Financeiro");
  EXPECT_EQ(machine.Registry->ReadString(HKLM, kList, "Financeiro"), "ODBC Driver 17 for SQL Server");
}
