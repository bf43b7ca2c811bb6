#include "Application/UseCases/StartupCheck.h"
#include "Core/Entities/VersionRule.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "Core/Errors.h"
#include "Infrastructure/Config/IniConfigService.h"
#include "Infrastructure/Logging/DebugLoggerService.h"
#include "Infrastructure/Translator/PortugueseTranslator.h"
#include "support/MemoryFileService.h"
#include "support/ScriptedDatabaseService.h"
#include "support/TempDir.h"

using Application::UseCases::TStartupCheckUseCase;
using Core::ValueObjects::TConnectionType;
using Core::ValueObjects::TStartupCheckStatus;
using Core::ValueObjects::TStartupStatus;
using TestSupport::TMemoryFileService;
using TestSupport::TScriptedDatabaseService;
using TestSupport::TTempDir;

namespace {

class TRecordingLogger : public Infrastructure::Logging::TDebugLoggerService {
public:
  void Log(const std::string& ALevel, const std::string& AMessage) override { Lines.push_back(ALevel + " " + AMessage); }
  std::vector<std::string> Lines;
};

enum class TReleaseAnswer { Given, Unreachable, Unverified };

class TFixedReleaseInfo : public Core::Interfaces::IReleaseInfoSource {
public:
 TFixedReleaseInfo(Core::Interfaces::TReleaseInfo AInfo, TReleaseAnswer AAnswer, bool AKeyed)
     : FInfo(AInfo), FAnswer(AAnswer), FKeyed(AKeyed) {}
 bool RequiresSignature() const override { return FKeyed; }
 Core::Interfaces::TReleaseInfo GetReleaseInfo() override {
   if (FAnswer == TReleaseAnswer::Unreachable)
     throw Core::Interfaces::EReleaseInfoError("Servidor de atualização indisponível");
   if (FAnswer == TReleaseAnswer::Unverified)
     throw Core::Interfaces::EReleaseUnverifiedError("A assinatura das informações de versão não confere");
   return FInfo;
  }

private:
  Core::Interfaces::TReleaseInfo FInfo;
  TReleaseAnswer FAnswer;
  bool FKeyed;
};

// A launcher folder with (or without) Config.ini, the check over the real INI
// service, and stand-ins for the database, the files and the release information.
struct TCheck {
  explicit TCheck(const char* AConfig) {
    if (AConfig) Folder.WriteFile("Config.ini", AConfig);
    Files->ApplicationExecutable = "C:\\QuorvaneSoft\\QuorvaneSoft.exe";
    Files->Files.insert(Files->ApplicationExecutable);
  }
  TStartupCheckUseCase& Use() {
    if (!Check)
      Check = std::make_unique<TStartupCheckUseCase>(
          std::make_shared<Infrastructure::Config::TIniConfigService>(Folder.Path(), std::vector<std::string>{}), Files,
          std::make_shared<Infrastructure::Translator::TPortugueseTranslator>(), Logger,
          [this] {
            ++DatabaseServicesCreated;
            return Database;
          },
          [this](const std::string&) {
            return std::make_shared<TFixedReleaseInfo>(Release, ReleaseFails ? TReleaseAnswer::Unreachable : Answer,
                                                       Keyed);
          });
    return *Check;
  }

  TTempDir Folder;
  std::shared_ptr<TMemoryFileService> Files = std::make_shared<TMemoryFileService>();
  std::shared_ptr<TScriptedDatabaseService> Database = std::make_shared<TScriptedDatabaseService>();
  std::shared_ptr<TRecordingLogger> Logger = std::make_shared<TRecordingLogger>();
  Core::Interfaces::TReleaseInfo Release{"1.3.0.0", "http://127.0.0.1/pacote.zip", "http://127.0.0.1/bde.exe", {}, {},
                                         {}};
  bool ReleaseFails = false;
  TReleaseAnswer Answer = TReleaseAnswer::Given;
  bool Keyed = false;
  int DatabaseServicesCreated = 0;
  std::unique_ptr<TStartupCheckUseCase> Check;
};

const char* const kOdbcConfig = "[BancoDados]\r\nUsuario=sa\r\nSenha=pw\r\nODBC=Loja\r\n";
const char* const kCredentialsOnly = "[BancoDados]\r\nUsuario=sa\r\nSenha=pw\r\n";
const char* const kDirectConfig =
    "[BancoDados]\r\nUsuario=sa\r\nSenha=pw\r\nServidor=srv\r\nBANCO=Base\r\nDRIVE=SQL Server\r\n";

}  // namespace

