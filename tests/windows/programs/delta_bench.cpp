// delta_bench PACED_URL URL PACKAGE_SHA256 PACKAGE_SIZE MANIFEST_SHA256 MANIFEST_SIZE FOLDER OLD_ZIP [ROUNDS]
// Under Wine, over WinHTTP, an update from OLD_ZIP's files to the package at
// PACED_URL (served at a branch office's rate) and its manifest beside it:
//   - fetched and installed whole, as without a manifest;
//   - only the changed entries fetched and installed, with the manifest;
// side by side in one run, each round over a fresh installation of OLD_ZIP
// (made untimed). Prints min/median/max, the median of the per-round ratios
// and the bytes each way received. Then, from URL (not paced), the package
// into an empty folder cut at 60 % and fetched again by the next attempt:
// the bytes received in all against the package's size plus one piece
// (1 MiB). Run by bench/download/delta.sh.
#include <windows.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "Core/Interfaces/IHttpClient.h"
#include "Core/Interfaces/IPackageFetcher.h"
#include "Infrastructure/Files/ZipExtractor.h"
#include "Infrastructure/Logging/DebugLoggerService.h"
#include "Infrastructure/Platform/DefaultPorts.h"
#include "Infrastructure/Platform/FileStream.h"
#include "Infrastructure/Platform/FileSystem.h"
#include "Infrastructure/Translator/PortugueseTranslator.h"
#include "Infrastructure/Update/PackageFetcher.h"
#include "Infrastructure/Update/UpdateInstaller.h"
#include "common/RoundStats.h"
#include "common/WinClock.h"

namespace Platform = Infrastructure::Platform;
using namespace Core::Interfaces;
using Core::ValueObjects::TDownloadCheck;

namespace {

// The body bytes every answer brought, whatever the caller kept of them.
class TCountingClient final : public IHttpClient {
 public:
  explicit TCountingClient(std::shared_ptr<IHttpClient> AInner) : FInner(std::move(AInner)) {}
  THttpResult Get(const std::string& AUrl, IHttpSink& ASink, const THttpOptions& AOptions,
                  const TReceiveDataEvent& AOnReceiveData) override {
    TCounted counted(ASink, Bytes);
    ++Requests;
    return FInner->Get(AUrl, counted, AOptions, AOnReceiveData);
  }
  uint64_t Bytes = 0;
  size_t Requests = 0;

 private:
  struct TCounted final : IHttpSink {
    TCounted(IHttpSink& AInner, uint64_t& ABytes) : Inner(AInner), Bytes(ABytes) {}
    void Begin(const THttpResult& AAnswer) override { Inner.Begin(AAnswer); }
    void Write(const void* AData, size_t ASize) override {
      Bytes += ASize;
      Inner.Write(AData, ASize);
    }
    IHttpSink& Inner;
    uint64_t& Bytes;
  };
  std::shared_ptr<IHttpClient> FInner;
};

struct TBench {
  std::shared_ptr<TCountingClient> Client =
      std::make_shared<TCountingClient>(Platform::DefaultHttpClient());
  std::shared_ptr<Infrastructure::Translator::TPortugueseTranslator> Translator =
      std::make_shared<Infrastructure::Translator::TPortugueseTranslator>();
  Infrastructure::Update::TPackageFetcher Fetcher{Client,
                                                  std::make_shared<Infrastructure::Logging::TDebugLoggerService>()};
  Infrastructure::Update::TUpdateInstaller Installer{Translator};

  // Fetches AUrl into AFolder and installs it there; false (and says why) on a failure.
  bool Update(const std::string& AUrl, const TDownloadCheck& ACheck, const TDownloadCheck& AManifest,
              const std::string& AFolder) {
    TPackageFetchRequest request;
    request.Url = AUrl;
    request.Check = ACheck;
    request.ManifestCheck = AManifest;
    request.Folder = AFolder;
    const TFetchedPackage fetched = Fetcher.Fetch(request);
    if (fetched.Verdict != Core::ValueObjects::TDownloadVerdict::Ok) {
      std::fprintf(stderr, "delta_bench: the package was not fetched from %s\n", AUrl.c_str());
      return false;
    }
    TInstallRequest install;
    install.PackagePath = fetched.Path;
    install.Destination = AFolder;
    install.ChangedOnly = fetched.ChangedOnly;
    install.Manifest = fetched.Manifest;
    install.Entries = fetched.Entries;
    try {
      Installer.Install(install);
    } catch (const std::exception& e) {
      std::fprintf(stderr, "delta_bench: the install failed: %s\n", e.what());
      Fetcher.Discard(fetched);
      return false;
    }
    Fetcher.Discard(fetched);
    return true;
  }
};

}  // namespace

