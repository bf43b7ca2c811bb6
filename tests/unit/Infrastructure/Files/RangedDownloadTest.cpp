// Ranged and resumable downloads over a scripted server that honours Range
// and If-Range, with hostile answers queued in front of it: what reaches the
// file, what is asked next, what is retried. The real WinHTTP client runs
// against nginx and the hostile routes under Wine (tests/windows).
#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <vector>

#include "Infrastructure/Crypto/HexDigest.h"
#include "Infrastructure/Files/ContentRange.h"
#include "Infrastructure/Files/RangedDownload.h"
#include "Infrastructure/Files/ResumableDownload.h"
#include "Infrastructure/Platform/Crypto.h"
#include "Infrastructure/Platform/FileSystem.h"
#include "support/ScriptedHttpClient.h"
#include "support/TempDir.h"

using namespace Infrastructure::Files;
using Core::Interfaces::THttpOptions;
using Core::Interfaces::THttpResult;
using Core::ValueObjects::TDownloadVerdict;
using TestSupport::TScriptedAnswer;

namespace {

std::string Pattern(size_t ASize, int ASeed = 0) {
  std::string text(ASize, '\0');
  for (size_t i = 0; i < ASize; ++i) text[i] = static_cast<char>((i * 7 + ASeed) % 251);
  return text;
}

std::string Hex(const std::string& ABytes) {
  return Infrastructure::Crypto::ToHex(Infrastructure::Platform::Sha256Of(ABytes));
}

// A server of one file: ranges while the If-Range validator matches, else the
// whole file; the answers queued in Hostile come first, one per request.
struct TServer {
  std::string Body;
  std::string ETag = "\"v1\"";
  std::string LastModified = "Fri, 11 Dec 2026 08:00:00 GMT";
  bool IgnoreRanges = false;
  std::deque<TScriptedAnswer> Hostile;
  std::vector<THttpOptions> Asked;

  TScriptedAnswer Good(const THttpOptions& AOptions) const {
    TScriptedAnswer answer;
    answer.BlockSize = 4096;
    answer.ETag = ETag;
    answer.LastModified = LastModified;
    const bool fresh = AOptions.IfRange.empty() || AOptions.IfRange == ETag || AOptions.IfRange == LastModified;
    if (!AOptions.Range || IgnoreRanges || !fresh) {
      answer.Body = Body;
      return answer;
    }
    const uint64_t first = AOptions.Range->First, last = AOptions.Range->Last;
    answer.StatusCode = 206;
    answer.Body = Body.substr(first, last - first + 1);
    answer.ContentRange =
        "bytes " + std::to_string(first) + "-" + std::to_string(last) + "/" + std::to_string(Body.size());
    return answer;
  }
  TScriptedAnswer operator()(const std::string&, const THttpOptions& AOptions) {
    Asked.push_back(AOptions);
    if (Hostile.empty()) return Good(AOptions);
    TScriptedAnswer answer = Hostile.front();
    Hostile.pop_front();
    return answer;
  }
};

struct RangedDownload : ::testing::Test {
  TestSupport::TTempDir Dir;
  TServer Server;
  TestSupport::TScriptedHttpClient Client;
  TRangeSupport Support;
  TFetchProgress Progress;
  std::vector<uint32_t> Pauses;
  TRetryPolicy Policy;
  TRangedSource Source;
  std::string File = Dir.Join("pacote.zip.partial");

  RangedDownload() {
    Server.Body = Pattern(100000);
    Client.Respond = [this](const std::string& AUrl, const THttpOptions& AOptions) { return Server(AUrl, AOptions); };
    Policy.Sleep = [this](uint32_t AMs) { Pauses.push_back(AMs); };
    Source = {"http://servidor:8080/pacote.zip", Server.Body.size(), Hex(Server.Body), {}};
  }
  uint32_t Paused() const {
    uint32_t sum = 0;
    for (uint32_t p : Pauses) sum += p;
    return sum;
  }
  TRangedResult Fetch(uint64_t AOffset, uint64_t ALength, bool AAcceptWhole = true) {
    return FetchRange(Client, Source, Support, File, AOffset, ALength, Progress, Policy, AAcceptWhole);
  }
  std::string FileBytes() const { return TestSupport::ReadFileBytes(File); }
  // The good 206 for [AFirst, ALast], for a test to spoil.
  TScriptedAnswer Partial(uint64_t AFirst, uint64_t ALast) const {
    THttpOptions options;
    options.Range = Core::Interfaces::THttpByteRange{AFirst, ALast};
    return Server.Good(options);
  }
};

}  // namespace

