// zip_bench ARCHIVE DESTINATION: one extraction, exit status 0 on success.
// bench/zip/run.sh times it next to Info-ZIP unzip.
//
// zip_bench --durability ARCHIVE FOLDER [ROUNDS]: what keeping an update
// through a power cut costs, side by side in turning order: staging alone
// (extraction into the staging folder, each file checked), staging with every
// staged file flushed to the disk (the way not taken), and the next start's
// check of the swapped-in files against the journal's sums (the way taken:
// staging itself stays as it was). Prints min/median/max and the median of
// the per-round ratios to staging alone.
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>

#include "Infrastructure/Files/PackageSwap.h"
#include "Infrastructure/Files/ZipExtractor.h"
#include "Infrastructure/Platform/FileStream.h"
#include "Infrastructure/Platform/FileSystem.h"
#include "common/RoundStats.h"

namespace {

namespace Files = Infrastructure::Files;
namespace Platform = Infrastructure::Platform;

double Now() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

int Durability(const std::string& AArchive, const std::string& AFolder, int ARounds) {
  enum { kStaging, kStagingFlushed, kNextStartCheck };
  Bench::TRounds ways({"staging alone", "staging, every file flushed", "next start's check of the new files"});
  const std::string destination = Platform::JoinPath(AFolder, "destino");
  Files::TZipReader reader(AArchive);
  const std::string loadBefore = Bench::MachineLoad();
  for (int round = 0; round < ARounds; ++round) {
    for (size_t position = 0; position < ways.Count(); ++position) {
      const size_t way = ways.Order(round, position);
      Platform::RemoveDirectoryTree(destination);
      Platform::CreateDirectories(destination);
      ::sync();  // every way starts with nothing of the last one waiting to be written
      double start = Now();
      Files::TStagedPackage package = Files::StageZipArchive(reader, destination);
      if (way == kStagingFlushed)
        for (const std::string& file : package.Files)
          Platform::TFileWriter(Platform::JoinPath(package.Folder, file), Platform::TCreateMode::Append).Flush();
      if (way == kNextStartCheck) {
        Files::SwapIn(package, destination);
        start = Now();
        Files::RecoverSwap(destination);
        if (Platform::FileExists(Platform::JoinPath(destination, std::string(Files::kJournalName)))) {
          std::fprintf(stderr, "zip_bench: the check refused the new files\n");
          return 1;
        }
      }
      ways.Add(way, Now() - start);
    }
  }
  Platform::RemoveDirectoryTree(destination);
  std::printf("%s: %zu entries, %d rounds in turning order; load before %s, after %s\n", AArchive.c_str(),
              reader.Entries().size(), ARounds, loadBefore.c_str(), Bench::MachineLoad().c_str());
  ways.Print("seconds");
  std::printf("median per-round ratio to staging alone: flushed staging %.2f; next start's check %.2f\n",
              ways.RatioMedian(kStagingFlushed, kStaging), ways.RatioMedian(kNextStartCheck, kStaging));
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 4 && std::strcmp(argv[1], "--durability") == 0)
    return Durability(argv[2], argv[3], Bench::RoundsFrom(argc > 4 ? argv[4] : nullptr, Bench::kMinRounds));
  if (argc != 3) {
    std::fprintf(stderr, "usage: zip_bench ARCHIVE DESTINATION | zip_bench --durability ARCHIVE FOLDER [ROUNDS]\n");
    return 2;
  }
  if (Infrastructure::Files::ExtractZipArchive(argv[1], argv[2])) return 0;
  std::fprintf(stderr, "zip_bench: extraction failed\n");
  return 1;
}
