#include "Infrastructure/Update/PackageFetcher.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "Infrastructure/Crypto/HexDigest.h"
#include "Infrastructure/Files/ResumableDownload.h"
#include "Infrastructure/Logging/DebugLoggerService.h"
#include "Infrastructure/Platform/Crypto.h"
#include "Infrastructure/Platform/FileSystem.h"
#include "Infrastructure/Translator/PortugueseTranslator.h"
#include "Infrastructure/Update/UpdateInstaller.h"
#include "support/ManifestBuilder.h"
#include "support/ScriptedHttpClient.h"
#include "support/TempDir.h"
#include "support/ZipBuilder.h"

using Core::Interfaces::TFetchedPackage;
using Core::Interfaces::TPackageFetchRequest;
using Core::ValueObjects::TDownloadVerdict;
using TestSupport::TScriptedAnswer;

namespace {

constexpr char kUrl[] = "http://127.0.0.1/pacote.zip";

std::string Noise(size_t ASize, uint32_t ASeed) {
  std::string bytes(ASize, '\0');
  for (char& c : bytes) c = static_cast<char>((ASeed = ASeed * 1103515245u + 12345u) >> 24);
  return bytes;
}

// A package of ten files, installed with file 4 different and file 6 missing.
struct TRelease {
  TRelease() {
    TestSupport::TZipBuilder builder;
    for (uint32_t i = 0; i < 10; ++i) builder.File("dados/" + std::to_string(i) + ".dat", Noise(20000, i));
    Package = builder.Build();
    const std::string zip = Work.WriteFile("pacote.zip", Package);
    Manifest = TestSupport::EncodeManifest(TestSupport::ManifestOfZip(zip));
    for (uint32_t i = 0; i < 10; ++i)
      if (i != 6) Installed.WriteFile("dados/" + std::to_string(i) + ".dat", Noise(20000, i == 4 ? 99 : i));
  }

  TPackageFetchRequest Request(bool AWithManifest = true) const {
    TPackageFetchRequest request;
    request.Url = kUrl;
    request.Check = {Infrastructure::Crypto::ToHex(Infrastructure::Platform::Sha256Of(Package)),
                     static_cast<int64_t>(Package.size())};
    if (AWithManifest)
      request.ManifestCheck = {Infrastructure::Crypto::ToHex(Infrastructure::Platform::Sha256Of(Manifest)),
                               static_cast<int64_t>(Manifest.size())};
    request.Folder = Installed.Path();
    return request;
  }

  // A static file server: single ranges honoured unless AIgnoreRanges; the manifest as given.
  void Serve(TestSupport::TScriptedHttpClient& AClient, bool AIgnoreRanges, const std::string& AManifest) {
    AClient.Respond = [this, AIgnoreRanges, AManifest](const std::string& AUrl,
                                                       const Core::Interfaces::THttpOptions& AOptions) {
      if (AUrl == std::string(kUrl) + ".manifest") {
        ++ManifestRequests;
        return TestSupport::Reply(200, AManifest, true, 4096);
      }
      ++PackageRequests;
      TScriptedAnswer answer = TestSupport::Reply(200, Package, true, 4096);
      answer.ETag = "\"v1\"";
      if (AOptions.Range && !AIgnoreRanges) {
        const uint64_t first = AOptions.Range->First, last = AOptions.Range->Last;
        answer.StatusCode = 206;
        answer.Body = Package.substr(first, last - first + 1);
        answer.ContentRange =
            "bytes " + std::to_string(first) + "-" + std::to_string(last) + "/" + std::to_string(Package.size());
      }
      Served += answer.Body.size();
      return answer;
    };
  }

  TestSupport::TTempDir Work, Installed;
  std::string Package, Manifest;
  int PackageRequests = 0;
  int ManifestRequests = 0;
  uint64_t Served = 0;
};

}  // namespace