TEST(ContentRange, ParsesOnlyOneWholeRangeOfAKnownTotal) {
  const struct {
    const char* Text;
    bool Valid;
    uint64_t First = 0, Last = 0, Total = 0;
  } cases[] = {
      {"bytes 0-9/10", true, 0, 9, 10},
      {"  BYTES 5-5/6 ", true, 5, 5, 6},
      {"bytes 9223372036854775806-9223372036854775806/9223372036854775807", true, 9223372036854775806ULL,
       9223372036854775806ULL, 9223372036854775807ULL},
      {"bytes 0-9/*", false},
      {"bytes */10", false},
      {"bytes 0-10/10", false},
      {"bytes 5-4/10", false},
      {"bytes 0-9/10, 20-29/30", false},
      {"bytes +0-9/10", false},
      {"bytes 0 -9/10", false},
      {"bytes=0-9/10", false},
      {"items 0-9/10", false},
      {"bytes 00000000000000000000-1/10", false},
      {"", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Text);
    const auto range = ParseContentRange(c.Text);
    ASSERT_EQ(range.has_value(), c.Valid);
    if (!c.Valid) continue;
    EXPECT_EQ(range->First, c.First);
    EXPECT_EQ(range->Last, c.Last);
    EXPECT_EQ(range->Total, c.Total);
  }
}

TEST(RangedDecisions, APartialAnswerIsUsedOnlyWhenItIsExactlyWhatWasAsked) {
  const struct {
    int Status;
    const char* Range;
    const char* Encoding;
    const char* Type;
    bool Usable;
  } cases[] = {
      {206, "bytes 100-199/1000", "", "application/zip", true},
      {206, "bytes 100-199/1000", "identity", "", true},
      {206, "bytes 101-200/1000", "", "", false},  // another range
      {206, "bytes 100-198/1000", "", "", false},  // shorter
      {206, "bytes 100-199/1001", "", "", false},  // another package
      {206, "bytes 100-199/*", "", "", false},
      {206, "", "", "multipart/byteranges; boundary=X", false},
      {206, "bytes 100-199/1000", "", " Multipart/ByteRanges ;boundary=X", false},
      {206, "bytes 100-199/1000", "gzip", "", false},
      {200, "bytes 100-199/1000", "", "", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.Status) + " " + c.Range + " " + c.Encoding + " " + c.Type);
    THttpResult answer;
    answer.StatusCode = c.Status;
    answer.ContentRange = c.Range;
    answer.ContentEncoding = c.Encoding;
    answer.ContentType = c.Type;
    EXPECT_EQ(!RefusePartialAnswer(answer, 100, 199, 1000).has_value(), c.Usable);
  }
}

TEST(RangedDecisions, RetriesOnlyWhatMayPassAndPausesGrow) {
  for (int status : {0, 408, 429, 500, 502, 503, 504}) EXPECT_TRUE(IsTransientStatus(status)) << status;
  for (int status : {400, 401, 403, 404, 410, 416, 301}) EXPECT_FALSE(IsTransientStatus(status)) << status;
  const TRetryPolicy policy;
  EXPECT_EQ(RetryPauseMs(policy, 1), 1000u);
  EXPECT_EQ(RetryPauseMs(policy, 2), 2000u);
  EXPECT_EQ(RetryPauseMs(policy, 3), 4000u);
}

TEST(RangedDecisions, TheValidatorIsAStrongETagElseTheDate) {
  THttpResult answer;
  answer.ETag = "\"abc\"";
  answer.LastModified = "Fri, 11 Dec 2026 08:00:00 GMT";
  EXPECT_EQ(ValidatorOf(answer), "\"abc\"");
  answer.ETag = "W/\"abc\"";
  EXPECT_EQ(ValidatorOf(answer), "Fri, 11 Dec 2026 08:00:00 GMT");
  answer.LastModified.clear();
  EXPECT_EQ(ValidatorOf(answer), "");
}

