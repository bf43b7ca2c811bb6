#include "Application/UseCases/InstallBDE.h"

#include <utility>

#include "Core/Errors.h"

namespace Application::UseCases {

TInstallBDEUseCase::TInstallBDEUseCase(std::shared_ptr<Core::Interfaces::IBDEService> ABDEService,
                                       std::shared_ptr<Core::Interfaces::ILoggerService> ALogger,
                                       std::string ADefaultInstallerUrl)
    : FBDEService(std::move(ABDEService)),
      FLogger(std::move(ALogger)),
      FDefaultInstallerUrl(std::move(ADefaultInstallerUrl)) {}

TBDEOutcome TInstallBDEUseCase::Execute(const TBDEPlan& APlan, IBDEObserver& AObserver) {
  const std::string installerUrl = !APlan.InstallerUrl.empty() ? APlan.InstallerUrl : FDefaultInstallerUrl;
  FLogger->Info("CheckBDE - URL do instalador: " + installerUrl);
  try {
    const Core::Interfaces::TBDEInstallStatus status = FBDEService->CheckBDEInstalled();
    FLogger->Info(std::string("CheckBDE - BDE Instalado: ") + (status.IsInstalled ? "True" : "False"));
    FLogger->Info("CheckBDE - Versão: " + status.Version);
    FLogger->Info("CheckBDE - Caminho: " + status.InstallPath);
    if (status.IsInstalled) return {TBDEResult::Present, {}};

    FLogger->Warning("CheckBDE - BDE não encontrado, iniciando instalação");
    AObserver.Installing();
    // Downloaded, checked against what was published, run elevated, then looked for again.
    const bool installed = FBDEService->InstallBDEFromURL(
        installerUrl, "", [&](int64_t ACurrent, int64_t ATotal) { AObserver.InstallationProgress(ACurrent, ATotal); },
        APlan.InstallerCheck);
    if (!installed) {
      FLogger->Error("CheckBDE - Falha ao instalar BDE");
      return {TBDEResult::NotInstalled, {}};
    }
    FLogger->Info("CheckBDE - BDE instalado com sucesso");
    return {TBDEResult::Installed, {}};
  } catch (const Core::EDownloadVerificationError& e) {
    // The installer was refused before it ran: an error, not a missing BDE to retry.
    FLogger->Error("CheckBDE - Instalador recusado", &e);
    return {TBDEResult::Refused, e.what()};
  } catch (const std::exception& e) {
    FLogger->Error("CheckBDE - Exceção", &e);
    return {TBDEResult::Failed, e.what()};
  }
}

}  // namespace Application::UseCases
