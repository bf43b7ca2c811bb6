// Ranged and resumable downloads through the real WinHTTP client: against
// nginx as publishers run it (tests/fixtures/servers/nginx.sh), and against
// the loopback server's hostile range routes (tests/fixtures/http_server.py),
// whose request log says what was asked.
#include <gtest/gtest.h>

#include <chrono>
#include <sstream>
#include <string>
#include <vector>

#include "Core/Interfaces/IHttpClient.h"
#include "Infrastructure/Crypto/HexDigest.h"
#include "Infrastructure/Files/RangedDownload.h"
#include "Infrastructure/Files/ResumableDownload.h"
#include "Infrastructure/Platform/Crypto.h"
#include "Infrastructure/Platform/Win32/WinHttpClient.h"
#include "support/TempDir.h"
#include "support/TestServers.h"

using namespace Infrastructure::Files;
using Core::Interfaces::THttpOptions;
using Core::ValueObjects::TDownloadVerdict;
using Infrastructure::Platform::Win32::TWinHttpClient;

namespace {

constexpr uint32_t kPiece = 1 << 20;

std::string Pattern(size_t ASize, int ASeed) {
  std::string data(ASize, '\0');
  for (size_t i = 0; i < ASize; ++i) data[i] = static_cast<char>((i * 13 + i / 4093 + ASeed) % 256);
  return data;
}

std::string Hex(const std::string& ABytes) {
  return Infrastructure::Crypto::ToHex(Infrastructure::Platform::Sha256Of(ABytes));
}

// A file name no earlier run against the same server used (its request counts and log lines are per path).
std::string Fresh(const std::string& AName) {
  return std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()) + "-" + AName;
}

// The range.log lines of requests for APath.
std::vector<std::string> Requests(const std::string& APath) {
  std::vector<std::string> lines;
  std::istringstream log(TestSupport::ServedFileBytes("range.log").value_or(""));
  for (std::string line; std::getline(log, line);)
    if (line.rfind(APath + " ", 0) == 0) lines.push_back(line);
  return lines;
}

struct RangedDownloadOnWindows : ::testing::Test {
  TestSupport::TTempDir Dir;
  TWinHttpClient Client;
  TRangeSupport Support;
  TFetchProgress Progress;
  TRetryPolicy Policy;
  std::vector<uint32_t> Pauses;
  const std::string Body = Pattern(3 * kPiece + 12345, 1);
  std::string File = Dir.Join("pacote.partial");

  RangedDownloadOnWindows() {
    Policy.Sleep = [this](uint32_t AMs) { Pauses.push_back(AMs); };
    Policy.Http.ConnectionTimeoutMs = 5000;
    Policy.Http.ResponseTimeoutMs = 10000;
  }
  TRangedSource Source(const std::string& AUrl) { return {AUrl, Body.size(), Hex(Body), {}}; }
  std::string FileBytes() const { return TestSupport::ReadFileBytes(File); }
  std::vector<Infrastructure::Platform::TSha256Digest> Pieces() const {
    std::vector<Infrastructure::Platform::TSha256Digest> pieces;
    for (size_t at = 0; at < Body.size(); at += kPiece)
      pieces.push_back(Infrastructure::Platform::Sha256Of(Body.substr(at, kPiece)));
    return pieces;
  }
};

}  // namespace

