#pragma once
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Core/Interfaces/IConfigService.h"
#include "Core/Interfaces/IConfigWriter.h"
#include "Core/Interfaces/IDataSourceManager.h"
#include "Core/Interfaces/IDatabaseService.h"
#include "Core/Interfaces/ITranslator.h"
#include "Core/ValueObjects/ConnectionConfig.h"

namespace Application::UseCases {

class IConfigureDatabaseUseCase {
 public:
  virtual ~IConfigureDatabaseUseCase() = default;
  virtual Core::ValueObjects::TConnectionConfig GetConnectionConfig() = 0;
  // False, with the file untouched, for settings that do not validate or whose
  // login the file would give back otherwise (blanks at either end). Errors of
  // reading or writing the file reach the caller.
  virtual bool SaveConnectionConfig(const Core::ValueObjects::TConnectionConfig& AConfig) = 0;
  virtual bool TestConnection(const Core::ValueObjects::TConnectionConfig& AConfig) = 0;
  // TestConnection with the driver's message on failure. Settings that do not
  // validate answer NeedsConfiguration and the catalogue's "ConfigIncomplete"
  // without a connection attempt. With ADatabases, a successful test also
  // fills it with the server's databases, over the same connection.
  virtual Core::Interfaces::TDatabaseConnectionResult TestConnectionDetailed(
      const Core::ValueObjects::TConnectionConfig& AConfig, std::vector<std::string>* ADatabases = nullptr) = 0;
  virtual std::vector<std::string> GetODBCList() = 0;
  virtual std::vector<std::string> GetAvailableDrivers() = 0;
  virtual bool DriverExists(const std::string& ADriverName) = 0;
  virtual bool CreateDSN(const std::string& ADSNName, const std::string& ADriver, const std::string& AServer,
                         const std::string& ADatabase) = 0;
  virtual bool DeleteDSN(const std::string& ADSNName) = 0;
  // The ODBC editor's record: a per-user data source with its name, driver,
  // server, database and description (no login); an existing name is left
  // unchanged and answers true.
  virtual bool CreateDSNFromConfig(const Core::ValueObjects::TDSNConfig& AConfig) = 0;
  // The stored settings of a data source, for the editor's edit mode.
  virtual Core::ValueObjects::TDSNConfig GetDSNConfig(const std::string& ADSNName) = 0;
  // Rewrites driver, server, database and description of an existing data source.
  virtual bool UpdateDSN(const Core::ValueObjects::TDSNConfig& AConfig) = 0;
  // For an ODBC configuration: the data source exists, or was created with the
  // given driver ("SQL Server" when none) under the given name
  // ("QuorvaneSoft_DSN" when none).
  virtual bool AutoCreateDSN(const Core::ValueObjects::TConnectionConfig& AConfig) = 0;
};

// Creates the database service that one test, creation or deletion uses.
using TDatabaseServiceCreator = std::function<std::shared_ptr<Core::Interfaces::IDatabaseService>(
    const Core::ValueObjects::TConnectionConfig& AConfig)>;

// The logic behind the configuration windows: load, save and test the
// connection settings, list and create data sources.
class TConfigureDatabaseUseCase : public IConfigureDatabaseUseCase {
 public:
  static constexpr const char* DefaultDriver = "SQL Server";
  static constexpr const char* DefaultDSNName = "QuorvaneSoft_DSN";

  TConfigureDatabaseUseCase(std::shared_ptr<Core::Interfaces::IConfigService> AConfigService,
                            std::shared_ptr<Core::Interfaces::ITranslator> ATranslator,
                            std::shared_ptr<Core::Interfaces::IConfigWriter> AConfigWriter,
                            std::shared_ptr<Core::Interfaces::IDataSourceManager> ADataSources,
                            TDatabaseServiceCreator ADatabaseServiceCreator);

  Core::ValueObjects::TConnectionConfig GetConnectionConfig() override;
  bool SaveConnectionConfig(const Core::ValueObjects::TConnectionConfig& AConfig) override;
  bool TestConnection(const Core::ValueObjects::TConnectionConfig& AConfig) override;
  Core::Interfaces::TDatabaseConnectionResult TestConnectionDetailed(
      const Core::ValueObjects::TConnectionConfig& AConfig, std::vector<std::string>* ADatabases = nullptr) override;
  std::vector<std::string> GetODBCList() override;
  std::vector<std::string> GetAvailableDrivers() override;
  bool DriverExists(const std::string& ADriverName) override;
  bool CreateDSN(const std::string& ADSNName, const std::string& ADriver, const std::string& AServer,
                 const std::string& ADatabase) override;
  bool DeleteDSN(const std::string& ADSNName) override;
  bool CreateDSNFromConfig(const Core::ValueObjects::TDSNConfig& AConfig) override;
  Core::ValueObjects::TDSNConfig GetDSNConfig(const std::string& ADSNName) override;
  bool UpdateDSN(const Core::ValueObjects::TDSNConfig& AConfig) override;
  bool AutoCreateDSN(const Core::ValueObjects::TConnectionConfig& AConfig) override;

  const std::string& ConfigPath() const { return FConfigPath; }

 private:
  std::shared_ptr<Core::Interfaces::IConfigService> FConfigService;
  std::shared_ptr<Core::Interfaces::ITranslator> FTranslator;
  std::shared_ptr<Core::Interfaces::IConfigWriter> FConfigWriter;
  std::shared_ptr<Core::Interfaces::IDataSourceManager> FDataSources;
  TDatabaseServiceCreator FDatabaseServiceCreator;
  std::string FConfigPath;
};

}  // namespace Application::UseCases
