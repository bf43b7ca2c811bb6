#include "Application/UseCases/ConfigureDatabase.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "Core/Errors.h"
#include "Infrastructure/Config/IniConfigService.h"
#include "Infrastructure/Config/IniConfigWriter.h"
#include "Infrastructure/Database/ODBCManager.h"
#include "Infrastructure/Database/SQLDatabaseService.h"
#include "Infrastructure/Translator/PortugueseTranslator.h"
#include "support/DatabasePeers.h"
#include "support/MemoryRegistry.h"
#include "support/TempDir.h"

using Application::UseCases::TConfigureDatabaseUseCase;
using Application::UseCases::TDatabaseServiceCreator;
using Core::Interfaces::TRegistryHive;
using Core::ValueObjects::TConnectionConfig;
using Core::ValueObjects::TConnectionType;
using TestSupport::ReadFileBytes;
using TestSupport::TMemoryRegistry;
using TestSupport::TTempDir;

namespace {

constexpr auto HKCU = TRegistryHive::CurrentUser;
constexpr auto HKLM = TRegistryHive::LocalMachine;
const std::string kList = "Software\\ODBC\\ODBC.INI\\ODBC Data Sources";
const std::string kDrivers = "Software\\ODBC\\ODBCINST.INI\\ODBC Drivers";

// The launcher's folder in a temporary folder, the real INI and catalogue
// services, and an in-memory registry.
struct TSetup {
  TTempDir Temp;
  std::shared_ptr<TMemoryRegistry> Registry = std::make_shared<TMemoryRegistry>();
  std::shared_ptr<Infrastructure::Config::TIniConfigService> ConfigService =
      std::make_shared<Infrastructure::Config::TIniConfigService>(Temp.Path(), std::vector<std::string>{});

  TConfigureDatabaseUseCase UseCase(TDatabaseServiceCreator ACreator = {}) {
    if (!ACreator)
      ACreator = [registry = Registry](const TConnectionConfig& AConfig) {
        return std::make_shared<Infrastructure::Database::TSQLDatabaseService>(AConfig, registry);
      };
    return TConfigureDatabaseUseCase(ConfigService,
                                     std::make_shared<Infrastructure::Translator::TPortugueseTranslator>(),
                                     std::make_shared<Infrastructure::Config::TIniConfigWriter>(),
                                     std::make_shared<Infrastructure::Database::TODBCManager>(Registry),
                                     std::move(ACreator));
  }
  std::string ConfigFile() const { return Temp.Join("Config.ini"); }
};

TConnectionConfig Odbc(const std::string& AName, const std::string& AUser) {
  TConnectionConfig config;
  config.SetODBCName(AName);
  config.SetUser(AUser);
  return config;
}

TConnectionConfig Direct() {
  TConnectionConfig config;
  config.SetConnectionType(TConnectionType::Direct);
  config.SetServer("srv\\SQLEXPRESS");
  config.SetDatabase("Vendas");
  config.SetDriver("SQL Server");
  config.SetUser("sa");
  config.SetPassword("p;w");
  return config;
}

}  // namespace

TEST(ConfigureDatabase, GetConnectionConfigDerivesTheTypeAndCompleteness) {
  struct TCase {
    const char* Name;
    const char* File;  // nullptr: no file
    TConnectionType Type;
    bool Configured;
  };
  const TCase cases[] = {
      {"no file", nullptr, TConnectionType::ODBC, false},
      {"driver settings", "[BancoDados]\nUsuario=sa\nODBC=\nServidor=srv\nBANCO=db\nDRIVE=SQL Server\n",
       TConnectionType::Direct, true},
      {"data source without login", "[bancodados]\nODBC=Loja\n", TConnectionType::ODBC, false},
      {"data source with login", "[BancoDados]\nODBC=Loja\nUsuario=sa\n", TConnectionType::ODBC, true},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    TSetup setup;
    if (c.File != nullptr) setup.Temp.WriteFile("Config.ini", c.File);
    const TConnectionConfig config = setup.UseCase().GetConnectionConfig();
    EXPECT_EQ(config.ConnectionType(), c.Type);
    EXPECT_EQ(config.IsConfigured(), c.Configured);
  }

  TSetup setup;
  setup.Temp.WriteFile("Config.ini", "[BancoDados]\nUsuario=sa\nSenha=x\nODBC=Loja\nServidor=s\nBANCO=b\nDRIVE=d\n");
  const TConnectionConfig all = setup.UseCase().GetConnectionConfig();
  EXPECT_EQ(all.User() + all.Password() + all.ODBCName() + all.Server() + all.Database() + all.Driver(), "saxLojasbd");
}

