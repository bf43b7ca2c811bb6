// The ODBC manager and the configuration use case against the prefix's real
// registry, in the default view of this 32-bit process. The set-up writes the
// driver and data-source keys with advapi32 directly, as a Windows machine
// has them, and the checks read them back the same way.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Application/UseCases/ConfigureDatabase.h"
#include "Bootstrap/Composition.h"
#include "Infrastructure/Config/IniConfigService.h"
#include "Infrastructure/Database/ODBCManager.h"
#include "Infrastructure/Platform/Win32/WinText.h"
#include "Infrastructure/Platform/Win32/WindowsRegistry.h"
#include "Infrastructure/Translator/PortugueseTranslator.h"
#include "support/TempDir.h"
#include "windows/ODBCRegistryFixture.h"

using Core::ValueObjects::TDSNConfig;
using Core::ValueObjects::TODSNType;
using Infrastructure::Database::TODBCManager;
using Infrastructure::Platform::Win32::FromWide;
using Infrastructure::Platform::Win32::ToWide;

namespace {

using namespace TestSupport;
const std::string kList = kDataSources;
// Test drivers; the second one holds "SQL Server" inside a longer name.
const std::string kDriver = "QL Teste Driver";
const std::string kSqlServerDriver = "QL Teste ODBC Driver 17 for SQL Server";
const std::string kUserDSNs[] = {"QLTeste_Usuario", "QLTeste_Ambos", "QLTeste_Novo", "QuorvaneSoft_DSN"};
const std::string kSystemDSNs[] = {"QLTeste_Sistema1", "QLTeste_Sistema2", "QLTeste_Ambos", "QLTeste_NovoSistema"};

void SetNumber(HKEY AHive, const std::string& AKey, const std::string& AName, DWORD AValue) {
  HKEY key;
  if (RegCreateKeyExW(AHive, ToWide(AKey).c_str(), 0, nullptr, 0, KEY_SET_VALUE | kLauncherView, nullptr, &key,
                      nullptr) != ERROR_SUCCESS)
    return;
  RegSetValueExW(key, ToWide(AName).c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&AValue), sizeof(AValue));
  RegCloseKey(key);
}

// Only this test's entries, in the order the manager answered them.
std::vector<std::string> Ours(const std::vector<std::string>& ANames) {
  std::vector<std::string> ours;
  for (const std::string& name : ANames)
    if (name.rfind("QLTeste_", 0) == 0 || name == "QuorvaneSoft_DSN" || name.rfind("QL Teste", 0) == 0)
      ours.push_back(name);
  return ours;
}

// The machine of these tests: two drivers, a user data source, two system
// ones, and one defined in both hives. Removed again at the end, so the
// prefix keeps only what it had.
struct TOdbcMachine {
  TOdbcMachine() {
    Clean();
    for (const std::string& driver : {kDriver, kSqlServerDriver}) {
      RegSetText(HKEY_LOCAL_MACHINE, kDrivers, driver, "Installed");
      RegSetText(HKEY_LOCAL_MACHINE, kOdbcInst + driver, "Driver", "C:\\Windows\\system32\\" + driver + ".dll");
      RegSetText(HKEY_LOCAL_MACHINE, kOdbcInst + driver, "Setup", "C:\\Windows\\system32\\" + driver + "S.dll");
      RegSetText(HKEY_LOCAL_MACHINE, kOdbcInst + driver, "APILevel", "2");
      SetNumber(HKEY_LOCAL_MACHINE, kOdbcInst + driver, "UsageCount", 1);
    }
    AddDataSource(HKEY_CURRENT_USER, "QLTeste_Usuario", "srv-usuario");
    AddDataSource(HKEY_CURRENT_USER, "QLTeste_Ambos", "srv-usuario");
    AddDataSource(HKEY_LOCAL_MACHINE, "QLTeste_Sistema1", "srv-sistema");
    AddDataSource(HKEY_LOCAL_MACHINE, "QLTeste_Sistema2", "srv-sistema");
    AddDataSource(HKEY_LOCAL_MACHINE, "QLTeste_Ambos", "srv-sistema");
  }
  ~TOdbcMachine() { Clean(); }

