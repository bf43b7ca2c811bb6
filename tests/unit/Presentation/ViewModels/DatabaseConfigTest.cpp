#include "Presentation/ViewModels/DatabaseConfig.h"

#include <gtest/gtest.h>

#include <memory>

#include "Infrastructure/Config/IniConfigService.h"
#include "Infrastructure/Config/IniConfigWriter.h"
#include "Infrastructure/Database/ODBCManager.h"
#include "Infrastructure/Database/SQLDatabaseService.h"
#include "Infrastructure/Translator/PortugueseTranslator.h"
#include "support/DatabasePeers.h"
#include "support/MemoryRegistry.h"
#include "support/TempDir.h"

using Core::Interfaces::TRegistryHive;
using Core::ValueObjects::TConnectionConfig;
using Presentation::ViewModels::TDatabaseConfigViewModel;

TEST(DatabaseConfigViewModel, HandsTheWindowsRequestsToTheUseCase) {
  TestSupport::TTempDir temp;
  auto registry = std::make_shared<TestSupport::TMemoryRegistry>();
  registry->Put(TRegistryHive::LocalMachine, "Software\\ODBC\\ODBCINST.INI\\ODBC Drivers", "SQL Server", "Installed");
  auto translator = std::make_shared<Infrastructure::Translator::TPortugueseTranslator>();
  auto useCase = std::make_shared<Application::UseCases::TConfigureDatabaseUseCase>(
      std::make_shared<Infrastructure::Config::TIniConfigService>(temp.Path(), std::vector<std::string>{}), translator,
      std::make_shared<Infrastructure::Config::TIniConfigWriter>(),
      std::make_shared<Infrastructure::Database::TODBCManager>(registry),
      [registry](const Core::ValueObjects::TConnectionConfig& AConfig) {
        return std::make_shared<Infrastructure::Database::TSQLDatabaseService>(AConfig, registry);
      });
  TDatabaseConfigViewModel viewModel(useCase, translator);

  viewModel.LoadConfiguration();
  EXPECT_FALSE(useCase->GetConnectionConfig().IsConfigured());  // loading reads nothing in

  TConnectionConfig incomplete;
  incomplete.SetODBCName("Loja");
  viewModel.SaveConfiguration(incomplete);  // refused quietly: the window validates first
  EXPECT_FALSE(useCase->GetConnectionConfig().IsConfigured());
  const TConnectionConfig working = TestSupport::PeerDSN("QL_PG");
  viewModel.SaveConfiguration(working);
  EXPECT_EQ(useCase->GetConnectionConfig().ODBCName(), "QL_PG");

  EXPECT_TRUE(viewModel.TestConnection(working));
  std::vector<std::string> databases;
  EXPECT_TRUE(viewModel.TestConnectionDetailed(working, &databases).IsConnected);
  EXPECT_EQ(databases, (std::vector<std::string>{"ql_teste"}));
  EXPECT_EQ(viewModel.GetAvailableDrivers(), (std::vector<std::string>{"SQL Server"}));
  EXPECT_TRUE(viewModel.CreateODBC("Novo", "SQL Server", "(local)", "Vendas"));
  EXPECT_EQ(viewModel.GetODBCList(), (std::vector<std::string>{"Novo"}));
  EXPECT_TRUE(registry->KeyExists(TRegistryHive::CurrentUser, "Software\\ODBC\\ODBC.INI\\Novo"));
}
