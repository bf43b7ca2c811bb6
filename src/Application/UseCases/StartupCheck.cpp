#include "Application/UseCases/StartupCheck.h"

#include "Core/Entities/VersionRule.h"

namespace Application::UseCases {

using Core::ValueObjects::TConnectionConfig;
using Core::ValueObjects::TConnectionType;
using Core::ValueObjects::TReleaseTrust;
using Core::ValueObjects::TStartupCheckStatus;
using Core::ValueObjects::TStartupStatus;

namespace {

// Closes the connection however the checks after the connect end.
class TDisconnectGuard {
public:
  explicit TDisconnectGuard(Core::Interfaces::IDatabaseService& AService) : FService(AService) {}
  ~TDisconnectGuard() { FService.Disconnect(); }
  TDisconnectGuard(const TDisconnectGuard&) = delete;
  TDisconnectGuard& operator=(const TDisconnectGuard&) = delete;

private:
  Core::Interfaces::IDatabaseService& FService;
};

}  // namespace

TStartupCheckUseCase::TStartupCheckUseCase(std::shared_ptr<Core::Interfaces::IConfigService> AConfigService,
                                           std::shared_ptr<Core::Interfaces::IFileService> AFileService,
                                           std::shared_ptr<Core::Interfaces::ITranslator> ATranslator,
                                           std::shared_ptr<Core::Interfaces::ILoggerService> ALogger,
                                           TDatabaseServiceFactory ADatabaseServiceFactory,
                                           TReleaseInfoSourceFactory AReleaseInfoSourceFactory)
    : FConfigService(std::move(AConfigService)),
      FFileService(std::move(AFileService)),
      FTranslator(std::move(ATranslator)),
      FLogger(std::move(ALogger)),
      FDatabaseServiceFactory(std::move(ADatabaseServiceFactory)),
      FReleaseInfoSourceFactory(std::move(AReleaseInfoSourceFactory)),
      FConfigPath(FConfigService->GetConfigPath()) {}

bool TStartupCheckUseCase::NeedsConfiguration() { return !FConfigService->ConfigExists(FConfigPath); }

bool TStartupCheckUseCase::NeedsDSNSelection() {
  FLogger->Debug("NeedsDSNSelection called - FRuntimeDSN: " + FRuntimeDSN);
  if (!FConfigService->ConfigExists(FConfigPath)) return false;
  if (!FRuntimeDSN.empty()) {
    FLogger->Debug("NeedsDSNSelection: FRuntimeDSN already set = " + FRuntimeDSN + ", returning FALSE");
    return false;
  }
  const bool answer = !FConfigService->GetDatabaseUser(FConfigPath).empty() &&
                      !FConfigService->GetDatabasePassword(FConfigPath).empty() &&
                      FConfigService->GetDatabaseODBC(FConfigPath).empty() &&
                      FConfigService->GetDatabaseServer(FConfigPath).empty();
  FLogger->Debug(answer ? "NeedsDSNSelection: returning TRUE - needs DSN selection"
                        : "NeedsDSNSelection: returning FALSE");
  return answer;
}

void TStartupCheckUseCase::SetRuntimeDSN(const std::string& ADSN) {
  FLogger->Debug("SetRuntimeDSN called with: " + ADSN);
  FRuntimeDSN = ADSN;
}

TConnectionConfig TStartupCheckUseCase::LoadConnectionConfig() {
  TConnectionConfig config;
  if (!FConfigService->ConfigExists(FConfigPath)) return config;
  config.SetUser(FConfigService->GetDatabaseUser(FConfigPath));
  config.SetPassword(FConfigService->GetDatabasePassword(FConfigPath));
  config.SetODBCName(FConfigService->GetDatabaseODBC(FConfigPath));
  // Credentials without a data source or a server: the data source chosen for this run.
  if (config.ODBCName().empty() && !config.User().empty() && !config.Password().empty() &&
      FConfigService->GetDatabaseServer(FConfigPath).empty())
    config.SetODBCName(FRuntimeDSN);
  if (!config.ODBCName().empty()) {
    config.SetConnectionType(TConnectionType::ODBC);
  } else {
    config.SetConnectionType(TConnectionType::Direct);
    config.SetServer(FConfigService->GetDatabaseServer(FConfigPath));
    config.SetDatabase(FConfigService->GetDatabaseName(FConfigPath));
    config.SetDriver(FConfigService->GetDatabaseDriver(FConfigPath));
  }
  config.SetIsConfigured(config.Validate());
  return config;
}

TStartupStatus TStartupCheckUseCase::Execute() {
  FLogger->Debug("Execute - STARTED");
  TStartupStatus status;
  try {
    RunChecks(status);
  } catch (const std::exception& e) {
    status.Status = TStartupCheckStatus::UnknownError;
    status.CanProceed = false;
    status.Message = e.what();
  }
  return status;
}

void TStartupCheckUseCase::RunChecks(TStartupStatus& AStatus) {
  if (!FConfigService->ConfigExists(FConfigPath)) {
    AStatus.Message = FTranslator->Translate("ConfigNeeded");
    return;
  }
  const TConnectionConfig config = LoadConnectionConfig();
  if (!config.IsConfigured()) {
    AStatus.Message = FTranslator->Translate("ConfigIncomplete");
    return;
  }

  FDatabaseService = FDatabaseServiceFactory();
  const Core::Interfaces::TDatabaseConnectionResult connection = FDatabaseService->Connect(config);
  if (!connection.IsConnected) {
    AStatus.Message = FTranslator->TranslateFormat("ConnectionError", {connection.ErrorMessage});
    return;
  }
  const TDisconnectGuard disconnect(*FDatabaseService);

  const std::string databaseVersion = FDatabaseService->GetSystemVersion();

  Core::Interfaces::TReleaseInfo release;
  bool keyed = false;
  try {
    const std::shared_ptr<Core::Interfaces::IReleaseInfoSource> source = FReleaseInfoSourceFactory(FConfigPath);
    keyed = source->RequiresSignature();
    release = source->GetReleaseInfo();
    AStatus.Trust = keyed ? TReleaseTrust::Verified : TReleaseTrust::Unkeyed;
    if (!keyed)
      FLogger->Warning("Execute - Informações de versão sem assinatura: esta versão do inicializador não tem chaves "
                       "de publicação");
  } catch (const Core::Interfaces::EReleaseUnverifiedError& e) {
    // Nothing of it is used, and the roads that would download or run something refuse to.
    FLogger->Error("Execute - Informações de versão não verificadas: " + std::string(e.what()), &e);
    release = {};
    AStatus.Trust = TReleaseTrust::Unverified;
  } catch (const std::exception& e) {
    // Without release information the database's version still decides.
    FLogger->Error("Execute - Informações de versão indisponíveis: " + std::string(e.what()), &e);
    release = {};
    AStatus.Trust = keyed ? TReleaseTrust::Missing : TReleaseTrust::Unkeyed;
  }
  AStatus.MinimumVersion = release.MinimumVersion;
  AStatus.DownloadUrl = release.PackageUrl;
  AStatus.BdeUrl = release.BdeUrl;
  AStatus.PackageCheck = release.PackageCheck;
  AStatus.ManifestCheck = release.ManifestCheck;
  AStatus.BdeCheck = release.BdeCheck;

  const std::string executable = FFileService->GetApplicationExecutable();
  const std::string executableVersion =
      FFileService->FileExists(executable) ? FFileService->ReadVersionFromFile(executable) : "0.0.0.0";
  AStatus.DatabaseVersion = databaseVersion;
  AStatus.ExecutableVersion = executableVersion;

  AStatus.Status = TStartupCheckStatus::Valid;
  AStatus.RequiresUpdate = Core::Entities::UpdateRequired(databaseVersion, executableVersion, AStatus.MinimumVersion);
  AStatus.Message = FTranslator->Translate(AStatus.RequiresUpdate ? "UpdateRequired" : "StartupCheckPassed");
  AStatus.CanProceed = true;
  // What support reads first in a log: the versions in play and the road they lead to.
  FLogger->Info("Execute - Versões: banco " + databaseVersion + ", mínima publicada " +
                (AStatus.MinimumVersion.empty() ? "(nenhuma)" : AStatus.MinimumVersion) + ", executável " +
                executableVersion);
  if (AStatus.RequiresUpdate)
    FLogger->Info("Execute - Caminho: atualização, o executável é mais antigo que a versão exigida " +
                  Core::Entities::RequiredVersion(databaseVersion, AStatus.MinimumVersion) +
                  (AStatus.DownloadUrl.empty() ? " (sem pacote publicado: a aplicação é aberta como está)" : ""));
  else
    FLogger->Info("Execute - Caminho: BDE e abertura, o executável atende à versão exigida");
}

}  // namespace Application::UseCases
