#include "Application/UseCases/ConfigureDatabase.h"

#include <utility>

#include "Infrastructure/Config/IniFile.h"
#include "Infrastructure/Database/SQLDatabaseService.h"

namespace Application::UseCases {

using Core::ValueObjects::TConnectionConfig;
using Core::ValueObjects::TConnectionType;

namespace {

constexpr const char* kSection = "BancoDados";

}  // namespace

TConfigureDatabaseUseCase::TConfigureDatabaseUseCase(std::shared_ptr<Core::Interfaces::IConfigService> AConfigService,
                                                     std::shared_ptr<Core::Interfaces::ITranslator> ATranslator,
                                                     std::shared_ptr<Core::Interfaces::IRegistry> ARegistry,
                                                     TDatabaseServiceCreator ADatabaseServiceCreator)
    : FConfigService(std::move(AConfigService)),
      FTranslator(std::move(ATranslator)),
      FODBCManager(ARegistry),
      FDatabaseServiceCreator(std::move(ADatabaseServiceCreator)) {
  if (!FDatabaseServiceCreator)
    FDatabaseServiceCreator = [registry = std::move(ARegistry)](const TConnectionConfig& AConfig) {
      return std::make_shared<Infrastructure::Database::TSQLDatabaseService>(AConfig, registry);
    };
  FConfigPath = FConfigService->GetConfigPath();
}

TConnectionConfig TConfigureDatabaseUseCase::GetConnectionConfig() {
  TConnectionConfig config;
  if (!FConfigService->ConfigExists(FConfigPath)) return config;
  config.SetUser(FConfigService->GetDatabaseUser(FConfigPath));
  config.SetPassword(FConfigService->GetDatabasePassword(FConfigPath));
  config.SetODBCName(FConfigService->GetDatabaseODBC(FConfigPath));
  config.SetServer(FConfigService->GetDatabaseServer(FConfigPath));
  config.SetDatabase(FConfigService->GetDatabaseName(FConfigPath));
  config.SetDriver(FConfigService->GetDatabaseDriver(FConfigPath));
  config.SetConnectionType(config.ODBCName().empty() ? TConnectionType::Direct : TConnectionType::ODBC);
  config.SetIsConfigured(config.Validate());
  return config;
}

bool TConfigureDatabaseUseCase::SaveConnectionConfig(const TConnectionConfig& AConfig) {
  if (!AConfig.Validate()) return false;
  // Every key is set in memory before anything is written: a value the file
  // cannot hold fails the save with the old file whole.
  Infrastructure::Config::TIniFile file = Infrastructure::Config::TIniFile::Load(FConfigPath);
  file.WriteString(kSection, "Usuario", AConfig.User());
  file.WriteString(kSection, "Senha", AConfig.Password());
  const bool direct = AConfig.ConnectionType() == TConnectionType::Direct;
  file.WriteString(kSection, "ODBC", direct ? std::string() : AConfig.ODBCName());
  file.WriteString(kSection, "Servidor", AConfig.Server());
  file.WriteString(kSection, "BANCO", AConfig.Database());
  if (direct) file.WriteString(kSection, "DRIVE", AConfig.Driver());
  file.Save(FConfigPath);
  return true;
}

bool TConfigureDatabaseUseCase::TestConnection(const TConnectionConfig& AConfig) {
  if (!AConfig.Validate()) return false;
  const std::shared_ptr<Core::Interfaces::IDatabaseService> service = FDatabaseServiceCreator(AConfig);
  // TestConnection closes the connection again whatever the outcome.
  return service->TestConnection(AConfig);
}

std::vector<std::string> TConfigureDatabaseUseCase::GetODBCList() {
  return FODBCManager.GetInstalledODBCs();
}

std::vector<std::string> TConfigureDatabaseUseCase::GetAvailableDrivers() {
  return FODBCManager.GetAvailableDrivers();
}

bool TConfigureDatabaseUseCase::DriverExists(const std::string& ADriverName) {
  return FODBCManager.DriverExists(ADriverName);
}

bool TConfigureDatabaseUseCase::CreateDSN(const std::string& ADSNName, const std::string& ADriver,
                                          const std::string& AServer, const std::string& ADatabase) {
  return FDatabaseServiceCreator(TConnectionConfig())->CreateDSN(ADSNName, ADriver, AServer, ADatabase);
}

bool TConfigureDatabaseUseCase::DeleteDSN(const std::string& ADSNName) {
  return FDatabaseServiceCreator(TConnectionConfig())->DeleteDSN(ADSNName);
}

bool TConfigureDatabaseUseCase::AutoCreateDSN(const TConnectionConfig& AConfig) {
  if (AConfig.ConnectionType() != TConnectionType::ODBC) return false;
  // An empty name is no data source, so the default name below takes effect.
  if (FODBCManager.ODBCExists(AConfig.ODBCName())) return true;
  const std::string driver = AConfig.Driver().empty() ? DefaultDriver : AConfig.Driver();
  if (!FODBCManager.DriverExists(driver)) return false;
  const std::string name = AConfig.ODBCName().empty() ? DefaultDSNName : AConfig.ODBCName();
  return CreateDSN(name, driver, AConfig.Server(), AConfig.Database());
}

}  // namespace Application::UseCases
