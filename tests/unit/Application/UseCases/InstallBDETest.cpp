// The BDE road without any window: detection, the installer chosen, its verification passed on,
// and every way it ends.
#include "Application/UseCases/InstallBDE.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "Infrastructure/Logging/DebugLoggerService.h"
#include "Infrastructure/Translator/PortugueseTranslator.h"
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

TInstallBDEUseCase UseCase(std::shared_ptr<TScriptedBDE> ABDE, Core::ValueObjects::TDownloadCheck ADefaultCheck = {}) {
  return TInstallBDEUseCase(std::move(ABDE), std::make_shared<Infrastructure::Logging::TDebugLoggerService>(),
                            std::make_shared<Infrastructure::Translator::TPortugueseTranslator>(), kDefault,
                            std::move(ADefaultCheck));
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

TEST(BDERoad, ABuildWithKeysRunsOnlyAnInstallerAVerifiedDocumentOrTheBuildVouchesFor) {
  using Core::ValueObjects::TReleaseTrust;
  const Core::ValueObjects::TDownloadCheck pinned{std::string(64, 'c'), 500};
  const Core::ValueObjects::TDownloadCheck published{std::string(64, 'b'), 400};
  const struct {
    const char* Name;
    TReleaseTrust Trust;
    std::string Url;  // from the document; empty: the default
    Core::ValueObjects::TDownloadCheck Check;
    Core::ValueObjects::TDownloadCheck DefaultCheck;
    std::string Refusal;  // the beginning of the user's text; empty: installed from Url or the default
  } cases[] = {
      {"no keys: the default as before", TReleaseTrust::Unkeyed, "", {}, {}, ""},
      {"verified document with digest and size",
       TReleaseTrust::Verified,
       "http://127.0.0.1/bde.exe",
       published,
       {},
       ""},
      {"verified document naming no installer, default pinned", TReleaseTrust::Verified, "", {}, pinned, ""},
      {"no document, default pinned", TReleaseTrust::Missing, "", {}, pinned, ""},
      {"no document, default not pinned",
       TReleaseTrust::Missing,
       "",
       {},
       {},
       "As informações de atualização não indicam o instalador do BDE"},
      {"verified document without a size",
       TReleaseTrust::Verified,
       "http://127.0.0.1/bde.exe",
       {std::string(64, 'b'), -1},
       pinned,
       "As informações de atualização não publicam o SHA-256 e o tamanho"},
      {"signature did not verify: never the default instead",
       TReleaseTrust::Unverified,
       "",
       {},
       pinned,
       "As informações de atualização não puderam ser verificadas"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    auto bde = std::make_shared<TScriptedBDE>();
    bde->Installed = false;
    bde->InstallAnswer = true;
    TRecordingObserver observer;
    const TBDEOutcome outcome = UseCase(bde, c.DefaultCheck).Execute({c.Url, c.Check, c.Trust}, observer);
    if (c.Refusal.empty()) {
      EXPECT_EQ(outcome.Result, TBDEResult::Installed);
      EXPECT_EQ(bde->InstalledFrom, c.Url.empty() ? kDefault : c.Url);
      EXPECT_EQ(bde->InstalledWith.Sha256, c.Url.empty() ? c.DefaultCheck.Sha256 : c.Check.Sha256);
      continue;
    }
    EXPECT_EQ(outcome.Result, TBDEResult::Refused);
    EXPECT_EQ(outcome.Message.rfind(c.Refusal, 0), 0u) << outcome.Message;
    EXPECT_TRUE(bde->InstalledFrom.empty());  // nothing downloaded, nothing run
  }
  // A BDE already there needs nothing downloaded: no refusal.
  auto present = std::make_shared<TScriptedBDE>();
  TRecordingObserver observer;
  EXPECT_EQ(UseCase(present).Execute({"", {}, TReleaseTrust::Unverified}, observer).Result, TBDEResult::Present);
}