  static void AddDataSource(HKEY AHive, const std::string& AName, const std::string& AServer) {
    RegSetText(AHive, kList, AName, kDriver);
    RegSetText(AHive, kOdbcIni + AName, "Driver", "C:\\Windows\\system32\\" + kDriver + ".dll");
    RegSetText(AHive, kOdbcIni + AName, "Server", AServer);
    RegSetText(AHive, kOdbcIni + AName, "Description", "Teste");
  }
  static void Clean() {
    for (const std::string& driver : {kDriver, kSqlServerDriver}) {
      RegRemoveValue(HKEY_LOCAL_MACHINE, kDrivers, driver);
      RegRemoveTree(HKEY_LOCAL_MACHINE, kOdbcInst + driver);
    }
    for (const std::string& name : kUserDSNs) {
      RegRemoveValue(HKEY_CURRENT_USER, kList, name);
      RegRemoveTree(HKEY_CURRENT_USER, kOdbcIni + name);
    }
    for (const std::string& name : kSystemDSNs) {
      RegRemoveValue(HKEY_LOCAL_MACHINE, kList, name);
      RegRemoveTree(HKEY_LOCAL_MACHINE, kOdbcIni + name);
    }
  }

  TODBCManager Manager{std::make_shared<Infrastructure::Platform::Win32::TWindowsRegistry>()};
};

}  // namespace

TEST(ODBCManagerWindows, ListsAndFindsTheDataSourcesOfBothHives) {
  const TOdbcMachine machine;
  // Within a hive the registry decides the order (Wine sorts, Windows keeps
  // creation order); user data sources always come first.
  std::vector<std::string> listed = Ours(machine.Manager.GetInstalledODBCs());
  ASSERT_EQ(listed.size(), 5u);
  std::sort(listed.begin(), listed.begin() + 2);
  std::sort(listed.begin() + 2, listed.end());
  EXPECT_EQ(listed, (std::vector<std::string>{"QLTeste_Ambos", "QLTeste_Usuario", "QLTeste_Ambos", "QLTeste_Sistema1",
                                              "QLTeste_Sistema2"}));

  for (const char* name : {"QLTeste_Usuario", "qlteste_sistema2", "QLTeste_Ambos"}) {
    SCOPED_TRACE(name);
    EXPECT_TRUE(machine.Manager.ODBCExists(name));
  }
  EXPECT_FALSE(machine.Manager.ODBCExists("QLTeste_Nenhum"));
  EXPECT_FALSE(machine.Manager.ODBCExists(""));

  EXPECT_EQ(machine.Manager.GetDSNConfig("QLTeste_Ambos").Server(), "srv-usuario");  // the user's wins
  EXPECT_EQ(machine.Manager.GetDSNConfig("QLTeste_Sistema1").Server(), "srv-sistema");
  EXPECT_EQ(machine.Manager.GetDSNConfig("QLTeste_Sistema1").Description(), "Teste");
  EXPECT_EQ(machine.Manager.GetDSNConfig("QLTeste_Nenhum").Server(), TDSNConfig::DefaultServer);
}

TEST(ODBCManagerWindows, FindsTheDriversRegisteredUnderODBCINST) {
  const TOdbcMachine machine;
  std::vector<std::string> drivers = Ours(machine.Manager.GetAvailableDrivers());
  std::sort(drivers.begin(), drivers.end());
  EXPECT_EQ(drivers, (std::vector<std::string>{kDriver, kSqlServerDriver}));
  EXPECT_TRUE(machine.Manager.DriverExists("ql teste driver"));
  EXPECT_TRUE(machine.Manager.DriverExists("Driver 17 for SQL"));
  EXPECT_FALSE(machine.Manager.DriverExists("driver 17 for sql"));
}

