#include "Presentation/ViewModels/DatabaseConfig.h"

#include <utility>

namespace Presentation::ViewModels {

TDatabaseConfigViewModel::TDatabaseConfigViewModel(
    std::shared_ptr<Application::UseCases::IConfigureDatabaseUseCase> AConfigureUseCase,
    std::shared_ptr<Core::Interfaces::ITranslator> ATranslator)
    : FConfigureUseCase(std::move(AConfigureUseCase)), FTranslator(std::move(ATranslator)) {}

void TDatabaseConfigViewModel::LoadConfiguration() {}

void TDatabaseConfigViewModel::SaveConfiguration(const Core::ValueObjects::TConnectionConfig& AConfig) {
  FConfigureUseCase->SaveConnectionConfig(AConfig);
}

bool TDatabaseConfigViewModel::TestConnection(const Core::ValueObjects::TConnectionConfig& AConfig) {
  return FConfigureUseCase->TestConnection(AConfig);
}

Core::Interfaces::TDatabaseConnectionResult TDatabaseConfigViewModel::TestConnectionDetailed(
    const Core::ValueObjects::TConnectionConfig& AConfig, std::vector<std::string>* ADatabases) {
  return FConfigureUseCase->TestConnectionDetailed(AConfig, ADatabases);
}

std::vector<std::string> TDatabaseConfigViewModel::GetODBCList() {
  return FConfigureUseCase->GetODBCList();
}

std::vector<std::string> TDatabaseConfigViewModel::GetAvailableDrivers() {
  return FConfigureUseCase->GetAvailableDrivers();
}

bool TDatabaseConfigViewModel::CreateODBC(const std::string& ADSNName, const std::string& ADriver,
                                          const std::string& AServer, const std::string& ADatabase) {
  return FConfigureUseCase->CreateDSN(ADSNName, ADriver, AServer, ADatabase);
}

}  // namespace Presentation::ViewModels