TEST_F(RangedDownloadOnWindows, NginxGivesRangesUnderItsValidatorAndTheClientReportsItsHeaders) {
  if (const auto why = TestSupport::NginxUnavailable()) GTEST_SKIP() << *why;
  const std::string url = TestSupport::TestNginxUrl("/" + TestSupport::ServeNginxFile("faixas.zip", Body));

  Core::Interfaces::TMemorySink memory;
  THttpOptions options = Policy.Http;
  options.Range = Core::Interfaces::THttpByteRange{10, 19};
  const auto answer = Client.Get(url, memory, options);
  ASSERT_TRUE(answer.Completed) << answer.ErrorMessage;
  EXPECT_EQ(answer.StatusCode, 206);
  EXPECT_EQ(answer.ContentRange, "bytes 10-19/" + std::to_string(Body.size()));
  EXPECT_EQ(answer.ContentType, "application/zip");
  EXPECT_EQ(answer.ContentEncoding, "");
  EXPECT_EQ(answer.ETag.front(), '"');
  EXPECT_FALSE(answer.LastModified.empty());
  EXPECT_EQ(memory.Data(), Body.substr(10, 10));

  TRangedSource source = Source(url);
  const auto first = FetchRange(Client, source, Support, File, kPiece - 100, 200, Progress, Policy);
  ASSERT_EQ(first.Outcome, TRangedOutcome::Ok) << first.ErrorMessage;
  EXPECT_EQ(source.Validator, answer.ETag);
  const auto second = FetchRange(Client, source, Support, File, 2 * kPiece, Body.size() - 2 * kPiece, Progress, Policy);
  ASSERT_EQ(second.Outcome, TRangedOutcome::Ok) << second.ErrorMessage;
  const std::string bytes = FileBytes();
  ASSERT_EQ(bytes.size(), Body.size());
  EXPECT_EQ(bytes.substr(kPiece - 100, 200), Body.substr(kPiece - 100, 200));
  EXPECT_EQ(bytes.substr(2 * kPiece), Body.substr(2 * kPiece));
  EXPECT_EQ(Progress.Fetched, static_cast<int64_t>(200 + Body.size() - 2 * kPiece));

  // Another validator: nginx answers the whole file, which is still the published one.
  source.Validator = "\"outro\"";
  const auto whole = FetchRange(Client, source, Support, File, 0, 100, Progress, Policy);
  EXPECT_EQ(whole.Outcome, TRangedOutcome::WholeBody);
  EXPECT_EQ(whole.Verdict, TDownloadVerdict::Ok) << whole.ErrorMessage;
  EXPECT_EQ(FileBytes(), Body);
  EXPECT_FALSE(Support.Refuses(url));
}

TEST_F(RangedDownloadOnWindows, NginxContinuesAPackageFromItsLastGoodPiece) {
  if (const auto why = TestSupport::NginxUnavailable()) GTEST_SKIP() << *why;
  const std::string url = TestSupport::TestNginxUrl("/" + TestSupport::ServeNginxFile("retomado.zip", Body));
  TResumableRequest request{url, Dir.Path(), Body.size(), Hex(Body), Pieces(), kPiece};
  std::string kept = Body.substr(0, 2 * kPiece + 5000);
  kept[kPiece + 7] ^= 0x40;  // the second piece is bad: one piece is kept
  Dir.WriteFile(".~ql-download-resume-" + Hex(Body) + ".part", kept);
  Dir.WriteFile(".~ql-download-resume-" + Hex(Body) + ".part.info",
                FormatResumeSidecar({url, Body.size(), Hex(Body), ""}));

  const auto result = DownloadResumablePackage(Client, request, Support, Progress, Policy);
  ASSERT_EQ(result.Verdict, TDownloadVerdict::Ok) << result.ErrorMessage;
  EXPECT_EQ(result.KeptBytes, kPiece);
  EXPECT_EQ(result.BytesFetched, Body.size() - kPiece);
  EXPECT_EQ(Progress.Fetched, static_cast<int64_t>(Body.size() - kPiece));
  EXPECT_EQ(TestSupport::ReadFileBytes(result.Path), Body);
  const auto sidecar = ParseResumeSidecar(TestSupport::ReadFileBytes(ResumableSidecarPath(result.Path)));
  ASSERT_TRUE(sidecar);
  EXPECT_EQ(sidecar->Validator.front(), '"');  // nginx's ETag, for the next start
}

