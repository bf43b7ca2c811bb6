#include <gtest/gtest.h>

#include <memory>

#include "Application/UseCases/UpdateApplication.h"
#include "Infrastructure/Translator/PortugueseTranslator.h"
#include "Infrastructure/Update/AutoUpdateService.h"
#include "support/MemoryFileService.h"

using Application::UseCases::TUpdateApplicationUseCase;
using Core::ValueObjects::TUpdateInfo;
using TestSupport::TMemoryFileService;

namespace {

// Records the update it was asked to run and completes it as told.
class TRecordingUpdateService : public Core::Interfaces::IUpdateService {
 public:
  std::vector<std::string> Started;
  TUpdateInfo CheckForUpdate() override { return {}; }
  bool DownloadUpdate(const TUpdateInfo&, const Core::Interfaces::TOnUpdateProgress&) override { return false; }
  bool ExtractUpdate(const std::string&, const std::string&, const Core::Interfaces::TOnUpdateProgress&) override {
    return false;
  }
  bool ApplyUpdate(const std::string&, const std::string&, const Core::Interfaces::TOnUpdateProgress&) override {
    return false;
  }
  bool ExecuteUpdate(const std::string&) override { return false; }
  void StartUpdateProcess(const TUpdateInfo& AUpdateInfo, const Core::Interfaces::TOnUpdateProgress& AOnProgress,
                          const Core::Interfaces::TOnUpdateComplete& AOnComplete) override {
    Started.push_back(AUpdateInfo.DownloadUrl());
    if (AOnProgress) AOnProgress("passo", 10);
    if (AOnComplete) AOnComplete(true, "");
  }
  void CancelUpdate() override {}
  bool IsUpdateInProgress() override { return false; }
};

std::shared_ptr<Core::Interfaces::ITranslator> Translator() {
  return std::make_shared<Infrastructure::Translator::TPortugueseTranslator>();
}

}  // namespace

TEST(UpdateApplicationUseCase, IsUpdateRequiredComparesVersionNumbers) {
  TUpdateApplicationUseCase useCase(std::make_shared<TMemoryFileService>(), Translator(), {});
  const struct {
    const char* Current;
    const char* Minimum;
    bool Required;
  } cases[] = {
      {"1.2", "1.2.0.1", true}, {"1.3", "1.2.9.9", false}, {"1.2.0.0", "1.2", false},     {"1.9", "1.10", true},
      {"", "1.0", true},        {"2.0.0.0", "", false},    {"1.0.0.0", "1.0.0.0", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.Current) + " < " + c.Minimum);
    EXPECT_EQ(useCase.IsUpdateRequired(c.Current, c.Minimum), c.Required);
  }
}

TEST(UpdateApplicationUseCase, CheckForUpdateCarriesTheCurrentVersionOnly) {
  TUpdateApplicationUseCase useCase(std::make_shared<TMemoryFileService>(), Translator(), {});
  const TUpdateInfo info = useCase.CheckForUpdate("1.2.3.4");
  EXPECT_EQ(info.CurrentVersion(), "1.2.3.4");
  EXPECT_EQ(info.MinimumVersion(), "0.0.0.0");
  EXPECT_EQ(info.LatestVersion(), "0.0.0.0");
  EXPECT_EQ(info.DownloadUrl(), "");
  EXPECT_EQ(info.Status(), Core::ValueObjects::TUpdateStatus::UpToDate);
}

TEST(UpdateApplicationUseCase, ExecuteUpdateRunsTheGivenUpdateThroughOneServiceMadeOnFirstUse) {
  const auto files = std::make_shared<TMemoryFileService>();
  const auto translator = Translator();
  const auto service = std::make_shared<TRecordingUpdateService>();
  int made = 0;
  TUpdateApplicationUseCase useCase(files, translator, [&](auto AFiles, auto ATranslator) {
    EXPECT_EQ(AFiles, files);
    EXPECT_EQ(ATranslator, translator);
    ++made;
    return service;
  });
  EXPECT_EQ(useCase.UpdateService(), nullptr);

  std::vector<std::string> events;
  TUpdateInfo info;
  for (const char* url : {"http://127.0.0.1:1/a.zip", "http://127.0.0.1:1/b.zip"}) {
    info.SetDownloadUrl(url);
    useCase.ExecuteUpdate(
        info, [&](const std::string& AMessage, int32_t) { events.push_back(AMessage); },
        [&](bool ASuccess, const std::string&) { events.push_back(ASuccess ? "ok" : "falha"); });
  }
  EXPECT_EQ(made, 1);
  EXPECT_EQ(useCase.UpdateService(), service);
  EXPECT_EQ(service->Started, (std::vector<std::string>{"http://127.0.0.1:1/a.zip", "http://127.0.0.1:1/b.zip"}));
  EXPECT_EQ(events, (std::vector<std::string>{"passo", "ok", "passo", "ok"}));
}

TEST(UpdateApplicationUseCase, WithTheRealServiceAFailedDownloadIsReportedAsAFailure) {
  // The update that once answered success without doing anything.
  const auto files = std::make_shared<TMemoryFileService>();
  files->DownloadAnswer = false;
  TUpdateApplicationUseCase useCase(files, Translator(), Infrastructure::Update::AutoUpdateServiceFactory(nullptr));
  TUpdateInfo info;
  info.SetDownloadUrl("http://127.0.0.1:1/p.zip");
  info.SetDownloadPath("temp_update.zip");
  std::vector<std::pair<bool, std::string>> completions;
  useCase.ExecuteUpdate(
      info, {}, [&](bool ASuccess, const std::string& AMessage) { completions.emplace_back(ASuccess, AMessage); });
  EXPECT_EQ(completions, (std::vector<std::pair<bool, std::string>>{
                             {false, "Falha na atualiza\xC3\xA7\xC3\xA3o: Erro ao baixar arquivo"}}));
  EXPECT_EQ(files->CallsOf("DownloadFile").size(), 1u);
}
