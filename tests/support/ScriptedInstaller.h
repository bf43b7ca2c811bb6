#pragma once
// The update installer as the update road sees it: what it was asked, and a
// lock another launcher may hold for a few polls.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Core/Errors.h"
#include "Core/Interfaces/IUpdateInstaller.h"
#include "Core/Text/PathText.h"

namespace TestSupport {

class TScriptedInstaller : public Core::Interfaces::IUpdateInstaller {
 public:
  std::vector<Core::Interfaces::TInstallRequest> Requests;
  std::vector<std::string> Recovered;
  std::string Error;  // non-empty: Install raises EUpdateError with it
  int BusyPolls = 0;  // TryAcquire answers false this many times
  int Releases = 0;   // explicit releases of a held lock
  std::function<void()> WhileInstalling;
  std::vector<std::string> Replaces;  // reported as replaced once the installation succeeds

  void Install(const Core::Interfaces::TInstallRequest& ARequest) override {
    Requests.push_back(ARequest);
    if (ARequest.OnProgress)
      for (int64_t done = 0; done <= 1000; done += 100) ARequest.OnProgress(done, 1000);
    if (WhileInstalling) WhileInstalling();
    if (ARequest.IsCancelled && ARequest.IsCancelled()) throw Core::EUpdateCancelled("cancelada");
    if (!Error.empty()) throw Core::EUpdateError(Error);
    for (const std::string& file : Replaces) ARequest.OnFileReplaced(file);
  }
  void Recover(const std::string& AFolder) override { Recovered.push_back(AFolder); }
  std::unique_ptr<Core::Interfaces::IInstallationLock> Lock(const std::string&) override {
    struct TLock : Core::Interfaces::IInstallationLock {
      TScriptedInstaller& Owner;
      bool Held = false;
      explicit TLock(TScriptedInstaller& AOwner) : Owner(AOwner) {}
      bool TryAcquire() override {
        if (Owner.BusyPolls > 0) {
          --Owner.BusyPolls;
          return false;
        }
        return Held = true;
      }
      void Release() override {
        if (Held) ++Owner.Releases;
        Held = false;
      }
    };
    return std::make_unique<TLock>(*this);
  }
  std::string DownloadPath(const std::string& AFolder, const std::string& AExtension) override {
    return Core::Text::JoinPath(AFolder, "download" + AExtension);
  }
};

}  // namespace TestSupport
