// The WinHTTP client and the download into a file against the loopback test
// server (tests/fixtures/http_server.py): every way an answer can arrive or
// fail, as the launcher meets them on a real Windows network stack.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "Core/Interfaces/IHttpClient.h"
#include "Infrastructure/Crypto/HexDigest.h"
#include "Infrastructure/Files/FileDownload.h"
#include "Infrastructure/Platform/Crypto.h"
#include "Infrastructure/Platform/FileSystem.h"
#include "Infrastructure/Platform/Win32/WinHttpClient.h"
#include "support/TempDir.h"
#include "support/TestServers.h"
#include "support/Utf8Path.h"

using Core::Interfaces::THttpOptions;
using Core::Interfaces::THttpResult;
using Core::Interfaces::TMemorySink;
using Infrastructure::Files::DownloadToFile;
using Infrastructure::Platform::Win32::TWinHttpClient;
using TestSupport::TTempDir;

namespace {

using TCalls = std::vector<std::pair<int64_t, int64_t>>;

std::string ServerValue(const std::string& AName) {
  const auto value = TestSupport::TestServerValue(AName);
  EXPECT_TRUE(value.has_value()) << "the HTTP test server left no " << AName;
  return value.value_or("");
}

std::string Pattern(size_t ASize) {
  std::string data(ASize, '\0');
  for (size_t i = 0; i < ASize; ++i) data[i] = static_cast<char>((i * 7 + i / 251) % 256);
  return data;
}

THttpOptions ShortTimeOuts() {
  return {5000, 1000, 5};
}

struct THttpClientOnWindows : ::testing::Test {
  TTempDir Dir;
  TWinHttpClient Client;
  std::string Destination = Dir.Join("baixado.bin");
};

}  // namespace

TEST_F(THttpClientOnWindows, EveryFramingOfABodyArrivesWholeInMemoryAndInAFile) {
  const std::string body = Pattern(3 * 1024 * 1024 + 17);
  const std::string name = TestSupport::ServeTestFile("framings.bin", body);
  const struct {
    const char* Route;
    bool Announced;
  } cases[] = {{"/files/", true}, {"/nolength/", false}, {"/chunked/", false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Route);
    TMemorySink memory;
    std::vector<int64_t> lengths;
    int64_t last = 0;
    bool increasing = true;
    const THttpResult answer =
        Client.Get(TestSupport::TestHttpUrl(c.Route + name), memory, {}, [&](int64_t ALength, int64_t ARead, bool&) {
          lengths.push_back(ALength);
          increasing = increasing && ARead > last;
          last = ARead;
        });
    EXPECT_TRUE(answer.Completed) << answer.ErrorMessage;
    EXPECT_TRUE(answer.Succeeded());
    EXPECT_EQ(answer.StatusCode, 200);
    EXPECT_TRUE(memory.Data() == body);
    ASSERT_FALSE(lengths.empty());
    if (c.Announced) {
      EXPECT_EQ(lengths.front(), static_cast<int64_t>(body.size()));
    } else {
      EXPECT_LE(lengths.front(), 0);
    }
    EXPECT_TRUE(increasing);
    EXPECT_EQ(last, static_cast<int64_t>(body.size()));

    // The download into a file: progress only when the length was announced.
    TCalls progress;
    const auto result =
        DownloadToFile(Client, TestSupport::TestHttpUrl(c.Route + name), Destination,
                       [&](int64_t ACurrent, int64_t ATotal) { progress.emplace_back(ACurrent, ATotal); });
    EXPECT_TRUE(result.Success) << result.ErrorMessage;
    EXPECT_TRUE(TestSupport::ReadFileBytes(Destination) == body);
    if (c.Announced) {
      ASSERT_FALSE(progress.empty());
      EXPECT_EQ(progress.back(), (std::pair<int64_t, int64_t>(body.size(), body.size())));
    } else {
      EXPECT_TRUE(progress.empty());
    }
  }
}

TEST_F(THttpClientOnWindows, AnEmptyBodyIsASuccessWithoutProgress) {
  const std::string name = TestSupport::ServeTestFile("vazio.bin", "");
  TCalls progress;
  const auto result =
      DownloadToFile(Client, TestSupport::TestHttpUrl("/files/" + name), Destination,
                     [&](int64_t ACurrent, int64_t ATotal) { progress.emplace_back(ACurrent, ATotal); });
  EXPECT_TRUE(result.Success) << result.ErrorMessage;
  EXPECT_TRUE(Infrastructure::Platform::FileExists(Destination));
  EXPECT_EQ(TestSupport::ReadFileBytes(Destination), "");
  EXPECT_TRUE(progress.empty());
}

