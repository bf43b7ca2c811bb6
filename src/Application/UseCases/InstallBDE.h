#pragma once
// The BDE road: is the Borland Database Engine installed, and if not, its installer downloaded,
// verified and run elevated, then the BDE looked for again. Which installer may run elevated is
// decided here.
#include <cstdint>
#include <memory>
#include <string>

#include "Core/Interfaces/IBDEService.h"
#include "Core/Interfaces/ILoggerService.h"
#include "Core/Interfaces/ITranslator.h"
#include "Core/ValueObjects/DownloadCheck.h"
#include "Core/ValueObjects/ReleaseTrust.h"

namespace Application::UseCases {

// What one BDE road is to do, fixed before it starts.
struct TBDEPlan {
  // The installer the release information names; empty: the launcher's default.
  std::string InstallerUrl;
  // What the release document published for the installer.
  Core::ValueObjects::TDownloadCheck InstallerCheck;
  // Whether the release document was signed by a trusted key, or why not.
  Core::ValueObjects::TReleaseTrust Trust = Core::ValueObjects::TReleaseTrust::Unkeyed;
};

enum class TBDEResult {
  Present,       // installed already
  Installed,     // installed now, and found afterwards
  NotInstalled,  // the installation ran (or could not start) and the BDE is still missing
  Refused,       // the installer is not what was published, or nothing vouches for it: it did not run
  Failed,        // detection or installation raised an error
};

struct TBDEOutcome {
  TBDEResult Result = TBDEResult::Failed;
  // Refused and Failed: the error's text.
  std::string Message;
};

// What the road reports while it runs, on the thread that runs it.
class IBDEObserver {
 public:
  virtual ~IBDEObserver() = default;
  // The BDE is missing: the installation starts.
  virtual void Installing() {}
  virtual void InstallationProgress(int64_t /*ACurrent*/, int64_t /*ATotal*/) {}
};

class IInstallBDEUseCase {
 public:
  virtual ~IInstallBDEUseCase() = default;
  // Never throws for a failure of its own: the outcome says it.
  virtual TBDEOutcome Execute(const TBDEPlan& APlan, IBDEObserver& AObserver) = 0;
};

class TInstallBDEUseCase : public IInstallBDEUseCase {
 public:
  // ADefaultInstallerCheck: what the build knows of the default installer (a build with keys runs
  // it only when both its SHA-256 and its size are known).
  TInstallBDEUseCase(std::shared_ptr<Core::Interfaces::IBDEService> ABDEService,
                     std::shared_ptr<Core::Interfaces::ILoggerService> ALogger,
                     std::shared_ptr<Core::Interfaces::ITranslator> ATranslator, std::string ADefaultInstallerUrl,
                     Core::ValueObjects::TDownloadCheck ADefaultInstallerCheck = {});

  TBDEOutcome Execute(const TBDEPlan& APlan, IBDEObserver& AObserver) override;

 private:
  std::shared_ptr<Core::Interfaces::IBDEService> FBDEService;
  std::shared_ptr<Core::Interfaces::ILoggerService> FLogger;
  std::shared_ptr<Core::Interfaces::ITranslator> FTranslator;
  std::string FDefaultInstallerUrl;
  Core::ValueObjects::TDownloadCheck FDefaultInstallerCheck;
};

}  // namespace Application::UseCases
