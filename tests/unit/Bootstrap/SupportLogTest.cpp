#include <gtest/gtest.h>

#include <string>

#include "Bootstrap/SupportLog.h"
#include "Infrastructure/Config/IniConfigService.h"
#include "Infrastructure/Platform/FileSystem.h"
#include "support/TempDir.h"

using Bootstrap::StartSupportLog;
using Bootstrap::TLaunchSwitches;
using Bootstrap::TStartFacts;
using Infrastructure::Logging::TDebugLoggerService;

namespace {

struct TSupportLogStart : ::testing::Test {
  TestSupport::TTempDir Dir;
  std::string Launcher = Dir.Join("app");
  std::string AppData = Dir.Join("appdata");
  std::string LogPath = Bootstrap::SupportLogPath(AppData);
  Infrastructure::Config::TIniConfigService Config{Launcher, {}};
  int Gathered = 0;

  void WriteIni(const std::string& AExtra) {
    Infrastructure::Platform::CreateDirectories(Launcher);
    Infrastructure::Platform::WriteFileAtomically(
        Infrastructure::Platform::JoinPath(Launcher, "Config.ini"),
        "[BancoDados]\r\nODBC=Producao\r\nServidor=srv01\r\nBANCO=erp\r\nUsuario=joao\r\nSenha=s3gr3d0\r\n" + AExtra);
  }
  bool Start(const TLaunchSwitches& ASwitches, TDebugLoggerService& ALogger) {
    return StartSupportLog(ALogger, Config, ASwitches, [&] {
      ++Gathered;
      return TStartFacts{Infrastructure::Platform::JoinPath(Launcher, "QuorvaneSoftLauncher.exe"), "2.1.0.0",
                         "Windows 10.0.19045", AppData};
    });
  }
};

}  // namespace

TEST_F(TSupportLogStart, NothingIsWrittenOrGatheredUnlessAskedFor) {
  WriteIni("[Diagnostico]\r\nLog=0\r\n");
  TDebugLoggerService logger;
  TLaunchSwitches unknownOnly;
  unknownOnly.Unknown = {"/xyz"};
  EXPECT_FALSE(Start(unknownOnly, logger));
  EXPECT_EQ(Gathered, 0);
  EXPECT_FALSE(Infrastructure::Platform::DirectoryExists(AppData));
}

TEST_F(TSupportLogStart, TheIniSwitchOrLogStartsItWithWhatSupportNeedsAndNoPassword) {
  const struct {
    const char* Ini;
    bool LogSwitch;
    const char* AskedBy;
  } cases[] = {
      {"[Diagnostico]\r\nLog=1\r\n", false, "[Diagnostico] Log=1"},
      {"[diagnostico]\r\nlog = Sim\r\n", false, "[Diagnostico] Log=1"},
      {"", true, "/log"},
      {"[Diagnostico]\r\nLog=1\r\n", true, "/log e pelo arquivo INI"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.AskedBy);
    Infrastructure::Platform::RemoveDirectoryTree(AppData);
    WriteIni(c.Ini);
    TDebugLoggerService logger;
    TLaunchSwitches switches;
    switches.SupportLog = c.LogSwitch;
    switches.Unknown = {"/estranho"};
    ASSERT_TRUE(Start(switches, logger));
    const std::string text = TestSupport::ReadFileBytes(LogPath);
    for (const std::string& expected : {std::string("QuorvaneSoft Launcher 2.1.0.0"), std::string("Windows 10.0.19045"),
                                        std::string("Log de suporte pedido por ") + c.AskedBy + "\r\n",
                                        std::string("WARN\tInicio\tParâmetro desconhecido ignorado: /estranho"),
                                        Infrastructure::Platform::JoinPath(Launcher, "Config.ini") + " (encontrado)",
                                        std::string("ODBC=Producao; Servidor=srv01; Banco=erp; Driver=; Usuario=joao")})
      EXPECT_NE(text.find(expected), std::string::npos) << expected << "\n" << text;
    EXPECT_EQ(text.find("s3gr3d0"), std::string::npos);
  }
}

TEST_F(TSupportLogStart, ALogThatCannotBeOpenedLeavesTheLauncherWithoutOne) {
  WriteIni("");
  Infrastructure::Platform::WriteFileAtomically(AppData, "um arquivo onde a pasta iria");
  TDebugLoggerService logger;
  TLaunchSwitches switches;
  switches.SupportLog = true;
  EXPECT_FALSE(Start(switches, logger));
  EXPECT_FALSE(logger.SupportLogActive());
}
