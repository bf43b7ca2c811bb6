#include "Application/UseCases/ConfigureDatabase.h"

#include <utility>

namespace Application::UseCases {

using Core::ValueObjects::TConnectionConfig;
using Core::ValueObjects::TConnectionType;

TConfigureDatabaseUseCase::TConfigureDatabaseUseCase(std::shared_ptr<Core::Interfaces::IConfigService> AConfigService,
                                                     std::shared_ptr<Core::Interfaces::ITranslator> ATranslator,
                                                     std::shared_ptr<Core::Interfaces::IConfigWriter> AConfigWriter,
                                                     std::shared_ptr<Core::Interfaces::IDataSourceManager> ADataSources,
                                                     TDatabaseServiceCreator ADatabaseServiceCreator)
    : FConfigService(std::move(AConfigService)),
      FTranslator(std::move(ATranslator)),
      FConfigWriter(std::move(AConfigWriter)),
      FDataSources(std::move(ADataSources)),
      FDatabaseServiceCreator(std::move(ADatabaseServiceCreator)),
      FConfigPath(FConfigService->GetConfigPath()) {}

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
  if (!AConfig.Validate() || AConfig.LoginFieldWithEdgeBlanks() != Core::ValueObjects::TLoginField::None) return false;
  const bool direct = AConfig.ConnectionType() == TConnectionType::Direct;
  std::vector<std::pair<std::string, std::string>> values = {{"Usuario", AConfig.User()},
                                                             {"Senha", AConfig.Password()},
                                                             {"ODBC", direct ? std::string() : AConfig.ODBCName()},
                                                             {"Servidor", AConfig.Server()},
                                                             {"BANCO", AConfig.Database()}};
  // An ODBC save leaves an earlier driver name in the file.
  if (direct) values.emplace_back("DRIVE", AConfig.Driver());
  FConfigWriter->WriteDatabaseSettings(FConfigPath, values);
  return true;
}

bool TConfigureDatabaseUseCase::TestConnection(const TConnectionConfig& AConfig) {
  if (!AConfig.Validate()) return false;
  const std::shared_ptr<Core::Interfaces::IDatabaseService> service = FDatabaseServiceCreator(AConfig);
  // TestConnection closes the connection again whatever the outcome.
  return service->TestConnection(AConfig);
}

Core::Interfaces::TDatabaseConnectionResult TConfigureDatabaseUseCase::TestConnectionDetailed(
    const TConnectionConfig& AConfig, std::vector<std::string>* ADatabases) {
  if (ADatabases != nullptr) ADatabases->clear();
  Core::Interfaces::TDatabaseConnectionResult result;
  if (!AConfig.Validate()) {
    result.NeedsConfiguration = true;
    result.ErrorMessage = FTranslator->Translate("ConfigIncomplete");
    return result;
  }
  const std::shared_ptr<Core::Interfaces::IDatabaseService> service = FDatabaseServiceCreator(AConfig);
  result = service->Connect(AConfig);
  if (result.IsConnected && ADatabases != nullptr) *ADatabases = service->GetDatabaseNames();
  service->Disconnect();
  return result;
}

std::vector<std::string> TConfigureDatabaseUseCase::GetODBCList() {
  return FDataSources->GetInstalledODBCs();
}

std::vector<std::string> TConfigureDatabaseUseCase::GetAvailableDrivers() {
  return FDataSources->GetAvailableDrivers();
}

bool TConfigureDatabaseUseCase::DriverExists(const std::string& ADriverName) {
  return FDataSources->DriverExists(ADriverName);
}

bool TConfigureDatabaseUseCase::CreateDSN(const std::string& ADSNName, const std::string& ADriver,
                                          const std::string& AServer, const std::string& ADatabase) {
  return FDatabaseServiceCreator(TConnectionConfig())->CreateDSN(ADSNName, ADriver, AServer, ADatabase);
}

bool TConfigureDatabaseUseCase::DeleteDSN(const std::string& ADSNName) {
  return FDatabaseServiceCreator(TConnectionConfig())->DeleteDSN(ADSNName);
}

bool TConfigureDatabaseUseCase::CreateDSNFromConfig(const Core::ValueObjects::TDSNConfig& AConfig) {
  // The login typed in the editor is for the caller; the data source gets none.
  Core::ValueObjects::TDSNConfig record;
  record.SetDSNName(AConfig.DSNName());
  record.SetDriver(AConfig.Driver());
  record.SetServer(AConfig.Server());
  record.SetDatabase(AConfig.Database());
  record.SetDescription(AConfig.Description());
  return FDataSources->CreateDSN(record, Core::ValueObjects::TODSNType::User);
}

Core::ValueObjects::TDSNConfig TConfigureDatabaseUseCase::GetDSNConfig(const std::string& ADSNName) {
  return FDataSources->GetDSNConfig(ADSNName);
}

bool TConfigureDatabaseUseCase::UpdateDSN(const Core::ValueObjects::TDSNConfig& AConfig) {
  return FDataSources->UpdateDSN(AConfig);
}

bool TConfigureDatabaseUseCase::AutoCreateDSN(const TConnectionConfig& AConfig) {
  if (AConfig.ConnectionType() != TConnectionType::ODBC) return false;
  // An empty name is no data source, so the default name below takes effect.
  if (FDataSources->ODBCExists(AConfig.ODBCName())) return true;
  const std::string driver = AConfig.Driver().empty() ? DefaultDriver : AConfig.Driver();
  if (!FDataSources->DriverExists(driver)) return false;
  const std::string name = AConfig.ODBCName().empty() ? DefaultDSNName : AConfig.ODBCName();
  return CreateDSN(name, driver, AConfig.Server(), AConfig.Database());
}

}  // namespace Application::UseCases
