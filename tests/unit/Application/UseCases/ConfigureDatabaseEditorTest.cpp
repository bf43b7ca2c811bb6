// The use case's operations for the ODBC editor, over the real ODBC manager
// and an in-memory registry.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "Application/UseCases/ConfigureDatabase.h"
#include "Infrastructure/Config/IniConfigService.h"
#include "Infrastructure/Config/IniConfigWriter.h"
#include "Infrastructure/Database/ODBCManager.h"
#include "Infrastructure/Translator/PortugueseTranslator.h"
#include "support/MemoryRegistry.h"
#include "support/TempDir.h"

using Core::Interfaces::TRegistryHive;
using Core::ValueObjects::TDSNConfig;

namespace {

constexpr auto HKCU = TRegistryHive::CurrentUser;
const std::string kList = "Software\\ODBC\\ODBC.INI\\ODBC Data Sources";
const std::string kOdbcIni = "Software\\ODBC\\ODBC.INI\\";

struct TSetup {
  TestSupport::TTempDir Temp;
  std::shared_ptr<TestSupport::TMemoryRegistry> Registry = std::make_shared<TestSupport::TMemoryRegistry>();
  Application::UseCases::TConfigureDatabaseUseCase UseCase{
      std::make_shared<Infrastructure::Config::TIniConfigService>(Temp.Path(), std::vector<std::string>{}),
      std::make_shared<Infrastructure::Translator::TPortugueseTranslator>(),
      std::make_shared<Infrastructure::Config::TIniConfigWriter>(),
      std::make_shared<Infrastructure::Database::TODBCManager>(Registry),
      [](const Core::ValueObjects::TConnectionConfig&) -> std::shared_ptr<Core::Interfaces::IDatabaseService> {
        ADD_FAILURE() << "the editor's operations need no database service";
        return nullptr;
      }};
};

TDSNConfig EditorRecord(const std::string& AName) {
  TDSNConfig config;
  config.SetDSNName(AName);
  config.SetDriver("SQL Server");
  config.SetServer("srv");
  config.SetDatabase("Vendas");
  config.SetDescription("Filial Centro");
  config.SetUser("sa");
  config.SetPassword("segredo");
  return config;
}

}  // namespace

TEST(ConfigureDatabaseEditor, CreatesWithTheTypedDescriptionAndNoLogin) {
  TSetup setup;
  ASSERT_TRUE(setup.UseCase.CreateDSNFromConfig(EditorRecord("Loja")));
  const std::string key = kOdbcIni + "Loja";
  EXPECT_EQ(setup.Registry->ReadString(HKCU, kList, "Loja"), "SQL Server");
  EXPECT_EQ(setup.Registry->ReadString(HKCU, key, "Description"), "Filial Centro");
  EXPECT_EQ(setup.Registry->ReadString(HKCU, key, "Server"), "srv");
  EXPECT_EQ(setup.Registry->ReadString(HKCU, key, "Database"), "Vendas");
  EXPECT_FALSE(setup.Registry->ValueExists(HKCU, key, "LastUser"));
  EXPECT_FALSE(setup.Registry->ValueExists(HKCU, key, "Trusted_Connection"));

  // An existing name answers true and stays as it was.
  setup.Registry->Writes.clear();
  TDSNConfig again = EditorRecord("Loja");
  again.SetServer("outro");
  EXPECT_TRUE(setup.UseCase.CreateDSNFromConfig(again));
  EXPECT_TRUE(setup.Registry->Writes.empty());
}

TEST(ConfigureDatabaseEditor, ReadsAndRewritesAStoredDataSource) {
  TSetup setup;
  ASSERT_TRUE(setup.UseCase.CreateDSNFromConfig(EditorRecord("Loja")));
  TDSNConfig stored = setup.UseCase.GetDSNConfig("Loja");
  EXPECT_EQ(stored.Driver(), "SQL Server");
  EXPECT_EQ(stored.Description(), "Filial Centro");

  stored.SetDatabase("Estoque");
  ASSERT_TRUE(setup.UseCase.UpdateDSN(stored));
  EXPECT_EQ(setup.UseCase.GetDSNConfig("Loja").Database(), "Estoque");
  EXPECT_FALSE(setup.UseCase.UpdateDSN(EditorRecord("Nenhum")));
}