int main(int argc, char** argv) {
  if (argc < 9) {
    std::fprintf(stderr,
                 "usage: delta_bench PACED_URL URL PACKAGE_SHA256 PACKAGE_SIZE MANIFEST_SHA256 MANIFEST_SIZE "
                 "FOLDER OLD_ZIP [ROUNDS]\n");
    return 2;
  }
  const std::string pacedUrl = argv[1], url = argv[2];
  TDownloadCheck check{argv[3], std::atoll(argv[4])};
  TDownloadCheck manifest{argv[5], std::atoll(argv[6])};
  const std::string folder = argv[7], oldZip = argv[8];
  const int rounds = Bench::RoundsFrom(argc > 9 ? argv[9] : nullptr, 9);
  const std::string target = Platform::JoinPath(folder, "instalado");
  TBench bench;

  enum { kWhole, kChanged };
  Bench::TRounds ways({"whole package fetched and installed", "changed entries fetched and installed"});
  uint64_t bytes[2] = {0, 0};
  size_t requests[2] = {0, 0};
  for (int round = 0; round < rounds; ++round) {
    for (size_t position = 0; position < ways.Count(); ++position) {
      const size_t way = ways.Order(round, position);
      Platform::RemoveDirectoryTree(target);
      if (!Infrastructure::Files::ExtractZipArchive(oldZip, target)) {
        std::fprintf(stderr, "delta_bench: %s was not extracted\n", oldZip.c_str());
        return 1;
      }
      const uint64_t bytesBefore = bench.Client->Bytes;
      const size_t requestsBefore = bench.Client->Requests;
      const double start = Bench::Now();
      if (!bench.Update(pacedUrl, check, way == kChanged ? manifest : TDownloadCheck{}, target)) return 1;
      ways.Add(way, Bench::Now() - start);
      bytes[way] = bench.Client->Bytes - bytesBefore;
      requests[way] = bench.Client->Requests - requestsBefore;
    }
  }
  Platform::RemoveDirectoryTree(target);
  std::printf("An update at a paced rate, %d rounds (load %s):\n", rounds, Bench::MachineLoad().c_str());
  ways.Print("s");
  std::printf("  received: whole %llu bytes in %zu request(s); changed only %llu bytes in %zu request(s)\n",
              static_cast<unsigned long long>(bytes[kWhole]), requests[kWhole],
              static_cast<unsigned long long>(bytes[kChanged]), requests[kChanged]);
  std::printf("  time, changed only / whole (median of the rounds' ratios): %.3f  (target <= 0.2)\n",
              ways.RatioMedian(kChanged, kWhole));

  // A whole download cut at 60 % (the attempt abandoned, as a closed laptop
  // would), then the next attempt.
  const std::string empty = Platform::JoinPath(folder, "vazio");
  Platform::RemoveDirectoryTree(empty);
  Platform::CreateDirectories(empty);
  const uint64_t bytesBefore = bench.Client->Bytes;
  std::atomic<bool> cut{false};
  TPackageFetchRequest request;
  request.Url = url;
  request.Check = check;
  request.ManifestCheck = manifest;
  request.Folder = empty;
  request.OnProgress = [&](int64_t AReceived, int64_t ATotal) {
    if (ATotal > 0 && AReceived * 10 >= ATotal * 6) cut = true;
  };
  request.IsCancelled = [&] { return cut.load(); };
  const TFetchedPackage first = bench.Fetcher.Fetch(request);
  const uint64_t firstBytes = bench.Client->Bytes - bytesBefore;
  request.OnProgress = {};
  request.IsCancelled = {};
  const TFetchedPackage second = bench.Fetcher.Fetch(request);
  const uint64_t total = bench.Client->Bytes - bytesBefore;
  const bool whole = second.Verdict == Core::ValueObjects::TDownloadVerdict::Ok &&
                     Platform::TFileReader(second.Path).Size() == static_cast<uint64_t>(check.Size);
  bench.Fetcher.Discard(second);
  Platform::RemoveDirectoryTree(empty);
  std::printf("A download cut at 60 %% and fetched again (manifest included):\n");
  std::printf("  received %llu bytes, then %llu: %llu in all for a package of %lld (%s)\n",
              static_cast<unsigned long long>(firstBytes), static_cast<unsigned long long>(total - firstBytes),
              static_cast<unsigned long long>(total), static_cast<long long>(check.Size),
              first.Cancelled && whole ? "cut, then whole and checked" : "NOT as expected");
  std::printf("  in all / (package + 1 MiB): %.3f  (target <= 1.0)\n",
              static_cast<double>(total) / static_cast<double>(static_cast<uint64_t>(check.Size) + (1u << 20)));
  return first.Cancelled && whole ? 0 : 1;
}