TEST_F(RangedDownload, WritesTheRangeAtItsOffsetAndSendsTheFirstValidatorAfterwards) {
  const auto first = Fetch(1000, 5000);
  const auto second = Fetch(50000, 20000);
  ASSERT_EQ(first.Outcome, TRangedOutcome::Ok) << first.ErrorMessage;
  ASSERT_EQ(second.Outcome, TRangedOutcome::Ok) << second.ErrorMessage;
  const std::string bytes = FileBytes();
  ASSERT_EQ(bytes.size(), 70000u);
  EXPECT_EQ(bytes.substr(1000, 5000), Server.Body.substr(1000, 5000));
  EXPECT_EQ(bytes.substr(50000), Server.Body.substr(50000, 20000));
  ASSERT_EQ(Server.Asked.size(), 2u);
  EXPECT_EQ(Server.Asked[0].Range->First, 1000u);
  EXPECT_EQ(Server.Asked[0].Range->Last, 5999u);
  EXPECT_EQ(Server.Asked[0].IfRange, "");
  EXPECT_EQ(Server.Asked[1].IfRange, "\"v1\"");
  EXPECT_EQ(Progress.Fetched, 25000);
}

TEST_F(RangedDownload, AServerThatIgnoresRangesGivesTheWholePackageOnceAndIsNotAskedForRangesAgain) {
  Server.IgnoreRanges = true;
  Progress.Total = 30000;  // this range and another planned
  int restarts = 0;
  Progress.OnWholePackage = [&] { ++restarts; };
  const auto whole = Fetch(1000, 5000);
  EXPECT_EQ(restarts, 1);
  EXPECT_EQ(whole.Outcome, TRangedOutcome::WholeBody);
  EXPECT_EQ(whole.Verdict, TDownloadVerdict::Ok) << whole.ErrorMessage;
  EXPECT_EQ(FileBytes(), Server.Body);
  EXPECT_EQ(Progress.Fetched, 100000);
  EXPECT_EQ(Progress.Total, 100000);
  EXPECT_TRUE(Support.Refuses("HTTP://Servidor:8080/outro.zip"));
  EXPECT_FALSE(Support.Refuses("http://servidor:8081/pacote.zip"));

  const auto next = Fetch(0, 10, false);
  EXPECT_EQ(next.Outcome, TRangedOutcome::NoRanges);
  EXPECT_EQ(Server.Asked.size(), 1u);
}

TEST_F(RangedDownload, AWholeBodyTheCallerDoesNotWantIsDroppedAtOnce) {
  Server.IgnoreRanges = true;
  const auto result = Fetch(1000, 5000, false);
  EXPECT_EQ(result.Outcome, TRangedOutcome::WholeBody);
  EXPECT_EQ(result.Verdict, TDownloadVerdict::Failed);
  EXPECT_EQ(result.BytesFetched, 0u);
  EXPECT_EQ(Server.Asked.size(), 1u);
  EXPECT_TRUE(Support.Refuses(Source.Url));
}

TEST_F(RangedDownload, AChangedFileComesWholeAndMustStillBeThePublishedOne) {
  ASSERT_EQ(Fetch(0, 100).Outcome, TRangedOutcome::Ok);
  Server.ETag = "\"v2\"";
  Server.Body = Pattern(100000, 3);
  const auto result = Fetch(200, 100);
  EXPECT_EQ(result.Outcome, TRangedOutcome::WholeBody);
  EXPECT_EQ(result.Verdict, TDownloadVerdict::DigestMismatch);
  EXPECT_EQ(Server.Asked[1].IfRange, "\"v1\"");
  EXPECT_FALSE(Support.Refuses(Source.Url));  // it gives ranges; the file changed
  EXPECT_EQ(Source.Validator, "\"v2\"");
}

