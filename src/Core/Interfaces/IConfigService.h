#pragma once
#include <string>

namespace Core::Interfaces {

// The launcher's INI file, section "BancoDados". An empty AConfigPath makes the
// service find the file itself. Getters answer "" for a missing file, section or key.
class IConfigService {
public:
  virtual ~IConfigService() = default;
  virtual bool ConfigExists(const std::string& AConfigPath) = 0;
  virtual std::string GetConfigPath() = 0;
  virtual std::string GetInfoFilePath() = 0;
  virtual std::string GetDatabaseUser(const std::string& AConfigPath) = 0;
  virtual std::string GetDatabasePassword(const std::string& AConfigPath) = 0;
  virtual std::string GetDatabaseODBC(const std::string& AConfigPath) = 0;
  virtual std::string GetDatabaseServer(const std::string& AConfigPath) = 0;
  virtual std::string GetDatabaseName(const std::string& AConfigPath) = 0;
  virtual std::string GetDatabaseDriver(const std::string& AConfigPath) = 0;
};

}  // namespace Core::Interfaces
