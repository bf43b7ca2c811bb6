#include "Infrastructure/Config/IniConfigService.h"

#include <utility>

#include "Core/Text/TextUtils.h"
#include "Infrastructure/Config/IniFile.h"
#include "Infrastructure/Platform/FileSystem.h"

namespace Infrastructure::Config {

namespace {

constexpr std::string_view kSection = "BancoDados";

}  // namespace

TIniConfigService::TIniConfigService(std::string ALauncherDirectory, std::vector<std::string> AConfigFolders)
    : FLauncherDirectory(std::move(ALauncherDirectory)), FConfigFolders(std::move(AConfigFolders)) {}

std::string TIniConfigService::FindConfigFile() const {
  using namespace Platform;
  // Enumeration order, unsorted: the first *.ini the system lists wins.
  for (const TDirectoryEntry& entry : ListDirectory(FLauncherDirectory))
    if (!entry.IsDirectory && Core::Text::EndsWithTextAscii(entry.Name, ".ini"))
      return JoinPath(FLauncherDirectory, entry.Name);
  for (const std::string_view name : App::Constants::ConfigFileNames) {
    std::string path = JoinPath(FLauncherDirectory, name);
    if (FileExists(path)) return path;
  }
  for (const std::string& folder : FConfigFolders) {
    for (const std::string_view name : App::Constants::ConfigFileNames) {
      std::string path = JoinPath(folder, name);
      if (FileExists(path)) return path;
    }
  }
  return JoinPath(FLauncherDirectory, App::Constants::ConfigFileNames.front());
}

std::string TIniConfigService::ResolveConfigPath(const std::string& AConfigPath) const {
  std::string path = AConfigPath.empty() ? FindConfigFile() : AConfigPath;
  Platform::CreateDirectories(Platform::ParentPath(path));
  return path;
}

bool TIniConfigService::ConfigExists(const std::string& AConfigPath) {
  return Platform::FileExists(AConfigPath.empty() ? FindConfigFile() : AConfigPath);
}

std::string TIniConfigService::GetConfigPath() {
  return FindConfigFile();
}

std::string TIniConfigService::GetInfoFilePath() {
  return FindConfigFile();
}

std::string TIniConfigService::ReadDatabaseValue(const std::string& AConfigPath, std::string_view AKey) const {
  const std::string path = ResolveConfigPath(AConfigPath);
  if (!Platform::FileExists(path)) return {};
  return TIniFile::Load(path).ReadString(kSection, AKey);
}

std::string TIniConfigService::GetDatabaseUser(const std::string& AConfigPath) {
  return ReadDatabaseValue(AConfigPath, "Usuario");
}

std::string TIniConfigService::GetDatabasePassword(const std::string& AConfigPath) {
  return ReadDatabaseValue(AConfigPath, "Senha");
}

std::string TIniConfigService::GetDatabaseODBC(const std::string& AConfigPath) {
  return ReadDatabaseValue(AConfigPath, "ODBC");
}

std::string TIniConfigService::GetDatabaseServer(const std::string& AConfigPath) {
  return ReadDatabaseValue(AConfigPath, "Servidor");
}

std::string TIniConfigService::GetDatabaseName(const std::string& AConfigPath) {
  return ReadDatabaseValue(AConfigPath, "BANCO");
}

std::string TIniConfigService::GetDatabaseDriver(const std::string& AConfigPath) {
  return ReadDatabaseValue(AConfigPath, "DRIVE");
}

}  // namespace Infrastructure::Config
