#pragma once
#include <memory>
#include <string>
#include <vector>

#include "Application/UseCases/ConfigureDatabase.h"
#include "Core/Interfaces/ITranslator.h"
#include "Core/ValueObjects/ConnectionConfig.h"

namespace Presentation::ViewModels {

class IDatabaseConfigViewModel {
 public:
  virtual ~IDatabaseConfigViewModel() = default;
  // The window starts from empty fields: nothing is loaded.
  virtual void LoadConfiguration() = 0;
  // The window validates first; the use case's answer is not passed on.
  virtual void SaveConfiguration(const Core::ValueObjects::TConnectionConfig& AConfig) = 0;
  virtual bool TestConnection(const Core::ValueObjects::TConnectionConfig& AConfig) = 0;
  // The test with the driver's message, so the window can say why it failed;
  // after a success ADatabases holds the server's databases, offered in the
  // database list.
  virtual Core::Interfaces::TDatabaseConnectionResult TestConnectionDetailed(
      const Core::ValueObjects::TConnectionConfig& AConfig, std::vector<std::string>* ADatabases = nullptr) = 0;
  virtual std::vector<std::string> GetODBCList() = 0;
  virtual std::vector<std::string> GetAvailableDrivers() = 0;
  virtual bool CreateODBC(const std::string& ADSNName, const std::string& ADriver, const std::string& AServer,
                          const std::string& ADatabase) = 0;
};

// The thin layer between the database configuration window and its use case.
class TDatabaseConfigViewModel : public IDatabaseConfigViewModel {
 public:
  TDatabaseConfigViewModel(std::shared_ptr<Application::UseCases::IConfigureDatabaseUseCase> AConfigureUseCase,
                           std::shared_ptr<Core::Interfaces::ITranslator> ATranslator);

  void LoadConfiguration() override;
  void SaveConfiguration(const Core::ValueObjects::TConnectionConfig& AConfig) override;
  bool TestConnection(const Core::ValueObjects::TConnectionConfig& AConfig) override;
  Core::Interfaces::TDatabaseConnectionResult TestConnectionDetailed(
      const Core::ValueObjects::TConnectionConfig& AConfig, std::vector<std::string>* ADatabases = nullptr) override;
  std::vector<std::string> GetODBCList() override;
  std::vector<std::string> GetAvailableDrivers() override;
  bool CreateODBC(const std::string& ADSNName, const std::string& ADriver, const std::string& AServer,
                  const std::string& ADatabase) override;

 private:
  std::shared_ptr<Application::UseCases::IConfigureDatabaseUseCase> FConfigureUseCase;
  std::shared_ptr<Core::Interfaces::ITranslator> FTranslator;
};

}  // namespace Presentation::ViewModels
