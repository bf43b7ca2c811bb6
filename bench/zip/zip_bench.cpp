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
//
// zip_bench --delta OLD NEW NEW_MANIFEST FOLDER [ROUNDS]: an update from OLD
// (installed into FOLDER) to NEW fetched in part: what the plan fetches next
// to the compressed size of the entries that really changed (both with the
// manifest, which any delta update fetches), the manifest's bytes per entry,
// and the time of planning plus staging the fetched records against staging
// NEW whole, side by side in turning order.
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <map>
#include <optional>
#include <vector>

#include "Infrastructure/Files/PackageSwap.h"
#include "Infrastructure/Files/PartialPackageStaging.h"
#include "Infrastructure/Files/ZipExtractor.h"
#include "Infrastructure/Platform/FileStream.h"
#include "Infrastructure/Platform/FileSystem.h"
#include "Infrastructure/Update/DeltaPlan.h"
#include "Infrastructure/Update/PackageManifest.h"
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

// What a fetch by ranges leaves: the package's bytes inside the ranges, zeros elsewhere.
void WritePartial(const std::string& APackage, const std::vector<Infrastructure::Update::TByteRange>& ARanges,
                  uint64_t ASize, const std::string& AOutput) {
  Platform::TFileReader package(APackage);
  Platform::TFileWriter out(AOutput);
  std::vector<char> buffer(1 << 20);
  uint64_t at = 0;
  const auto zeros = [&](uint64_t AUntil) {
    std::fill(buffer.begin(), buffer.end(), 0);
    for (; at < AUntil; at += std::min<uint64_t>(AUntil - at, buffer.size()))
      out.Write(buffer.data(), static_cast<size_t>(std::min<uint64_t>(AUntil - at, buffer.size())));
  };
  for (const auto& range : ARanges) {
    zeros(range.Offset);
    for (uint64_t left = range.Length; left > 0;) {
      const size_t chunk = static_cast<size_t>(std::min<uint64_t>(left, buffer.size()));
      package.ReadAt(at, buffer.data(), chunk);
      out.Write(buffer.data(), chunk);
      at += chunk;
      left -= chunk;
    }
  }
  zeros(ASize);
  out.Close();
}

int Delta(const std::string& AOld, const std::string& ANew, const std::string& AManifest, const std::string& AFolder,
          int ARounds) {
  namespace Update = Infrastructure::Update;
  const std::string manifestBytes = Platform::ReadFileBytes(AManifest);
  std::string error;
  const std::optional<Update::TPackageManifest> manifest = Update::ParsePackageManifest(manifestBytes, &error);
  if (!manifest) {
    std::fprintf(stderr, "zip_bench: %s\n", error.c_str());
    return 1;
  }
  const std::string installed = Platform::JoinPath(AFolder, "instalado");
  Platform::RemoveDirectoryTree(installed);
  if (!Files::ExtractZipArchive(AOld, installed)) {
    std::fprintf(stderr, "zip_bench: cannot install %s\n", AOld.c_str());
    return 1;
  }
  // The entries that really changed, told by the archives themselves: name, size and CRC-32.
  Files::TZipReader oldZip(AOld), newZip(ANew);
  std::map<std::string, std::pair<uint64_t, uint32_t>> before;
  for (const Files::TZipEntry& entry : oldZip.Entries()) before[entry.Name] = {entry.UncompressedSize, entry.Crc32};
  uint64_t changedCompressed = 0;
  size_t changed = 0;
  for (const Files::TZipEntry& entry : newZip.Entries()) {
    const auto found = before.find(entry.Name);
    if (entry.IsFolder() ||
        (found != before.end() && found->second == std::make_pair(entry.UncompressedSize, entry.Crc32)))
      continue;
    changedCompressed += entry.CompressedSize;
    ++changed;
  }

  const Update::TDeltaPlan plan = Update::PlanDelta(*manifest, installed);
  const std::string partial = Platform::JoinPath(AFolder, "parcial.part");
  WritePartial(ANew, plan.Ranges, manifest->PackageSize, partial);

  enum { kDelta, kWhole };
  Bench::TRounds ways({"plan + staging of the fetched records", "staging of the whole package"});
  const std::string loadBefore = Bench::MachineLoad();
  for (int round = 0; round < ARounds; ++round) {
    for (size_t position = 0; position < ways.Count(); ++position) {
      const size_t way = ways.Order(round, position);
      ::sync();
      const double start = Now();
      Files::TStagedPackage package;
      if (way == kDelta) {
        const Update::TDeltaPlan again = Update::PlanDelta(*manifest, installed);
        package = Files::StagePartialPackage(partial, *manifest, again.Entries, installed);
      } else {
        Files::TZipReader reader(ANew);
        package = Files::StageZipArchive(reader, installed);
      }
      ways.Add(way, Now() - start);
      Files::DiscardStaging(package.Folder);
    }
  }
  Platform::RemoveDirectoryTree(installed);

  const double manifestSize = static_cast<double>(manifestBytes.size());
  std::printf("%s -> %s: %zu entries, %zu changed; %d rounds in turning order; load before %s, after %s\n",
              AOld.c_str(), ANew.c_str(), manifest->Entries.size(), changed, ARounds, loadBefore.c_str(),
              Bench::MachineLoad().c_str());
  std::printf("  plan: %zu entries to stage, %zu ranges, %s\n", plan.Entries.size(), plan.Ranges.size(),
              plan.WholePackage ? "WHOLE PACKAGE" : "by ranges");
  std::printf("  %-44s %10s %10s\n", "bytes", "plan", "changed");
  std::printf("  %-44s %10llu %10llu   ratio %.3f\n", "records fetched / compressed changed entries",
              static_cast<unsigned long long>(plan.FetchBytes), static_cast<unsigned long long>(changedCompressed),
              static_cast<double>(plan.FetchBytes) / static_cast<double>(changedCompressed));
  std::printf("  %-44s %10.0f %10.0f   ratio %.3f (target <= 1.10)\n", "with the manifest on both sides",
              plan.FetchBytes + manifestSize, changedCompressed + manifestSize,
              (plan.FetchBytes + manifestSize) / (changedCompressed + manifestSize));
  std::printf("  package %llu bytes; manifest %zu bytes, %.1f bytes an entry (target <= 120)\n",
              static_cast<unsigned long long>(manifest->PackageSize), manifestBytes.size(),
              manifestSize / manifest->Entries.size());
  ways.Print("seconds");
  std::printf("median per-round ratio, plan + partial staging / whole staging: %.2f\n",
              ways.RatioMedian(kDelta, kWhole));
  return plan.Entries.size() == changed && !plan.WholePackage ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 4 && std::strcmp(argv[1], "--durability") == 0)
    return Durability(argv[2], argv[3], Bench::RoundsFrom(argc > 4 ? argv[4] : nullptr, Bench::kMinRounds));
  if (argc >= 6 && std::strcmp(argv[1], "--delta") == 0)
    return Delta(argv[2], argv[3], argv[4], argv[5],
                 Bench::RoundsFrom(argc > 6 ? argv[6] : nullptr, Bench::kMinRounds));
  if (argc != 3) {
    std::fprintf(stderr,
                 "usage: zip_bench ARCHIVE DESTINATION | zip_bench --durability ARCHIVE FOLDER [ROUNDS] |\n"
                 "       zip_bench --delta OLD NEW NEW_MANIFEST FOLDER [ROUNDS]\n");
    return 2;
  }
  if (Infrastructure::Files::ExtractZipArchive(argv[1], argv[2])) return 0;
  std::fprintf(stderr, "zip_bench: extraction failed\n");
  return 1;
}
