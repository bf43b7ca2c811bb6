// The download into a file over a scripted HTTP port: what the destination
// holds and what the caller learns, whatever the answer. The real WinHTTP
// client runs the same function under Wine (tests/windows).
#include <gtest/gtest.h>

#include <stdexcept>
#include <utility>
#include <vector>

#include "Infrastructure/Files/DownloadProgressHelper.h"
#include "Infrastructure/Files/FileDownload.h"
#include "Infrastructure/Platform/FileSystem.h"
#include "support/ScriptedHttpClient.h"
#include "support/TempDir.h"

using Infrastructure::Files::DownloadToFile;
using Infrastructure::Files::TDownloadProgressHelper;
using TestSupport::TScriptedHttpClient;
using TestSupport::TTempDir;

namespace {

using TCalls = std::vector<std::pair<int64_t, int64_t>>;

struct FileDownload : ::testing::Test {
  TTempDir Dir;
  TScriptedHttpClient Client;
  TCalls Progress;
  std::string Destination = Dir.Join("pacote.zip");

  Core::Interfaces::TProgressProc Recorder() {
    return [this](int64_t ACurrent, int64_t ATotal) { Progress.emplace_back(ACurrent, ATotal); };
  }
};

}  // namespace

TEST(DownloadProgressHelper, CallsBackOnlyForAnAnnouncedLengthAndNeverAborts) {
  const struct {
    int64_t Length;
    int64_t Read;
    bool Called;
  } cases[] = {{100, 10, true}, {1, 0, true}, {0, 10, false}, {-1, 10, false}, {INT64_MIN, 5, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.Length) + "/" + std::to_string(c.Read));
    TCalls calls;
    TDownloadProgressHelper helper([&](int64_t ACurrent, int64_t ATotal) { calls.emplace_back(ACurrent, ATotal); });
    bool abort = true;
    helper.OnReceiveDataEvent(c.Length, c.Read, abort);
    EXPECT_FALSE(abort);
    EXPECT_EQ(calls, (c.Called ? TCalls{{c.Read, c.Length}} : TCalls{}));
  }
  TDownloadProgressHelper without({});
  bool abort = true;
  without.OnReceiveDataEvent(100, 10, abort);
  EXPECT_FALSE(abort);
}

TEST_F(FileDownload, StreamsTheBodyAndReportsEachBlockAgainstTheAnnouncedLength) {
  Client.Answer.Body = "0123456789";
  Client.Answer.BlockSize = 4;
  const auto result = DownloadToFile(Client, "http://127.0.0.1:1/p.zip", Destination, Recorder());
  EXPECT_TRUE(result.Success);
  EXPECT_EQ(result.StatusCode, 200);
  EXPECT_EQ(result.ErrorMessage, "");
  EXPECT_EQ(TestSupport::ReadFileBytes(Destination), "0123456789");
  EXPECT_EQ(Progress, (TCalls{{4, 10}, {8, 10}, {10, 10}}));
  ASSERT_EQ(Client.Urls.size(), 1u);
  EXPECT_EQ(Client.Urls[0], "http://127.0.0.1:1/p.zip");
  // The client's defaults: 30 s to connect, 5 min for the answer, 5 redirects.
  EXPECT_EQ(Client.Options[0].ConnectionTimeoutMs, 30000u);
  EXPECT_EQ(Client.Options[0].ResponseTimeoutMs, 300000u);
  EXPECT_EQ(Client.Options[0].MaxRedirects, 5u);
}

TEST_F(FileDownload, WithoutAnAnnouncedLengthNoProgressButStillSuccess) {
  Client.Answer.Body = "sem tamanho";
  Client.Answer.AnnounceLength = false;
  EXPECT_TRUE(DownloadToFile(Client, "http://127.0.0.1:1/x", Destination, Recorder()).Success);
  EXPECT_EQ(TestSupport::ReadFileBytes(Destination), "sem tamanho");
  EXPECT_TRUE(Progress.empty());
}

TEST_F(FileDownload, OnlyAFinalStatusOf200To299SucceedsAndAnErrorBodyStaysInTheFile) {
  const struct {
    int Status;
    bool Success;
  } cases[] = {{199, false}, {200, true}, {204, true}, {299, true}, {300, false}, {404, false}, {500, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Status);
    Client.Answer.StatusCode = c.Status;
    Client.Answer.Body = "corpo " + std::to_string(c.Status);
    const auto result = DownloadToFile(Client, "http://127.0.0.1:1/x", Destination, {});
    EXPECT_EQ(result.Success, c.Success);
    EXPECT_EQ(result.StatusCode, c.Status);
    EXPECT_EQ(result.ErrorMessage.empty(), c.Success);
    EXPECT_EQ(TestSupport::ReadFileBytes(Destination), "corpo " + std::to_string(c.Status));
  }
}

TEST_F(FileDownload, DestinationIsTruncatedBeforeAnyTrafficAndKeptAfterAFailure) {
  Dir.WriteFile("pacote.zip", "conteúdo antigo, mais longo que a resposta");
  bool checked = false;
  Client.BeforeTraffic = [&] {
    EXPECT_TRUE(Infrastructure::Platform::FileExists(Destination));
    EXPECT_EQ(TestSupport::ReadFileBytes(Destination), "");
    checked = true;
  };
  Client.Answer.Failure = "Não foi possível conectar ao servidor";
  const auto result = DownloadToFile(Client, "http://127.0.0.1:1/x", Destination, Recorder());
  EXPECT_TRUE(checked);
  EXPECT_FALSE(result.Success);
  EXPECT_EQ(result.ErrorMessage, "Não foi possível conectar ao servidor");
  EXPECT_TRUE(Infrastructure::Platform::FileExists(Destination));
  EXPECT_EQ(TestSupport::ReadFileBytes(Destination), "");
}

TEST_F(FileDownload, ATransferCutShortFailsAndLeavesWhatArrived) {
  Client.Answer.Body = "0123456789";
  Client.Answer.Failure = "A conexão com o servidor foi interrompida";
  Client.Answer.FailAfterBytes = 6;
  const auto result = DownloadToFile(Client, "http://127.0.0.1:1/x", Destination, Recorder());
  EXPECT_FALSE(result.Success);
  EXPECT_EQ(result.StatusCode, 200);  // the status alone does not make a success
  EXPECT_EQ(TestSupport::ReadFileBytes(Destination), "012345");
}

TEST_F(FileDownload, ADestinationThatCannotBeCreatedFailsWithoutAnyTraffic) {
  const auto result = DownloadToFile(Client, "http://127.0.0.1:1/x", Dir.Join("falta/pasta/pacote.zip"), Recorder());
  EXPECT_FALSE(result.Success);
  EXPECT_FALSE(result.ErrorMessage.empty());
  EXPECT_TRUE(Client.Urls.empty());
}

TEST_F(FileDownload, AProgressCallbackThatThrowsEndsTheDownloadAsAFailureNotAnException) {
  Client.Answer.Body = "0123456789";
  const auto result = DownloadToFile(Client, "http://127.0.0.1:1/x", Destination,
                                     [](int64_t, int64_t) { throw std::runtime_error("janela fechada"); });
  EXPECT_FALSE(result.Success);
  EXPECT_EQ(result.ErrorMessage, "janela fechada");
  EXPECT_EQ(TestSupport::ReadFileBytes(Destination), "012");
}