TEST(ConfigureDatabase, SaveWritesTheSectionAndKeepsTheRestOfTheFile) {
  TSetup setup;
  setup.Temp.WriteFile("Config.ini", "; comentario\r\n[Atualizacao]\r\nURL=http://127.0.0.1/x\r\n");
  TConfigureDatabaseUseCase useCase = setup.UseCase();

  ASSERT_TRUE(useCase.SaveConnectionConfig(Direct()));
  EXPECT_EQ(ReadFileBytes(setup.ConfigFile()),
            "[Atualizacao]\r\nURL=http://127.0.0.1/x\r\n\r\n"
            "[BancoDados]\r\nUsuario=sa\r\nSenha=p;w\r\nODBC=\r\nServidor=srv\\SQLEXPRESS\r\nBANCO=Vendas\r\n"
            "DRIVE=SQL Server\r\n\r\n");
  EXPECT_EQ(useCase.GetConnectionConfig().ConnectionType(), TConnectionType::Direct);

  // An ODBC save after a driver one leaves the old driver in the file.
  ASSERT_TRUE(useCase.SaveConnectionConfig(Odbc("Loja", "ana")));
  const TConnectionConfig reloaded = useCase.GetConnectionConfig();
  EXPECT_EQ(reloaded.ConnectionType(), TConnectionType::ODBC);
  EXPECT_EQ(reloaded.ODBCName(), "Loja");
  EXPECT_EQ(reloaded.User(), "ana");
  EXPECT_EQ(reloaded.Password(), "");
  EXPECT_EQ(reloaded.Driver(), "SQL Server");
  EXPECT_TRUE(reloaded.IsConfigured());
}

TEST(ConfigureDatabase, SettingsThatCannotBeSavedLeaveTheFileAsItWas) {
  TSetup setup;
  const std::string before = "[BancoDados]\r\nUsuario=velho\r\n";
  setup.Temp.WriteFile("Config.ini", before);
  TConfigureDatabaseUseCase useCase = setup.UseCase();

  EXPECT_FALSE(useCase.SaveConnectionConfig(Odbc("Loja", "")));  // no login: incomplete
  // The file would give these back trimmed, another login than the one tested.
  EXPECT_FALSE(useCase.SaveConnectionConfig(Odbc("Loja", " ana")));
  TConnectionConfig blanks = Direct();
  blanks.SetPassword("segredo ");
  EXPECT_FALSE(useCase.SaveConnectionConfig(blanks));
  TConnectionConfig broken = Direct();
  broken.SetPassword("linha\nnova");  // would read back as another line
  EXPECT_THROW(useCase.SaveConnectionConfig(broken), Core::EArgumentError);
  EXPECT_EQ(ReadFileBytes(setup.ConfigFile()), before);
}

TEST(ConfigureDatabase, TestConnectionTriesOnlyCompleteSettingsAndReportsTheOutcome) {
  TSetup setup;
  int created = 0;
  TConfigureDatabaseUseCase counting = setup.UseCase([&](const TConnectionConfig& AConfig) {
    ++created;
    return std::make_shared<Infrastructure::Database::TSQLDatabaseService>(AConfig, setup.Registry);
  });
  TConnectionConfig noUser = TestSupport::PeerDSN("QL_Silencioso");
  noUser.SetUser("");
  EXPECT_FALSE(counting.TestConnection(noUser));
  EXPECT_EQ(created, 0);

  // The real service against the real server.
  TConfigureDatabaseUseCase useCase = setup.UseCase();
  EXPECT_TRUE(useCase.TestConnection(TestSupport::PeerDSN("QL_PG")));
  EXPECT_TRUE(useCase.TestConnection(TestSupport::PeerPostgresDirect()));
  TConnectionConfig wrong = TestSupport::PeerDSN("QL_PG");
  wrong.SetPassword("errada");
  EXPECT_FALSE(useCase.TestConnection(wrong));
}