TEST(StartupCheck, UpdateDecisionTakesTheHigherOfDatabaseAndMinimumVersion) {
  const struct {
    const char* database;
    const char* executable;
    const char* minimum;
    bool required;
  } cases[] = {
      {"1.2.0.0", "1.2.5.0", "1.3.0.0", true},   // minimum above the database: target 1.3
      {"2.0.0.0", "2.0.0.0", "1.3.0.0", false},  // target 2.0, equal
      {"", "1.0.0.0", "1.0.0.0", false},         // only the minimum
      {"1.5", "1.5.0.0", "", false},             // only the database
      {"1.5", "1.4.9.9", "", true},
      {"", "9.9.9.9", "", true},                 // nothing to compare with
      {"1.0", "", "1.0", true},                  // no executable version
      {"1.0.0.0", "0.0.0.0", "", true},          // executable missing
      {"0.0.0.0", "0.0.0.0", "", false},
      {"1.10", "1.9", "1.2", true},              // numbers, not text
      {"3.0", "2.9.9.9", "abc", true},           // an unreadable minimum counts 0.0.0.0
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.database) + " | " + c.executable + " | " + c.minimum);
    EXPECT_EQ(Core::Entities::UpdateRequired(c.database, c.executable, c.minimum), c.required);
  }
}

TEST(StartupCheck, ConfigurationQuestionsAndTheSettingsTheyLeadTo) {
  {
    TCheck check(nullptr);
    EXPECT_TRUE(check.Use().NeedsConfiguration());
    EXPECT_FALSE(check.Use().NeedsDSNSelection());
    const TStartupStatus status = check.Use().Execute();
    EXPECT_EQ(status.Status, TStartupCheckStatus::UnknownError);
    EXPECT_EQ(status.Message, "Configuração do banco de dados necessária");
    EXPECT_EQ(check.DatabaseServicesCreated, 0);
  }
  {
    TCheck check(kCredentialsOnly);
    EXPECT_FALSE(check.Use().NeedsConfiguration());
    EXPECT_TRUE(check.Use().NeedsDSNSelection());
    EXPECT_FALSE(check.Use().LoadConnectionConfig().IsConfigured());  // no data source yet
    check.Use().SetRuntimeDSN("Escolhido");
    EXPECT_FALSE(check.Use().NeedsDSNSelection());
    const auto config = check.Use().LoadConnectionConfig();
    EXPECT_EQ(config.ConnectionType(), TConnectionType::ODBC);
    EXPECT_EQ(config.ODBCName(), "Escolhido");
    EXPECT_TRUE(config.IsConfigured());
    check.Use().Execute();
    EXPECT_EQ(check.Database->LastConnectionString, "DSN=Escolhido;Uid=sa;Pwd=pw;");
    check.Use().SetRuntimeDSN("");
    EXPECT_TRUE(check.Use().NeedsDSNSelection());
  }
  {
    TCheck check(kDirectConfig);
    EXPECT_FALSE(check.Use().NeedsDSNSelection());
    const auto config = check.Use().LoadConnectionConfig();
    EXPECT_EQ(config.ConnectionType(), TConnectionType::Direct);
    EXPECT_EQ(config.BuildConnectionString(), "Driver={SQL Server};Server=srv;Database=Base;Uid=sa;Pwd=pw;");
  }
  {
    TCheck check("[BancoDados]\r\nUsuario=sa\r\n");  // neither data source nor server
    const TStartupStatus status = check.Use().Execute();
    EXPECT_EQ(status.Message, "Configuração incompleta. Preencha todos os campos obrigatórios.");
    EXPECT_FALSE(status.CanProceed);
  }
}

TEST(StartupCheck, ConnectionFailureIsReportedWithTheDriverText) {
  TCheck check(kOdbcConfig);
  check.Database->ConnectAnswer = {false, "[unixODBC] servidor recusou", false};
  const TStartupStatus status = check.Use().Execute();
  EXPECT_EQ(status.Status, TStartupCheckStatus::UnknownError);
  EXPECT_EQ(status.Message, "Erro de conexão: [unixODBC] servidor recusou");
  EXPECT_FALSE(status.CanProceed);
  EXPECT_EQ(status.DatabaseVersion, "");
  EXPECT_EQ(status.DownloadUrl, "");
  EXPECT_EQ(check.Database->Calls, std::vector<std::string>{"Connect"});
}

