#include "Application/UseCases/InstallBDE.h"

#include <utility>

#include "Core/Errors.h"

namespace Application::UseCases {

TInstallBDEUseCase::TInstallBDEUseCase(std::shared_ptr<Core::Interfaces::IBDEService> ABDEService,
                                       std::shared_ptr<Core::Interfaces::ILoggerService> ALogger,
                                       std::shared_ptr<Core::Interfaces::ITranslator> ATranslator,
                                       std::string ADefaultInstallerUrl,
                                       Core::ValueObjects::TDownloadCheck ADefaultInstallerCheck)
    : FBDEService(std::move(ABDEService)),
      FLogger(std::move(ALogger)),
      FTranslator(std::move(ATranslator)),
      FDefaultInstallerUrl(std::move(ADefaultInstallerUrl)),
      FDefaultInstallerCheck(std::move(ADefaultInstallerCheck)) {}

TBDEOutcome TInstallBDEUseCase::Execute(const TBDEPlan& APlan, IBDEObserver& AObserver) {
  const bool byDefault = APlan.InstallerUrl.empty();
  const std::string installerUrl = byDefault ? FDefaultInstallerUrl : APlan.InstallerUrl;
  // A document may publish the default installer's digest without naming it; the build's own
  // knowledge of it counts only when the document says nothing.
  const Core::ValueObjects::TDownloadCheck& check =
      byDefault && APlan.InstallerCheck.IsEmpty() ? FDefaultInstallerCheck : APlan.InstallerCheck;
  FLogger->Info("CheckBDE - URL do instalador: " + installerUrl);
  try {
    const Core::Interfaces::TBDEInstallStatus status = FBDEService->CheckBDEInstalled();
    FLogger->Info(std::string("CheckBDE - BDE Instalado: ") + (status.IsInstalled ? "True" : "False"));
    FLogger->Info("CheckBDE - Versão: " + status.Version);
    FLogger->Info("CheckBDE - Caminho: " + status.InstallPath);
    if (status.IsInstalled) return {TBDEResult::Present, {}};

    std::string_view refusal = Core::ValueObjects::DownloadRefusalKey(APlan.Trust, check);
    if (!refusal.empty()) {
      // Runs elevated: never an installer nothing trusted vouches for, the default one included.
      if (byDefault && refusal == "DownloadNotPublished") refusal = "BDEDefaultNotPinned";
      FLogger->Error("CheckBDE - Instalador recusado: " + std::string(refusal));
      return {TBDEResult::Refused, FTranslator->TranslateFormat(std::string(refusal), {installerUrl})};
    }
    FLogger->Warning("CheckBDE - BDE não encontrado, iniciando instalação");
    AObserver.Installing();
    // Downloaded, checked against what was published, run elevated, then looked for again.
    const bool installed = FBDEService->InstallBDEFromURL(
        installerUrl, "", [&](int64_t ACurrent, int64_t ATotal) { AObserver.InstallationProgress(ACurrent, ATotal); },
        check);
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