TEST(PackageFetcher, FetchesOnlyWhatChangedAndInstallsOnlyThatFromAnyServer) {
  const struct {
    const char* name;
    bool ignoreRanges;
    bool withManifest;
    bool tamperedManifest;
    bool changedOnly;
    int maxRequests;
    bool lessThanPackage;
  } cases[] = {
      {"ranges honoured", false, true, false, true, 2, true},
      {"ranges answered with the whole package", true, true, false, true, 1, false},
      {"a manifest that is not the one published", false, true, true, false, 1, false},
      {"no manifest published", false, false, false, false, 1, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TRelease release;
    auto client = std::make_shared<TestSupport::TScriptedHttpClient>();
    std::string manifest = release.Manifest;
    if (c.tamperedManifest) manifest[40] ^= 1;
    release.Serve(*client, c.ignoreRanges, manifest);
    Infrastructure::Update::TPackageFetcher fetcher(client,
                                                    std::make_shared<Infrastructure::Logging::TDebugLoggerService>());
    std::vector<std::string> planned;
    TPackageFetchRequest request = release.Request(c.withManifest);
    request.OnPlanned = [&](int64_t AToFetch, int64_t ASize, bool AChangedOnly) {
      planned.push_back(std::to_string(AToFetch < ASize) + std::to_string(AChangedOnly));
    };
    std::pair<int64_t, int64_t> progress{0, 0};  // the last report: (fetched, total)
    request.OnProgress = [&](int64_t AFetched, int64_t ATotal) { progress = {AFetched, ATotal}; };
    const TFetchedPackage fetched = fetcher.Fetch(request);

    ASSERT_EQ(fetched.Verdict, TDownloadVerdict::Ok);
    // The percentage shown ends full, also when a whole body replaced the ranges planned.
    EXPECT_GT(progress.second, 0);
    EXPECT_EQ(progress.first, progress.second);
    EXPECT_EQ(fetched.ChangedOnly, c.changedOnly);
    if (c.changedOnly) {
      EXPECT_EQ(fetched.Entries, (std::vector<size_t>{4, 6}));
    }
    EXPECT_LE(release.PackageRequests, c.maxRequests);
    EXPECT_EQ(release.Served < release.Package.size(), c.lessThanPackage);
    // Said again when the server sent the whole package for the ranges asked.
    const std::vector<std::string> said =
        c.ignoreRanges ? std::vector<std::string>{"11", "00"} : std::vector<std::string>{c.changedOnly ? "11" : "00"};
    EXPECT_EQ(planned, said);

    Core::Interfaces::TInstallRequest install;
    install.PackagePath = fetched.Path;
    install.Destination = release.Installed.Path();
    install.ChangedOnly = fetched.ChangedOnly;
    install.Manifest = fetched.Manifest;
    install.Entries = fetched.Entries;
    const std::string untouched = release.Installed.Join("dados/2.dat");
    const auto before = Infrastructure::Platform::LastWriteTime(untouched);
    Infrastructure::Update::TUpdateInstaller(std::make_shared<Infrastructure::Translator::TPortugueseTranslator>())
        .Install(install);
    for (uint32_t i = 0; i < 10; ++i)
      EXPECT_TRUE(TestSupport::ReadFileBytes(release.Installed.Join("dados/" + std::to_string(i) + ".dat")) ==
                  Noise(20000, i))
          << i;
    if (c.changedOnly) {
      EXPECT_EQ(Infrastructure::Platform::LastWriteTime(untouched), before);
    }
    fetcher.Discard(fetched);
    for (const auto& entry : Infrastructure::Platform::ListDirectory(release.Installed.Path()))
      EXPECT_EQ(entry.Name.find(".~ql-download"), std::string::npos) << entry.Name;
  }
}

// A manifest kept beside a cut download is used only while it is the one published: a copy cut
// half-way or altered is fetched again, and it goes with the download once used.
TEST(PackageFetcher, AKeptManifestIsUsedOnlyWhenItIsTheOnePublished) {
  const struct {
    const char* name;
    int kept;  // 0: none; 1: intact; 2: one byte changed; 3: cut half-way
    int manifestRequests;
  } cases[] = {{"none kept", 0, 1}, {"kept intact", 1, 0}, {"kept, one byte changed", 2, 1}, {"kept, cut", 3, 1}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TRelease release;
    auto client = std::make_shared<TestSupport::TScriptedHttpClient>();
    release.Serve(*client, false, release.Manifest);
    const TPackageFetchRequest request = release.Request();
    const std::string keptPath = Infrastructure::Files::ResumableManifestPath(
        Infrastructure::Files::ResumablePartPath(release.Installed.Path(), request.Check.Sha256));
    std::string kept = release.Manifest;
    if (c.kept == 2) kept[kept.size() / 2] ^= 1;
    if (c.kept == 3) kept.resize(kept.size() / 2);
    if (c.kept != 0) release.Installed.WriteFile(Infrastructure::Platform::FileNameOf(keptPath), kept);
    Infrastructure::Update::TPackageFetcher fetcher(client,
                                                    std::make_shared<Infrastructure::Logging::TDebugLoggerService>());

    const TFetchedPackage fetched = fetcher.Fetch(request);

    ASSERT_EQ(fetched.Verdict, TDownloadVerdict::Ok);
    EXPECT_TRUE(fetched.ChangedOnly);
    EXPECT_EQ(release.ManifestRequests, c.manifestRequests);
    fetcher.Discard(fetched);
    for (const auto& entry : Infrastructure::Platform::ListDirectory(release.Installed.Path()))
      EXPECT_EQ(entry.Name.find(".~ql-download"), std::string::npos) << entry.Name;
  }
}
