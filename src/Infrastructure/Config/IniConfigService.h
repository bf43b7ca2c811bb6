#pragma once
// The launcher's configuration file: where it is, whether it exists, and the
// settings of its section "BancoDados". Nothing is cached: every call finds
// and reads the file again, so the service is safe from any thread.
#include <string>
#include <string_view>
#include <vector>

#include "App/Constants.h"
#include "Core/Interfaces/IConfigService.h"
#include "Infrastructure/Platform/FileSystem.h"

namespace Infrastructure::Config {

class TIniConfigService : public Core::Interfaces::IConfigService {
public:
  // The roots come in from outside so tests can search a temporary folder.
  explicit TIniConfigService(std::string ALauncherDirectory = Infrastructure::Platform::ModuleDirectory(),
                             std::vector<std::string> AConfigFolders = {App::Constants::ConfigFolders.begin(),
                                                                        App::Constants::ConfigFolders.end()});

  bool ConfigExists(const std::string& AConfigPath) override;
  std::string GetConfigPath() override;
  std::string GetInfoFilePath() override;
  std::string GetDatabaseUser(const std::string& AConfigPath) override;
  std::string GetDatabasePassword(const std::string& AConfigPath) override;
  std::string GetDatabaseODBC(const std::string& AConfigPath) override;
  std::string GetDatabaseServer(const std::string& AConfigPath) override;
  std::string GetDatabaseName(const std::string& AConfigPath) override;
  std::string GetDatabaseDriver(const std::string& AConfigPath) override;

private:
  // First "*.ini" file beside the launcher, else the candidate names beside
  // it, else in the fixed folders, else "Config.ini" beside the launcher.
  std::string FindConfigFile() const;
  // AConfigPath, or the found file when it is empty; its folder is created.
  std::string ResolveConfigPath(const std::string& AConfigPath) const;
  std::string ReadDatabaseValue(const std::string& AConfigPath, std::string_view AKey) const;

  std::string FLauncherDirectory;
  std::vector<std::string> FConfigFolders;
};

}  // namespace Infrastructure::Config