TEST_F(RangedDownload, AWrongPartialAnswerIsRefusedBeforeAByteIsWrittenAndNotRetried) {
  TScriptedAnswer shifted = Partial(1001, 2000);
  TScriptedAnswer encoded = Partial(1000, 1999);
  encoded.ContentEncoding = "gzip";
  TScriptedAnswer multipart = Partial(1000, 1999);
  multipart.ContentRange.clear();
  multipart.ContentType = "multipart/byteranges; boundary=QL";
  TScriptedAnswer otherTotal = Partial(1000, 1999);
  otherTotal.ContentRange = "bytes 1000-1999/100001";
  for (const TScriptedAnswer& hostile : {shifted, encoded, multipart, otherTotal}) {
    SCOPED_TRACE(hostile.ContentRange + hostile.ContentEncoding + hostile.ContentType);
    Server.Hostile = {hostile};
    Server.Asked.clear();
    const auto result = Fetch(1000, 1000);
    EXPECT_EQ(result.Outcome, TRangedOutcome::Failed);
    EXPECT_FALSE(result.Transient);
    EXPECT_EQ(Server.Asked.size(), 1u);
    EXPECT_EQ(result.BytesFetched, 0u);
    EXPECT_FALSE(result.ErrorMessage.empty());
  }
  EXPECT_TRUE(FileBytes().empty());
}

TEST_F(RangedDownload, TransientFailuresAreRetriedWithGrowingPausesPermanentOnesAreNot) {
  const struct {
    int Status;
    size_t Requests;
    bool Transient;
  } cases[] = {{503, 4, true}, {500, 4, true},  {429, 4, true},  {408, 4, true},
               {0, 4, true},   {404, 1, false}, {403, 1, false}, {416, 1, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Status);
    TScriptedAnswer failing = TestSupport::Reply(c.Status, "erro");
    if (c.Status == 0) failing.Failure = "A conexão com o servidor foi interrompida";
    Server.Hostile.assign(10, failing);
    Server.Asked.clear();
    Pauses.clear();
    const auto result = Fetch(0, 1000);
    EXPECT_EQ(result.Outcome, TRangedOutcome::Failed);
    EXPECT_EQ(result.Transient, c.Transient);
    EXPECT_EQ(Server.Asked.size(), c.Requests);
    EXPECT_EQ(Paused(), c.Transient ? 7000u : 0u);
  }
  Server.Hostile.assign(2, TestSupport::Reply(503, "erro"));
  Server.Asked.clear();
  EXPECT_EQ(Fetch(0, 1000).Outcome, TRangedOutcome::Ok);
  EXPECT_EQ(Server.Asked.size(), 3u);
  Server.Hostile.assign(1, TestSupport::Reply(407, "proxy"));
  EXPECT_EQ(Fetch(0, 1000).Verdict, TDownloadVerdict::ProxyRefused);
}

TEST_F(RangedDownload, ACutBodyContinuesFromWhatArrived) {
  TScriptedAnswer reset = Partial(10000, 59999);
  reset.Failure = "A conexão com o servidor foi interrompida";
  reset.FailAfterBytes = 20000;
  // Wine's WinHTTP reports a connection closed early as a normal end.
  TScriptedAnswer quietlyShort = Partial(30000, 59999);
  quietlyShort.Body.resize(10000);
  Server.Hostile = {reset, quietlyShort};
  const auto result = Fetch(10000, 50000);
  ASSERT_EQ(result.Outcome, TRangedOutcome::Ok) << result.ErrorMessage;
  ASSERT_EQ(Server.Asked.size(), 3u);
  EXPECT_EQ(Server.Asked[1].Range->First, 30000u);
  EXPECT_EQ(Server.Asked[2].Range->First, 40000u);
  EXPECT_EQ(Server.Asked[2].IfRange, "\"v1\"");
  EXPECT_EQ(FileBytes().substr(10000), Server.Body.substr(10000, 50000));
  EXPECT_EQ(result.BytesFetched, 50000u);
  EXPECT_EQ(Progress.Fetched, 50000);
}

TEST_F(RangedDownload, ACancelEndsThePause) {
  bool cancel = false;
  Policy.IsCancelled = [&] { return cancel; };
  Policy.Sleep = [&](uint32_t AMs) {
    Pauses.push_back(AMs);
    cancel = true;
  };
  Server.Hostile.assign(10, TestSupport::Reply(503, "erro"));
  const auto result = Fetch(0, 1000);
  EXPECT_TRUE(result.Cancelled);
  EXPECT_EQ(Server.Asked.size(), 1u);
  EXPECT_EQ(Pauses.size(), 1u);
}

// --- The resumable whole-package download ---