TEST(ODBCManagerWindows, CreatesAndDeletesDataSourcesInTheRealRegistry) {
  const TOdbcMachine machine;
  TDSNConfig config;
  config.SetDSNName("QLTeste_Novo");
  config.SetDriver(kDriver);
  config.SetServer("srv\\SQLEXPRESS");
  config.SetDatabase("Vendas");
  config.SetUser("sa");
  config.SetPassword("segredo");
  ASSERT_TRUE(machine.Manager.CreateDSN(config, TODSNType::User));

  const std::string key = kOdbcIni + "QLTeste_Novo";
  EXPECT_EQ(RegGetText(HKEY_CURRENT_USER, kList, "QLTeste_Novo"), kDriver);
  EXPECT_EQ(RegGetText(HKEY_CURRENT_USER, key, "Driver"), "C:\\Windows\\system32\\" + kDriver + ".dll");
  EXPECT_EQ(RegGetText(HKEY_CURRENT_USER, key, "Description"), TDSNConfig::DefaultDescription);
  EXPECT_EQ(RegGetText(HKEY_CURRENT_USER, key, "Server"), "srv\\SQLEXPRESS");
  EXPECT_EQ(RegGetText(HKEY_CURRENT_USER, key, "Database"), "Vendas");
  EXPECT_EQ(RegGetText(HKEY_CURRENT_USER, key, "LastUser"), "sa");
  EXPECT_EQ(RegGetText(HKEY_CURRENT_USER, key, "Password"), std::nullopt);
  EXPECT_FALSE(RegKeyPresent(HKEY_LOCAL_MACHINE, key));

  // A name that exists as a system data source is left alone.
  config.SetDSNName("QLTeste_Sistema1");
  EXPECT_TRUE(machine.Manager.CreateDSN(config, TODSNType::User));
  EXPECT_FALSE(RegKeyPresent(HKEY_CURRENT_USER, kOdbcIni + "QLTeste_Sistema1"));

  // A system data source lands in the view 32-bit ODBC reads, and only there (64-bit Windows, and the
  // 64-bit build under a 64-bit prefix, have a second view).
  config.SetDSNName("QLTeste_NovoSistema");
  ASSERT_TRUE(machine.Manager.CreateDSN(config, TODSNType::System));
  EXPECT_EQ(RegGetText(HKEY_LOCAL_MACHINE, kOdbcIni + "QLTeste_NovoSistema", "Server", KEY_WOW64_32KEY),
            "srv\\SQLEXPRESS");
  if (sizeof(void*) == 8) {
    EXPECT_EQ(RegGetText(HKEY_LOCAL_MACHINE, kOdbcIni + "QLTeste_NovoSistema", "Server", KEY_WOW64_64KEY),
              std::nullopt);
  }

  EXPECT_TRUE(machine.Manager.DeleteDSN("QLTeste_Novo", TODSNType::User));
  EXPECT_FALSE(RegKeyPresent(HKEY_CURRENT_USER, key));
  EXPECT_EQ(RegGetText(HKEY_CURRENT_USER, kList, "QLTeste_Novo"), std::nullopt);
  // Deleting the user's copy of a name in both hives keeps the system one.
  EXPECT_TRUE(machine.Manager.DeleteDSN("QLTeste_Ambos", TODSNType::User));
  EXPECT_TRUE(machine.Manager.ODBCExists("QLTeste_Ambos"));
  EXPECT_EQ(RegGetText(HKEY_LOCAL_MACHINE, kList, "QLTeste_Ambos"), kDriver);
  // Never the list key itself.
  EXPECT_FALSE(machine.Manager.DeleteDSN("ODBC Data Sources", TODSNType::User));
  EXPECT_TRUE(RegKeyPresent(HKEY_CURRENT_USER, kList));
}

