// The download into a file over a scripted HTTP port: what the destination
// holds and what the caller learns, whatever the answer. The real WinHTTP
// client runs the same function under Wine (tests/windows).
#include <gtest/gtest.h>

#include <cctype>
#include <fstream>
#include <stdexcept>
#include <utility>
#include <vector>

#include "Core/Text/PathText.h"
#include "Infrastructure/Crypto/HexDigest.h"
#include "Infrastructure/Files/DownloadProgressHelper.h"
#include "Infrastructure/Files/FileDownload.h"
#include "Infrastructure/Platform/FileSystem.h"
#include "support/ScriptedHttpClient.h"
#include "support/TempDir.h"
#include "support/TestServers.h"
#include "support/Utf8Path.h"

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

// On real mounts (tests/fixtures/servers/folders.sh): the machine, not the network, is to blame.
TEST_F(FileDownload, AFolderThatRefusesTheFileOrAFullDiskIsSaidSo) {
  const std::optional<std::string> readOnly = TestSupport::TestServerValue("folders.readonly");
  const std::optional<std::string> full = TestSupport::TestServerValue("folders.full");
  if (!readOnly || !full) GTEST_SKIP() << TestSupport::TestServerValue("folders.unavailable").value_or("no mounts");
  using Core::ValueObjects::TDownloadVerdict;
  Client.Answer.Body = std::string(512 * 1024, 'x');  // twice what the small disk holds
  const struct {
    std::string Path;
    TDownloadVerdict Verdict;
  } cases[] = {
      {Core::Text::JoinPath(TestSupport::HostPath(*readOnly), "pacote.zip"), TDownloadVerdict::FolderNotWritable},
      {Core::Text::JoinPath(TestSupport::HostPath(*full), "pacote.zip"), TDownloadVerdict::DiskFull},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Path);
    const auto result =
        Infrastructure::Files::DownloadVerifiedToFile(Client, "http://127.0.0.1:1/pacote.zip", c.Path, {}, Recorder());
    EXPECT_EQ(result.Verdict, c.Verdict) << result.ErrorMessage;
    EXPECT_FALSE(result.Success);
    EXPECT_FALSE(Infrastructure::Platform::FileExists(c.Path));  // not even a partial file is left
  }
}

TEST_F(FileDownload, AProgressCallbackThatThrowsEndsTheDownloadAsAFailureNotAnException) {
  Client.Answer.Body = "0123456789";
  const auto result = DownloadToFile(Client, "http://127.0.0.1:1/x", Destination,
                                     [](int64_t, int64_t) { throw std::runtime_error("janela fechada"); });
  EXPECT_FALSE(result.Success);
  EXPECT_EQ(result.ErrorMessage, "janela fechada");
  EXPECT_EQ(TestSupport::ReadFileBytes(Destination), "012");
}

TEST_F(FileDownload, AVerifiedDownloadKeepsOnlyWhatWasPublished) {
  using Core::ValueObjects::TDownloadVerdict;
  const std::string body = "0123456789";
  const std::string digest = Infrastructure::Crypto::ToHex(Infrastructure::Platform::Sha256Of(body));
  std::string upper = digest;
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  const struct {
    const char* Name;
    Core::ValueObjects::TDownloadCheck Check;
    TestSupport::TScriptedAnswer Answer;
    TDownloadVerdict Verdict;
  } cases[] = {
      {"nothing published", {}, TestSupport::Reply(200, body), TDownloadVerdict::Ok},
      {"digest and size", {digest, 10}, TestSupport::Reply(200, body), TDownloadVerdict::Ok},
      {"digest in capitals, no length", {upper, -1}, TestSupport::Reply(200, body, false), TDownloadVerdict::Ok},
      {"one byte changed", {digest, 10}, TestSupport::Reply(200, "012345678X"), TDownloadVerdict::DigestMismatch},
      {"another file", {digest, -1}, TestSupport::Reply(200, "<html>erro</html>"), TDownloadVerdict::DigestMismatch},
      {"longer than published, no length", {"", 5}, TestSupport::Reply(200, body, false), TDownloadVerdict::TooLarge},
      {"announces more than published", {digest, 5}, TestSupport::Reply(200, body, true, 1), TDownloadVerdict::TooLarge},
      {"shorter than published", {"", 11}, TestSupport::Reply(200, body), TDownloadVerdict::WrongSize},
      {"digest too short", {digest.substr(1), 10}, TestSupport::Reply(200, body), TDownloadVerdict::InvalidDigest},
      {"digest not hex", {digest.substr(1) + "z", 10}, TestSupport::Reply(200, body), TDownloadVerdict::InvalidDigest},
      {"not found", {digest, 10}, TestSupport::Reply(404, body), TDownloadVerdict::Failed},
      {"cut", {digest, 10}, {200, body, true, 3, "A conexão foi interrompida", 4}, TDownloadVerdict::Failed},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    Client.Answer = c.Answer;
    Client.Urls.clear();
    std::ofstream(TestSupport::PathFromUtf8(Destination), std::ios::binary) << "antigo";
    const auto result =
        Infrastructure::Files::DownloadVerifiedToFile(Client, "http://127.0.0.1/p.zip", Destination, c.Check, {});
    EXPECT_EQ(result.Verdict, c.Verdict) << result.ErrorMessage;
    EXPECT_EQ(result.Success, c.Verdict == TDownloadVerdict::Ok);
    if (c.Verdict == TDownloadVerdict::Ok)
      EXPECT_EQ(TestSupport::ReadFileBytes(Destination), c.Answer.Body);
    else
      EXPECT_FALSE(Infrastructure::Platform::FileExists(Destination));
    // A digest that cannot be compared is refused before any traffic.
    EXPECT_EQ(Client.Urls.size(), c.Verdict == TDownloadVerdict::InvalidDigest ? 0u : 1u);
  }
}

TEST_F(FileDownload, ABodyPastThePublishedSizeIsCutBeforeItIsWritten) {
  Client.Answer = TestSupport::Reply(200, std::string(1000, 'x'), false, 100);
  const auto result = Infrastructure::Files::DownloadVerifiedToFile(Client, "http://127.0.0.1/p.exe", Destination,
                                                                    {"", 250}, Recorder());
  EXPECT_EQ(result.Verdict, Core::ValueObjects::TDownloadVerdict::TooLarge);
  EXPECT_FALSE(Infrastructure::Platform::FileExists(Destination));
  // Blocks of 100: the third was the last one taken, the fourth was refused.
  EXPECT_TRUE(Progress.empty());
}