namespace {

struct ResumableDownload : RangedDownload {
  TResumableRequest Request;
  ResumableDownload() {
    Request.Url = Source.Url;
    Request.Folder = Dir.Path();
    Request.Size = Server.Body.size();
    Request.Sha256 = Hex(Server.Body);
    Request.PieceSize = 10000;
    for (size_t at = 0; at < Server.Body.size(); at += Request.PieceSize)
      Request.Pieces.push_back(Infrastructure::Platform::Sha256Of(Server.Body.substr(at, Request.PieceSize)));
  }
  std::string Part() const { return ResumablePartPath(Request.Folder, Request.Sha256); }
  void Keep(std::string ABytes, const std::string& AValidator) {
    Dir.WriteFile(".~ql-download-resume-" + Hex(Server.Body) + ".part", ABytes);
    Dir.WriteFile(".~ql-download-resume-" + Hex(Server.Body) + ".part.info",
                  FormatResumeSidecar({Request.Url, Request.Size, Hex(Server.Body), AValidator}));
  }
  TResumableResult Download() { return DownloadResumablePackage(Client, Request, Support, Progress, Policy); }
};

}  // namespace

TEST_F(ResumableDownload, AFreshDownloadAsksForTheWholeFileAndRecordsItsValidator) {
  const auto result = Download();
  ASSERT_EQ(result.Verdict, TDownloadVerdict::Ok) << result.ErrorMessage;
  EXPECT_EQ(result.Path, Part());
  EXPECT_EQ(TestSupport::ReadFileBytes(Part()), Server.Body);
  ASSERT_EQ(Server.Asked.size(), 1u);
  EXPECT_FALSE(Server.Asked[0].Range);
  const auto sidecar = ParseResumeSidecar(TestSupport::ReadFileBytes(ResumableSidecarPath(Part())));
  ASSERT_TRUE(sidecar);
  EXPECT_EQ(sidecar->Validator, "\"v1\"");
  EXPECT_EQ(Progress.Fetched, 100000);
  EXPECT_EQ(Progress.Total, 100000);
}

TEST_F(ResumableDownload, KeptBytesAreCutBackToTheLastGoodPiece) {
  std::string kept = Server.Body.substr(0, 45000);
  kept[25000] ^= 1;  // the third piece is bad: 20000 bytes are kept
  Keep(kept, "");    // the pieces vouch for them, no validator needed
  const auto result = Download();
  ASSERT_EQ(result.Verdict, TDownloadVerdict::Ok) << result.ErrorMessage;
  EXPECT_EQ(result.KeptBytes, 20000u);
  ASSERT_EQ(Server.Asked.size(), 1u);
  EXPECT_EQ(Server.Asked[0].Range->First, 20000u);
  EXPECT_EQ(Server.Asked[0].Range->Last, 99999u);
  EXPECT_EQ(TestSupport::ReadFileBytes(Part()), Server.Body);
  EXPECT_EQ(Progress.Fetched, 80000);
  EXPECT_EQ(Progress.Total, 80000);
  EXPECT_EQ(GoodPiecesLength(Part(), Request.Pieces, Request.Size, Request.PieceSize), 100000u);
}

TEST_F(ResumableDownload, WithoutPiecesKeptBytesNeedAValidator) {
  Request.Pieces.clear();
  Keep(Server.Body.substr(0, 30000), "\"v1\"");
  auto result = Download();
  ASSERT_EQ(result.Verdict, TDownloadVerdict::Ok) << result.ErrorMessage;
  EXPECT_EQ(result.KeptBytes, 30000u);
  EXPECT_EQ(Server.Asked[0].Range->First, 30000u);
  EXPECT_EQ(Server.Asked[0].IfRange, "\"v1\"");

  Server.Asked.clear();
  Keep(Server.Body.substr(0, 30000), "");
  result = Download();
  ASSERT_EQ(result.Verdict, TDownloadVerdict::Ok) << result.ErrorMessage;
  EXPECT_EQ(result.KeptBytes, 0u);
  EXPECT_FALSE(Server.Asked[0].Range);
}