TEST(ODBCManagerWindows, TheUseCaseCreatesTheDefaultDataSourceForTheUser) {
  const TOdbcMachine machine;
  TestSupport::TTempDir temp;
  auto useCasePointer = Bootstrap::CreateConfigureDatabaseUseCase(
      std::make_shared<Infrastructure::Config::TIniConfigService>(temp.Path(), std::vector<std::string>{}),
      std::make_shared<Infrastructure::Translator::TPortugueseTranslator>());
  auto& useCase = *useCasePointer;

  Core::ValueObjects::TConnectionConfig config;
  config.SetODBCName("QLTeste_Sistema2");
  config.SetUser("sa");
  EXPECT_TRUE(useCase.AutoCreateDSN(config));  // exists: nothing written
  EXPECT_FALSE(RegKeyPresent(HKEY_CURRENT_USER, kOdbcIni + "QLTeste_Sistema2"));

  // No name, no driver: "SQL Server" is found inside the longer driver name.
  config.SetODBCName("");
  config.SetServer("127.0.0.1");
  ASSERT_TRUE(useCase.AutoCreateDSN(config));
  EXPECT_EQ(RegGetText(HKEY_CURRENT_USER, kList, "QuorvaneSoft_DSN"), "SQL Server");
  EXPECT_EQ(RegGetText(HKEY_CURRENT_USER, kOdbcIni + "QuorvaneSoft_DSN", "Server"), "127.0.0.1");
  EXPECT_FALSE(RegKeyPresent(HKEY_LOCAL_MACHINE, kOdbcIni + "QuorvaneSoft_DSN"));
  EXPECT_TRUE(useCase.DeleteDSN("QuorvaneSoft_DSN"));
}

TEST(ODBCManagerWindows, UpdateRewritesTheDataSourceInItsOwnHive) {
  const TOdbcMachine machine;
  TDSNConfig config;
  config.SetDSNName("QLTeste_Sistema1");
  config.SetDriver(kSqlServerDriver);
  config.SetServer("srv-novo");
  config.SetDatabase("Vendas");
  config.SetDescription("Matriz");
  ASSERT_TRUE(machine.Manager.UpdateDSN(config));
  const std::string key = kOdbcIni + "QLTeste_Sistema1";
  EXPECT_EQ(RegGetText(HKEY_LOCAL_MACHINE, kList, "QLTeste_Sistema1"), kSqlServerDriver);
  EXPECT_EQ(RegGetText(HKEY_LOCAL_MACHINE, key, "Driver"), "C:\\Windows\\system32\\" + kSqlServerDriver + ".dll");
  EXPECT_EQ(RegGetText(HKEY_LOCAL_MACHINE, key, "Server"), "srv-novo");
  EXPECT_EQ(RegGetText(HKEY_LOCAL_MACHINE, key, "Database"), "Vendas");
  EXPECT_EQ(RegGetText(HKEY_LOCAL_MACHINE, key, "Description"), "Matriz");
  EXPECT_FALSE(RegKeyPresent(HKEY_CURRENT_USER, key));
  EXPECT_EQ(machine.Manager.GetDSNConfig("QLTeste_Sistema1").Driver(), kSqlServerDriver);

  // An empty database removes the stored one; a name without a data source is refused.
  config.SetDatabase("");
  ASSERT_TRUE(machine.Manager.UpdateDSN(config));
  EXPECT_EQ(RegGetText(HKEY_LOCAL_MACHINE, key, "Database"), std::nullopt);
  config.SetDSNName("QLTeste_Nenhum");
  EXPECT_FALSE(machine.Manager.UpdateDSN(config));
  EXPECT_FALSE(RegKeyPresent(HKEY_CURRENT_USER, kOdbcIni + "QLTeste_Nenhum"));
  EXPECT_FALSE(RegKeyPresent(HKEY_LOCAL_MACHINE, kOdbcIni + "QLTeste_Nenhum"));
}