TEST_F(RangedDownloadOnWindows, HostileAnswersToARangeAreRefusedWithoutRetry) {
  const std::string name = TestSupport::ServeTestFile(Fresh("hostil.zip"), Body);
  for (const char* mode : {"badrange", "badtotal", "multipart", "gzip"}) {
    SCOPED_TRACE(mode);
    const std::string path = "/range/" + std::string(mode) + "/99/" + name;
    TRangedSource source = Source(TestSupport::TestHttpUrl(path));
    const auto result = FetchRange(Client, source, Support, File, 1000, 5000, Progress, Policy);
    EXPECT_EQ(result.Outcome, TRangedOutcome::Failed);
    EXPECT_FALSE(result.Transient);
    EXPECT_EQ(result.BytesFetched, 0u);
    EXPECT_EQ(Requests(path).size(), 1u);
  }
  EXPECT_TRUE(Pauses.empty());
  EXPECT_EQ(FileBytes(), "");
}

TEST_F(RangedDownloadOnWindows, CutAndFailingAnswersAreRetriedFromWhatArrived) {
  const std::string name = TestSupport::ServeTestFile(Fresh("instavel.zip"), Body);
  const struct {
    const char* Route;
    size_t Requests;
    bool Continues;  // the second request starts where the first was cut
  } cases[] = {{"cut/1", 2, true}, {"reset/1", 2, true}, {"fail503/2", 3, false}, {"fail429/1", 2, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Route);
    const std::string path = "/range/" + std::string(c.Route) + "/" + name;
    TRangedSource source = Source(TestSupport::TestHttpUrl(path));
    Pauses.clear();
    const auto result = FetchRange(Client, source, Support, File, 100000, 2000000, Progress, Policy);
    ASSERT_EQ(result.Outcome, TRangedOutcome::Ok) << result.ErrorMessage;
    EXPECT_EQ(result.BytesFetched, 2000000u);
    EXPECT_EQ(FileBytes().substr(100000, 2000000), Body.substr(100000, 2000000));
    const auto requests = Requests(path);
    ASSERT_EQ(requests.size(), c.Requests);
    const std::string& last = requests.back();
    const size_t at = last.find("range=bytes=");
    ASSERT_NE(at, std::string::npos) << last;
    const uint64_t from = std::stoull(last.substr(at + 12));
    EXPECT_EQ(from > 100000, c.Continues) << last;
    EXPECT_NE(last.find("-2099999 "), std::string::npos) << last;
    EXPECT_FALSE(Pauses.empty());
  }
}

TEST_F(RangedDownloadOnWindows, AServerIgnoringRangesOrChangingItsFileGivesTheWholeBodyOnce) {
  const std::string name = TestSupport::ServeTestFile(Fresh("inteiro.zip"), Body);
  const std::string ignoring = "/range/ignore/99/" + name;
  TRangedSource source = Source(TestSupport::TestHttpUrl(ignoring));
  const auto whole = FetchRange(Client, source, Support, File, 5000, 100, Progress, Policy);
  EXPECT_EQ(whole.Outcome, TRangedOutcome::WholeBody);
  EXPECT_EQ(whole.Verdict, TDownloadVerdict::Ok) << whole.ErrorMessage;
  EXPECT_EQ(FileBytes(), Body);
  EXPECT_TRUE(Support.Refuses(source.Url));
  EXPECT_EQ(FetchRange(Client, source, Support, File, 0, 10, Progress, Policy, false).Outcome,
            TRangedOutcome::NoRanges);
  EXPECT_EQ(Requests(ignoring).size(), 1u);

  // The ETag changes between the first request and the second.
  TRangeSupport fresh;
  const std::string changing = "/range/etag/1/" + name;
  TRangedSource changed = Source(TestSupport::TestHttpUrl(changing));
  ASSERT_EQ(FetchRange(Client, changed, fresh, File, 0, 10, Progress, Policy).Outcome, TRangedOutcome::Ok);
  const std::string firstValidator = changed.Validator;
  const auto second = FetchRange(Client, changed, fresh, File, 20, 10, Progress, Policy);
  EXPECT_EQ(second.Outcome, TRangedOutcome::WholeBody);
  EXPECT_EQ(second.Verdict, TDownloadVerdict::Ok) << second.ErrorMessage;
  EXPECT_NE(changed.Validator, firstValidator);
  const auto requests = Requests(changing);
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_NE(requests[1].find("if-range=" + firstValidator + " status=200"), std::string::npos) << requests[1];
  EXPECT_FALSE(fresh.Refuses(changed.Url));
}