TEST_F(ResumableDownload, AResumeAnsweredWholeStartsAgainWithThatBody) {
  Request.Pieces.clear();
  Keep(Pattern(30000, 9), "\"v0\"");  // bytes of an older file
  const auto result = Download();
  ASSERT_EQ(result.Verdict, TDownloadVerdict::Ok) << result.ErrorMessage;
  ASSERT_EQ(Server.Asked.size(), 1u);
  EXPECT_EQ(Server.Asked[0].IfRange, "\"v0\"");
  EXPECT_EQ(TestSupport::ReadFileBytes(Part()), Server.Body);
}

TEST_F(ResumableDownload, ACutDownloadIsKeptForTheNextStartABadOneIsRemoved) {
  TScriptedAnswer cut = TestSupport::Reply(200, Server.Body);
  cut.ETag = Server.ETag;
  cut.Failure = "A conexão com o servidor foi interrompida";
  cut.FailAfterBytes = 64000;
  Server.Hostile = {cut};
  auto result = Download();
  ASSERT_EQ(result.Verdict, TDownloadVerdict::Ok) << result.ErrorMessage;
  ASSERT_EQ(Server.Asked.size(), 2u);
  EXPECT_EQ(Server.Asked[1].Range->First, 64000u);  // the retry continues from what arrived

  // Cut again, and the server then fails for good: what arrived stays for the next start.
  Server.Asked.clear();
  Dir.WriteFile(".~ql-download-resume-" + Hex(Server.Body) + ".part", Server.Body.substr(0, 10000));
  TScriptedAnswer partialCut = Partial(10000, 99999);
  partialCut.Failure = cut.Failure;
  partialCut.FailAfterBytes = 5000;
  Server.Hostile.assign(10, TestSupport::Reply(503, "erro"));
  Server.Hostile[0] = partialCut;
  result = Download();
  EXPECT_EQ(result.Verdict, TDownloadVerdict::Failed);
  EXPECT_TRUE(result.Transient);
  EXPECT_EQ(TestSupport::ReadFileBytes(Part()), Server.Body.substr(0, 15000));
  EXPECT_TRUE(Infrastructure::Platform::FileExists(ResumableSidecarPath(Part())));

  Server.Hostile.clear();
  Server.Body = Pattern(100000, 5);  // not what was published
  Server.ETag = "\"v9\"";
  result = Download();
  EXPECT_EQ(result.Verdict, TDownloadVerdict::DigestMismatch);
  EXPECT_FALSE(Infrastructure::Platform::FileExists(Part()));
  EXPECT_FALSE(Infrastructure::Platform::FileExists(ResumableSidecarPath(Part())));
}

TEST(ResumeSidecar, ReadsBackWhatItWritesAndNothingElse) {
  const TResumeSidecar sidecar{"https://s/p.zip?a=1", 123456789, std::string(64, 'a'), "\"abc-1\""};
  const std::string text = FormatResumeSidecar(sidecar);
  const auto back = ParseResumeSidecar(text);
  ASSERT_TRUE(back);
  EXPECT_EQ(back->Url, sidecar.Url);
  EXPECT_EQ(back->Size, sidecar.Size);
  EXPECT_EQ(back->Sha256, sidecar.Sha256);
  EXPECT_EQ(back->Validator, sidecar.Validator);
  for (const std::string& bad : {text.substr(0, text.size() - 1), text + "x\n", "QLRESUME 2" + text.substr(10),
                                 std::string(text).replace(text.find("size=") + 5, 1, "01"),
                                 std::string(text).replace(text.find("sha256=") + 7, 1, "A"),
                                 std::string(text).replace(text.find("abc"), 1, "\r")}) {
    SCOPED_TRACE(bad);
    EXPECT_FALSE(ParseResumeSidecar(bad));
  }
  const std::string hex(64, 'f');
  EXPECT_TRUE(IsResumableDownloadName(".~ql-download-resume-" + hex + ".part"));
  EXPECT_TRUE(IsResumableDownloadName(".~ql-download-resume-" + hex + ".part.info"));
  EXPECT_TRUE(IsResumableDownloadName(".~ql-download-resume-" + hex + ".part.manifest"));
  EXPECT_FALSE(IsResumableDownloadName(".~ql-download-resume-" + hex + ".part.manifest.tmp1"));
  EXPECT_FALSE(IsResumableDownloadName(".~ql-download-resume-" + hex + ".part.info.tmp1"));
  EXPECT_FALSE(IsResumableDownloadName(".~ql-download-abc.zip.part"));
}
