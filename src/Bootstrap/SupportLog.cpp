#include "Bootstrap/SupportLog.h"

#include "Core/Text/TextUtils.h"
#include "Infrastructure/Config/IniFile.h"
#include "Infrastructure/Platform/FileSystem.h"

namespace Bootstrap {

std::string SupportLogPath(const std::string& ALocalAppData) {
  if (ALocalAppData.empty()) return {};
  using Infrastructure::Platform::JoinPath;
  return JoinPath(JoinPath(JoinPath(ALocalAppData, "QuorvaneSoft"), "Launcher"), "launcher.log");
}

bool SupportLogRequested(const std::string& AConfigPath) {
  try {
    if (AConfigPath.empty() || !Infrastructure::Platform::FileExists(AConfigPath)) return false;
    const std::string read = Infrastructure::Config::TIniFile::Load(AConfigPath).ReadString("Diagnostico", "Log");
    const std::string_view value = Core::Text::Trim(read);
    return value == "1" || Core::Text::SameTextAscii(value, "true") || Core::Text::SameTextAscii(value, "sim");
  } catch (const std::exception&) {
    return false;  // an unreadable file asks for nothing
  }
}

bool StartSupportLog(Infrastructure::Logging::TDebugLoggerService& ALogger, Core::Interfaces::IConfigService& AConfig,
                     const TLaunchSwitches& ASwitches, const std::function<TStartFacts()>& AGatherFacts) {
  std::string configPath;
  try {
    configPath = AConfig.GetConfigPath();
  } catch (const std::exception&) {
  }
  const bool byIni = SupportLogRequested(configPath);
  if (!ASwitches.SupportLog && !byIni) return false;
  const TStartFacts facts = AGatherFacts();
  const std::string path = SupportLogPath(facts.LocalAppData);
  if (path.empty() || !ALogger.StartSupportLog(path)) return false;

  ALogger.Info("Inicio - QuorvaneSoft Launcher " + facts.LauncherVersion + " (" + facts.LauncherPath + ")");
  ALogger.Info("Inicio - Sistema: " + facts.SystemVersion);
  ALogger.Info(std::string("Inicio - Log de suporte pedido por ") + (ASwitches.SupportLog && byIni
                                                                         ? "/log e pelo arquivo INI"
                                                                     : ASwitches.SupportLog ? "/log"
                                                                                            : "[Diagnostico] Log=1"));
  if (ASwitches.OpenConfiguration) ALogger.Info("Inicio - /config: a configuração do banco abre primeiro");
  for (const std::string& unknown : ASwitches.Unknown)
    ALogger.Warning("Inicio - Parâmetro desconhecido ignorado: " + unknown);
  try {
    const bool found = !configPath.empty() && AConfig.ConfigExists(configPath);
    ALogger.Info("Inicio - Arquivo INI: " + configPath + (found ? " (encontrado)" : " (não encontrado)"));
    if (found)
      // Never the password: support reads where the launcher connects, not how.
      ALogger.Info(
          "Inicio - Banco: ODBC=" + AConfig.GetDatabaseODBC(configPath) +
          "; Servidor=" + AConfig.GetDatabaseServer(configPath) + "; Banco=" + AConfig.GetDatabaseName(configPath) +
          "; Driver=" + AConfig.GetDatabaseDriver(configPath) + "; Usuario=" + AConfig.GetDatabaseUser(configPath));
  } catch (const std::exception& e) {
    ALogger.Error("Inicio - Arquivo INI ilegível", &e);
  }
  return true;
}

}  // namespace Bootstrap
