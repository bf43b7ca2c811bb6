// The BDE road without any window: detection, the installer chosen, its verification passed on,
// and every way it ends.
#include "Application/UseCases/InstallBDE.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "Infrastructure/Logging/DebugLoggerService.h"
#include "support/ScriptedBDE.h"

using Application::UseCases::TBDEOutcome;
using Application::UseCases::TBDEPlan;
using Application::UseCases::TBDEResult;
using Application::UseCases::TInstallBDEUseCase;
using TestSupport::TScriptedBDE;

namespace {

class TRecordingObserver : public Application::UseCases::IBDEObserver {
 public:
  std::vector<std::string> Events;
  void Installing() override { Events.push_back("installing"); }
  void InstallationProgress(int64_t ACurrent, int64_t ATotal) override {
    Events.push_back(std::to_string(ACurrent) + "/" + std::to_string(ATotal));
  }
};

const std::string kDefault = "http://127.0.0.1/padrao/bde.exe";

TInstallBDEUseCase UseCase(std::shared_ptr<TScriptedBDE> ABDE) {
  return TInstallBDEUseCase(std::move(ABDE), std::make_shared<Infrastructure::Logging::TDebugLoggerService>(),
                            kDefault);
}

}  // namespace

TEST(BDERoad, EndsAsTheDetectionAndTheInstallationSay) {
  const struct {
    const char* Name;
    std::function<void(TScriptedBDE&)> Arrange;
    TBDEResult Result;
    std::string Message;
    std::vector<std::string> Events;
  } cases[] = {
      {"present: nothing downloaded", [](TScriptedBDE& b) { b.Installed = true; }, TBDEResult::Present, "", {}},
      {"installed and found afterwards",
       [](TScriptedBDE& b) { b.InstallAnswer = true; },
       TBDEResult::Installed,
       "",
       {"installing", "40/100"}},
      {"still missing after the installation",
       [](TScriptedBDE&) {},
       TBDEResult::NotInstalled,
       "",
       {"installing", "40/100"}},
      {"installer not what was published: it did not run",
       [](TScriptedBDE& b) { b.RefuseDownload = true; },
       TBDEResult::Refused,
       "instalador recusado",
       {"installing"}},
      {"installation error",
       [](TScriptedBDE& b) { b.InstallAnswer = std::nullopt; },
       TBDEResult::Failed,
       "instalador sumiu",
       {"installing", "40/100"}},
      {"detection error",
       [](TScriptedBDE& b) { b.Installed = std::nullopt; },
       TBDEResult::Failed,
       "registro ilegível",
       {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    auto bde = std::make_shared<TScriptedBDE>();
    bde->Installed = false;
    bde->InstallReports = {{40, 100}};
    c.Arrange(*bde);
    TRecordingObserver observer;
    const TBDEOutcome outcome = UseCase(bde).Execute({}, observer);
    EXPECT_EQ(outcome.Result, c.Result);
    EXPECT_EQ(outcome.Message, c.Message);
    EXPECT_EQ(observer.Events, c.Events);
  }
}

TEST(BDERoad, ThePublishedInstallerAndItsCheckOrTheDefaultOne) {
  auto bde = std::make_shared<TScriptedBDE>();
  bde->Installed = false;
  TInstallBDEUseCase useCase = UseCase(bde);
  TRecordingObserver observer;
  TBDEPlan plan;
  plan.InstallerUrl = "http://127.0.0.1/bde.exe";
  plan.InstallerCheck.Sha256 = std::string(64, 'b');
  useCase.Execute(plan, observer);
  EXPECT_EQ(bde->InstalledFrom, "http://127.0.0.1/bde.exe");
  EXPECT_EQ(bde->InstalledWith.Sha256, std::string(64, 'b'));
  useCase.Execute({}, observer);
  EXPECT_EQ(bde->InstalledFrom, kDefault);
  EXPECT_TRUE(bde->InstalledWith.IsEmpty());
}