TEST_F(THttpClientOnWindows, AnErrorAnswerFailsAndItsBodyStaysInTheFile) {
  for (int status : {404, 500}) {
    SCOPED_TRACE(status);
    const auto result =
        DownloadToFile(Client, TestSupport::TestHttpUrl("/status/" + std::to_string(status)), Destination, {});
    EXPECT_FALSE(result.Success);
    EXPECT_EQ(result.StatusCode, status);
    EXPECT_EQ(TestSupport::ReadFileBytes(Destination), "resposta de teste " + std::to_string(status) + "\n");
  }
  // A file the server does not have: its 404 page, likewise.
  const auto missing = DownloadToFile(Client, TestSupport::TestHttpUrl("/files/nao-existe.bin"), Destination, {});
  EXPECT_FALSE(missing.Success);
  EXPECT_EQ(missing.StatusCode, 404);
  EXPECT_FALSE(TestSupport::ReadFileBytes(Destination).empty());
}

TEST_F(THttpClientOnWindows, NobodyListeningGivesFalseAndAnEmptyFile) {
  TTempDir other;
  const std::string destination = other.WriteFile("pacote.zip", "conteúdo antigo");
  const auto result = DownloadToFile(Client, "http://127.0.0.1:" + ServerValue("http.closed_port") + "/x", destination,
                                     {}, ShortTimeOuts());
  EXPECT_FALSE(result.Success);
  EXPECT_EQ(result.StatusCode, 0);
  EXPECT_EQ(result.ErrorMessage, "Não foi possível conectar ao servidor");
  EXPECT_TRUE(Infrastructure::Platform::FileExists(destination));
  EXPECT_EQ(TestSupport::ReadFileBytes(destination), "");
}

TEST_F(THttpClientOnWindows, ADestinationInAMissingFolderGivesFalse) {
  const auto result =
      DownloadToFile(Client, TestSupport::TestHttpUrl("/bytes/10"), Dir.Join("falta\\pasta\\x.bin"), {});
  EXPECT_FALSE(result.Success);
  EXPECT_FALSE(result.ErrorMessage.empty());
  EXPECT_FALSE(Infrastructure::Platform::DirectoryExists(Dir.Join("falta")));
}

TEST_F(THttpClientOnWindows, AUrlThatCannotBeParsedGivesAClearFailure) {
  const std::string port = ServerValue("http.port");
  for (const std::string& url :
       {std::string(""), std::string("nada"), std::string("127.0.0.1/bytes/1"), std::string("ftp://127.0.0.1/x"),
        std::string("http://"), std::string("http://127.0.0.1:99999/x"), std::string("http://:80/x"),
        "http://127.0.0.1:" + port + "/bytes/1\r\nX-Injetado: sim"}) {
    SCOPED_TRACE(url);
    TMemorySink memory;
    const THttpResult answer = Client.Get(url, memory, ShortTimeOuts());
    EXPECT_FALSE(answer.Completed);
    EXPECT_EQ(answer.StatusCode, 0);
    EXPECT_EQ(answer.ErrorMessage.rfind("Endereço inválido", 0), 0u) << answer.ErrorMessage;
    EXPECT_FALSE(DownloadToFile(Client, url, Destination, {}, ShortTimeOuts()).Success);
  }
}

TEST_F(THttpClientOnWindows, FiveRedirectsAreFollowedASixthIsAFailure) {
  const std::string body = Pattern(1000);
  const std::string name = TestSupport::ServeTestFile("redirecionado.bin", body);
  const auto five = DownloadToFile(Client, TestSupport::TestHttpUrl("/redirect/5/files/" + name), Destination, {});
  EXPECT_TRUE(five.Success) << five.ErrorMessage;
  EXPECT_TRUE(TestSupport::ReadFileBytes(Destination) == body);

  TMemorySink memory;
  const THttpResult six = Client.Get(TestSupport::TestHttpUrl("/redirect/6/files/" + name), memory);
  EXPECT_FALSE(six.Completed);
  EXPECT_NE(six.ErrorMessage.find("mais de 5 redirecionamentos"), std::string::npos) << six.ErrorMessage;
  EXPECT_FALSE(DownloadToFile(Client, TestSupport::TestHttpUrl("/redirect/6/files/" + name), Destination, {}).Success);

  // The limit is the caller's to choose.
  TMemorySink fewer;
  EXPECT_FALSE(Client.Get(TestSupport::TestHttpUrl("/redirect/3/files/" + name), fewer, {5000, 5000, 2}).Completed);
}

TEST_F(THttpClientOnWindows, AnAnswerSlowerThanTheResponseTimeOutFails) {
  TMemorySink memory;
  const THttpResult answer = Client.Get(TestSupport::TestHttpUrl("/slow/5"), memory, ShortTimeOuts());
  EXPECT_FALSE(answer.Completed);
  EXPECT_EQ(answer.ErrorMessage, "O servidor não respondeu dentro do tempo limite");
  EXPECT_TRUE(memory.Data().empty());
}