TEST(StartupCheck, PassedCheckCarriesVersionsAndReleaseInformationAndDisconnects) {
  TCheck check(kOdbcConfig);
  check.Database->SystemVersion = "1.2.0.0";
  check.Files->Version = "1.2.5.0";
  const TStartupStatus status = check.Use().Execute();
  EXPECT_EQ(status.Status, TStartupCheckStatus::Valid);
  EXPECT_TRUE(status.CanProceed);
  EXPECT_TRUE(status.RequiresUpdate);
  EXPECT_EQ(status.Message, "Atualização obrigatória disponível");
  EXPECT_EQ(status.DatabaseVersion, "1.2.0.0");
  EXPECT_EQ(status.ExecutableVersion, "1.2.5.0");
  EXPECT_EQ(status.MinimumVersion, "1.3.0.0");
  EXPECT_EQ(status.DownloadUrl, "http://127.0.0.1/pacote.zip");
  EXPECT_EQ(status.BdeUrl, "http://127.0.0.1/bde.exe");
  EXPECT_EQ(check.Database->Calls, (std::vector<std::string>{"Connect", "GetSystemVersion", "Disconnect"}));
  const auto logged = [&](const std::string& ALine) {
    return std::find(check.Logger->Lines.begin(), check.Logger->Lines.end(), ALine) != check.Logger->Lines.end();
  };
  EXPECT_TRUE(logged("INFO Execute - Versões: banco 1.2.0.0, mínima publicada 1.3.0.0, executável 1.2.5.0"));
  EXPECT_TRUE(logged("INFO Execute - Caminho: atualização, o executável é mais antigo que a versão exigida 1.3.0.0"));

  // Up to date, and a new database service for every run.
  check.Files->Version = "1.3.0.0";
  const TStartupStatus again = check.Use().Execute();
  EXPECT_FALSE(again.RequiresUpdate);
  EXPECT_TRUE(again.CanProceed);
  EXPECT_NE(again.Message, "");
  EXPECT_EQ(check.DatabaseServicesCreated, 2);
  EXPECT_TRUE(logged("INFO Execute - Caminho: BDE e abertura, o executável atende à versão exigida"));
}

TEST(StartupCheck, MissingReleaseInformationOrExecutableDoesNotFailTheCheck) {
  TCheck check(kOdbcConfig);
  check.ReleaseFails = true;
  check.Database->SystemVersion = "2.0";
  check.Files->Files.clear();  // no application executable
  const TStartupStatus status = check.Use().Execute();
  EXPECT_EQ(status.Status, TStartupCheckStatus::Valid);
  EXPECT_EQ(status.MinimumVersion, "");
  EXPECT_EQ(status.BdeUrl, "");
  EXPECT_EQ(status.ExecutableVersion, "0.0.0.0");
  EXPECT_TRUE(status.RequiresUpdate);
  bool logged = false;
  for (const auto& line : check.Logger->Lines)
    logged |= line.find("ERROR") == 0 && line.find("Servidor de atualização indisponível") != std::string::npos;
  EXPECT_TRUE(logged);
}

TEST(StartupCheck, TheStatusSaysHowFarTheReleaseInformationIsTrustedAndUsesNothingUnverified) {
  using Core::ValueObjects::TReleaseTrust;
  const struct {
    bool Keyed;
    TReleaseAnswer Answer;
    TReleaseTrust Trust;
  } cases[] = {
      {false, TReleaseAnswer::Given, TReleaseTrust::Unkeyed},
      {false, TReleaseAnswer::Unreachable, TReleaseTrust::Unkeyed},
      {true, TReleaseAnswer::Given, TReleaseTrust::Verified},
      {true, TReleaseAnswer::Unreachable, TReleaseTrust::Missing},
      {true, TReleaseAnswer::Unverified, TReleaseTrust::Unverified},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.Keyed) + " " + std::to_string(static_cast<int>(c.Answer)));
    TCheck check(kOdbcConfig);
    check.Keyed = c.Keyed;
    check.Answer = c.Answer;
    check.ReleaseFails = c.Answer == TReleaseAnswer::Unreachable;
    const TStartupStatus status = check.Use().Execute();
    EXPECT_EQ(status.Status, TStartupCheckStatus::Valid);
    EXPECT_EQ(status.Trust, c.Trust);
    EXPECT_EQ(status.DownloadUrl.empty(), c.Answer != TReleaseAnswer::Given);
    EXPECT_EQ(status.BdeUrl.empty(), c.Answer != TReleaseAnswer::Given);
  }
}

TEST(StartupCheck, ErrorAfterTheConnectBecomesTheStatusAndTheConnectionCloses) {
  class TFailingFiles : public TMemoryFileService {
  public:
    std::string ReadVersionFromFile(const std::string&) override {
      throw Core::ERegistryError("Tipo de dado inválido para o valor \"CurrentVersion\" do registro");
    }
  };
  TCheck check(kOdbcConfig);
  auto files = std::make_shared<TFailingFiles>();
  files->ApplicationExecutable = "app.exe";
  files->Files.insert("app.exe");
  check.Files = files;
  const TStartupStatus status = check.Use().Execute();
  EXPECT_EQ(status.Status, TStartupCheckStatus::UnknownError);
  EXPECT_FALSE(status.CanProceed);
  EXPECT_EQ(status.Message, "Tipo de dado inválido para o valor \"CurrentVersion\" do registro");
  EXPECT_EQ(check.Database->Calls.back(), "Disconnect");
  EXPECT_FALSE(check.Database->Connected);
}
