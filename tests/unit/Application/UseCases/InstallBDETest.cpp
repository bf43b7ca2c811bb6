// The BDE road without any window: detection, the installer chosen, its verification passed on,
// and every way it ends.
#include "Application/UseCases/InstallBDE.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>

#include "Core/Errors.h"
#include "Infrastructure/Logging/DebugLoggerService.h"

using Application::UseCases::TBDEOutcome;
using Application::UseCases::TBDEPlan;
using Application::UseCases::TBDEResult;
using Application::UseCases::TInstallBDEUseCase;

namespace {

class TScriptedBDE : public Core::Interfaces::IBDEService {
 public:
  std::optional<bool> Installed = false;  // nullopt: detection raises
  std::function<bool()> Install = [] { return true; };
  std::vector<std::string> Urls;
  std::vector<Core::ValueObjects::TDownloadCheck> Checks;
  Core::Interfaces::TBDEInstallStatus CheckBDEInstalled() override {
    if (!Installed) throw std::runtime_error("registro ilegível");
    return {*Installed, "5.2.0.0", "C:\\BDE", false};
  }
  bool IsBDEInstalled() override { return Installed.value_or(false); }
  std::string GetBDEVersion() override { return {}; }
  std::string GetBDEPath() override { return {}; }
  bool InstallBDE(const std::string&, Core::Interfaces::TProgressProc) override { return false; }
  bool InstallBDEFromURL(const std::string& AUrl, const std::string&, Core::Interfaces::TProgressProc AOnProgress,
                         const Core::ValueObjects::TDownloadCheck& ACheck) override {
    Urls.push_back(AUrl);
    Checks.push_back(ACheck);
    AOnProgress(40, 100);
    return Install();
  }
  bool ConfigureBDE(const std::string&) override { return false; }
};

class TRecordingObserver : public Application::UseCases::IBDEObserver {
 public:
  std::vector<std::string> Events;
  void Installing() override { Events.push_back("installing"); }
  void InstallationProgress(int64_t ACurrent, int64_t ATotal) override {
    Events.push_back(std::to_string(ACurrent) + "/" + std::to_string(ATotal));
  }
};

const std::string kDefault = "http://127.0.0.1/padrao/bde.exe";

}  // namespace

TEST(BDERoad, EndsAsTheDetectionAndTheInstallationSay) {
  const struct {
    const char* Name;
    std::optional<bool> Installed;
    std::function<bool()> Install;
    TBDEResult Result;
    std::string Message;
    std::vector<std::string> Events;
  } cases[] = {
      {"present: nothing downloaded", true, [] { return true; }, TBDEResult::Present, "", {}},
      {"installed and found afterwards", false, [] { return true; }, TBDEResult::Installed, "",
       {"installing", "40/100"}},
      {"still missing after the installation", false, [] { return false; }, TBDEResult::NotInstalled, "",
       {"installing", "40/100"}},
      {"installer not what was published: it did not run", false,
       []() -> bool { throw Core::EDownloadVerificationError("instalador recusado"); }, TBDEResult::Refused,
       "instalador recusado", {"installing", "40/100"}},
      {"installation error", false, []() -> bool { throw std::runtime_error("instalador sumiu"); },
       TBDEResult::Failed, "instalador sumiu", {"installing", "40/100"}},
      {"detection error", std::nullopt, [] { return true; }, TBDEResult::Failed, "registro ilegível", {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    auto bde = std::make_shared<TScriptedBDE>();
    bde->Installed = c.Installed;
    bde->Install = c.Install;
    TInstallBDEUseCase useCase(bde, std::make_shared<Infrastructure::Logging::TDebugLoggerService>(), kDefault);
    TRecordingObserver observer;
    const TBDEOutcome outcome = useCase.Execute({}, observer);
    EXPECT_EQ(outcome.Result, c.Result);
    EXPECT_EQ(outcome.Message, c.Message);
    EXPECT_EQ(observer.Events, c.Events);
  }
}

TEST(BDERoad, ThePublishedInstallerAndItsCheckOrTheDefaultOne) {
  auto bde = std::make_shared<TScriptedBDE>();
  TInstallBDEUseCase useCase(bde, std::make_shared<Infrastructure::Logging::TDebugLoggerService>(), kDefault);
  TRecordingObserver observer;
  TBDEPlan plan;
  plan.InstallerUrl = "http://127.0.0.1/bde.exe";
  plan.InstallerCheck.Sha256 = std::string(64, 'b');
  useCase.Execute(plan, observer);
  useCase.Execute({}, observer);
  EXPECT_EQ(bde->Urls, (std::vector<std::string>{"http://127.0.0.1/bde.exe", kDefault}));
  EXPECT_EQ(bde->Checks.at(0).Sha256, std::string(64, 'b'));
  EXPECT_TRUE(bde->Checks.at(1).IsEmpty());
}