TEST(ConfigureDatabase, TheDetailedTestCarriesTheDriversMessageAndListsNothingForFailures) {
  TSetup setup;
  int created = 0;
  TConfigureDatabaseUseCase counting = setup.UseCase([&](const TConnectionConfig& AConfig) {
    ++created;
    return std::make_shared<Infrastructure::Database::TSQLDatabaseService>(AConfig, setup.Registry);
  });
  TConnectionConfig noDatabase = TestSupport::PeerPostgresDirect();
  noDatabase.SetDatabase("");
  std::vector<std::string> databases = {"left over"};
  const auto refused = counting.TestConnectionDetailed(noDatabase, &databases);
  EXPECT_FALSE(refused.IsConnected);
  EXPECT_TRUE(refused.NeedsConfiguration);
  EXPECT_EQ(refused.ErrorMessage, "Configuração incompleta. Preencha todos os campos obrigatórios.");
  EXPECT_TRUE(databases.empty());
  EXPECT_EQ(created, 0);

  TConnectionConfig wrong = TestSupport::PeerPostgresDirect();
  wrong.SetPassword("errada");
  databases = {"left over"};
  const auto failed = counting.TestConnectionDetailed(wrong, &databases);
  EXPECT_FALSE(failed.IsConnected);
  EXPECT_FALSE(failed.NeedsConfiguration);
  EXPECT_NE(failed.ErrorMessage.find("password authentication failed"), std::string::npos) << failed.ErrorMessage;
  EXPECT_TRUE(databases.empty());

  const auto connected = counting.TestConnectionDetailed(TestSupport::PeerPostgresDirect());
  EXPECT_TRUE(connected.IsConnected);
  EXPECT_EQ(connected.ErrorMessage, "");
  // The databases come over the test's own connection: one service, one connect.
  created = 0;
  EXPECT_TRUE(counting.TestConnectionDetailed(TestSupport::PeerPostgresDirect("ql_nulo"), &databases).IsConnected);
  EXPECT_EQ(databases, (std::vector<std::string>{"ql_nulo"}));
  EXPECT_EQ(created, 1);
}

TEST(ConfigureDatabase, DataSourcesAreCreatedAndDeletedForTheUserOnly) {
  TSetup setup;
  setup.Registry->Put(HKLM, kDrivers, "SQL Server", "Installed");
  TConfigureDatabaseUseCase useCase = setup.UseCase();
  ASSERT_TRUE(useCase.CreateDSN("Novo", "SQL Server", "srv", "db"));
  EXPECT_TRUE(setup.Registry->KeyExists(HKCU, "Software\\ODBC\\ODBC.INI\\Novo"));
  EXPECT_FALSE(setup.Registry->KeyExists(HKLM, "Software\\ODBC\\ODBC.INI\\Novo"));
  EXPECT_EQ(useCase.GetODBCList(), (std::vector<std::string>{"Novo"}));
  EXPECT_EQ(useCase.GetAvailableDrivers(), (std::vector<std::string>{"SQL Server"}));
  EXPECT_TRUE(useCase.DriverExists("sql server"));

  setup.Registry->Put(HKLM, "Software\\ODBC\\ODBC.INI\\Maquina", "Server", "x");
  EXPECT_FALSE(useCase.DeleteDSN("Maquina"));
  EXPECT_TRUE(setup.Registry->KeyExists(HKLM, "Software\\ODBC\\ODBC.INI\\Maquina"));
  EXPECT_TRUE(useCase.DeleteDSN("Novo"));
  EXPECT_TRUE(useCase.GetODBCList().empty());
}

TEST(ConfigureDatabase, AutoCreateDSN) {
  struct TCase {
    const char* Name;
    TConnectionConfig Config;
    const char* Driver;  // the installed driver, nullptr for none
    bool Answer;
    const char* Created;  // the data source expected afterwards under HKCU, nullptr for none
  };
  TConnectionConfig namedWithDriver = Odbc("Loja2", "sa");
  namedWithDriver.SetDriver("PostgreSQL Unicode");
  namedWithDriver.SetServer("127.0.0.1");
  const TCase cases[] = {
      {"driver settings", Direct(), "SQL Server", false, nullptr},
      {"exists as a system data source", Odbc("Maquina", "sa"), "SQL Server", true, nullptr},
      {"no driver named or containing SQL Server", Odbc("Loja2", "sa"), "PostgreSQL Unicode", false, nullptr},
      {"the default driver inside a longer name", Odbc("Loja2", "sa"), "ODBC Driver 17 for SQL Server", true, "Loja2"},
      {"the given driver", namedWithDriver, "PostgreSQL Unicode", true, "Loja2"},
      // An empty name is no data source, so the default name is created.
      {"no name", Odbc("", "sa"), "SQL Server", true, "QuorvaneSoft_DSN"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    TSetup setup;
    if (c.Driver != nullptr) setup.Registry->Put(HKLM, kDrivers, c.Driver, "Installed");
    setup.Registry->Put(HKLM, "Software\\ODBC\\ODBC.INI\\Maquina", "Server", "x");
    EXPECT_EQ(setup.UseCase().AutoCreateDSN(c.Config), c.Answer);
    if (c.Created == nullptr) {
      EXPECT_TRUE(setup.Registry->Writes.empty());
    } else {
      EXPECT_TRUE(setup.Registry->KeyExists(HKCU, std::string("Software\\ODBC\\ODBC.INI\\") + c.Created));
      EXPECT_EQ(setup.Registry->ReadString(HKCU, kList, c.Created),
                c.Config.Driver().empty() ? "SQL Server" : c.Config.Driver());
    }
  }
}