TEST_F(THttpClientOnWindows, AConnectionDroppedInTheMiddleOfTheBodyFails) {
  for (const char* route : {"/drop/length", "/drop/reset"}) {
    SCOPED_TRACE(route);
    TCalls progress;
    const auto result =
        DownloadToFile(Client, TestSupport::TestHttpUrl(route), Destination,
                       [&](int64_t ACurrent, int64_t ATotal) { progress.emplace_back(ACurrent, ATotal); });
    EXPECT_FALSE(result.Success);
    // A reset may overtake the headers still unread on this side.
    if (std::string(route) == "/drop/length") {
      EXPECT_EQ(result.StatusCode, 200);
      EXPECT_NE(result.ErrorMessage.find("encerrada antes do fim"), std::string::npos) << result.ErrorMessage;
    }
    EXPECT_FALSE(result.ErrorMessage.empty());
    // What arrived stays: never more than was sent.
    EXPECT_LE(TestSupport::ReadFileBytes(Destination).size(), 40000u);
    if (!progress.empty()) {
      EXPECT_EQ(progress.back().second, 100000);
    }
  }
}

TEST_F(THttpClientOnWindows, TheCallerCanStopATransferThroughTheEventOrTheSink) {
  const std::string name = TestSupport::ServeTestFile("interrompido.bin", Pattern(2 * 1024 * 1024));
  TMemorySink memory;
  const THttpResult aborted = Client.Get(TestSupport::TestHttpUrl("/files/" + name), memory, {},
                                         [](int64_t, int64_t, bool& AAbort) { AAbort = true; });
  EXPECT_FALSE(aborted.Completed);
  EXPECT_EQ(aborted.StatusCode, 200);
  EXPECT_EQ(aborted.ErrorMessage, "Transferência cancelada");

  TMemorySink small(1000);
  const THttpResult full = Client.Get(TestSupport::TestHttpUrl("/files/" + name), small);
  EXPECT_FALSE(full.Completed);
  EXPECT_NE(full.ErrorMessage.find("limite de 1000 bytes"), std::string::npos) << full.ErrorMessage;
  EXPECT_LE(small.Data().size(), 1000u);
}

// The published digest and size over WinHTTP and CNG: a package with one byte
// changed, an error page answered with 200 in its place, a body longer than
// published (cut while it arrives), and the whole package hashed in the sink.
TEST_F(THttpClientOnWindows, AVerifiedDownloadKeepsOnlyThePublishedFile) {
  using Core::ValueObjects::TDownloadVerdict;
  const std::string package = Pattern(3 * 1024 * 1024 + 17);
  const std::string digest = Infrastructure::Crypto::ToHex(Infrastructure::Platform::Sha256Of(package));
  std::string changed = package;
  changed[1234567] ^= 1;
  TestSupport::ServeTestFile("pacote-ok.exe", package);
  TestSupport::ServeTestFile("pacote-alterado.exe", changed);
  TestSupport::ServeTestFile("pacote-html.exe", "<html><body>Página não encontrada</body></html>");
  const int64_t size = static_cast<int64_t>(package.size());
  const struct {
    std::string Path;
    Core::ValueObjects::TDownloadCheck Check;
    TDownloadVerdict Verdict;
  } cases[] = {
      {"/files/pacote-ok.exe", {digest, size}, TDownloadVerdict::Ok},
      {"/chunked/pacote-ok.exe", {digest, size}, TDownloadVerdict::Ok},
      {"/files/pacote-alterado.exe", {digest, size}, TDownloadVerdict::DigestMismatch},
      {"/files/pacote-html.exe", {digest, -1}, TDownloadVerdict::DigestMismatch},
      {"/files/pacote-html.exe", {digest, size}, TDownloadVerdict::WrongSize},
      {"/nolength/pacote-ok.exe", {"", 1000}, TDownloadVerdict::TooLarge},
      {"/files/pacote-ok.exe", {digest, 1000}, TDownloadVerdict::TooLarge},
      {"/files/pacote-ok.exe", {digest.substr(2), size}, TDownloadVerdict::InvalidDigest},
      {"/status/404", {digest, size}, TDownloadVerdict::Failed},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Path);
    const auto result = Infrastructure::Files::DownloadVerifiedToFile(Client, TestSupport::TestHttpUrl(c.Path),
                                                                      Destination, c.Check, {}, ShortTimeOuts());
    EXPECT_EQ(result.Verdict, c.Verdict) << result.ErrorMessage;
    if (c.Verdict == TDownloadVerdict::Ok)
      EXPECT_EQ(TestSupport::ReadFileBytes(Destination), package);
    else
      EXPECT_FALSE(Infrastructure::Platform::FileExists(Destination));
  }
}
