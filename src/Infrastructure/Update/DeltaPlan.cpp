#include "Infrastructure/Update/DeltaPlan.h"

#include <zlib.h>

#include <algorithm>
#include <exception>
#include <optional>
#include <unordered_set>

#include "Infrastructure/Files/PackageSwap.h"
#include "Infrastructure/Files/ZipExtractor.h"
#include "Infrastructure/Files/ZipReader.h"
#include "Infrastructure/Platform/FileStream.h"
#include "Infrastructure/Platform/FileSystem.h"

namespace Infrastructure::Update {

namespace Files = Infrastructure::Files;
namespace Platform = Infrastructure::Platform;

namespace {

bool IsFolderName(const std::string& AName) {
  return !AName.empty() && (AName.back() == '/' || AName.back() == '\\');
}

// ARanges (ascending, apart) with every gap up to AGap fetched too.
std::vector<TByteRange> MergeGaps(const std::vector<TByteRange>& ARanges, uint64_t AGap) {
  std::vector<TByteRange> merged;
  for (const TByteRange& range : ARanges) {
    if (!merged.empty() && range.Offset - (merged.back().Offset + merged.back().Length) <= AGap)
      merged.back().Length = range.Offset + range.Length - merged.back().Offset;
    else
      merged.push_back(range);
  }
  return merged;
}

}  // namespace

bool InstalledFileIs(const TManifestEntry& AEntry, const std::string& AFolder, const std::string& ARelative) {
  try {
    if (!Files::IsPlainBelow(AFolder, ARelative)) return false;
    const std::string path = Platform::JoinPath(AFolder, ARelative);
    const Platform::TPathState state = Platform::QueryPath(path);
    if (state != Platform::TPathState::File && state != Platform::TPathState::ReadOnlyFile) return false;
    Platform::TFileReader file(path);
    if (file.Size() != AEntry.UncompressedSize) return false;
    // One read feeds both sums: the CRC-32 alone would let a crafted or
    // unlucky file pass, the SHA-256 alone would drop what the ZIP itself states.
    std::vector<unsigned char> buffer(64 * 1024);
    Platform::TSha256 sha;
    uLong crc = crc32(0, Z_NULL, 0);
    uint64_t size = 0;
    for (size_t read; (read = file.Read(buffer.data(), buffer.size())) != 0; size += read) {
      crc = crc32(crc, buffer.data(), static_cast<uInt>(read));
      sha.Update(buffer.data(), read);
    }
    return size == AEntry.UncompressedSize && static_cast<uint32_t>(crc) == AEntry.Crc32 &&
           sha.Finish() == AEntry.ContentSha256;
  } catch (const std::exception&) {
    return false;
  }
}

std::vector<TByteRange> MergeRanges(std::vector<TByteRange> ARanges, uint64_t AGap, size_t AMaxRanges) {
  AMaxRanges = std::max<size_t>(AMaxRanges, 1);
  std::vector<TByteRange> merged = MergeGaps(ARanges, AGap);
  if (merged.size() <= AMaxRanges) return merged;
  // The smallest gap size that leaves few enough ranges: the smallest gaps go
  // first, adding the fewest bytes for the requests saved (gaps of one size
  // alike). Fetching everything from the first range to the last leaves one.
  uint64_t low = AGap + 1, high = merged.back().Offset + merged.back().Length - merged.front().Offset;
  while (low < high) {
    const uint64_t middle = low + (high - low) / 2;
    if (MergeGaps(merged, middle).size() <= AMaxRanges)
      high = middle;
    else
      low = middle + 1;
  }
  return MergeGaps(merged, low);
}

TDeltaPlan PlanDelta(const TPackageManifest& AManifest, const std::string& AFolder, const TDeltaLimits& ALimits) {
  TDeltaPlan plan;
  plan.PackageSize = AManifest.PackageSize;
  // The entry that counts for each installed name: the last one, as staging keeps it.
  std::vector<std::string> paths(AManifest.Entries.size());
  std::vector<size_t> files;
  bool judged = true;
  for (size_t i = 0; i < AManifest.Entries.size(); ++i) {
    const std::string& name = AManifest.Entries[i].Name;
    std::optional<std::string> path = Files::SafeRelativePath(name);
    if (!path) throw Files::EZipError("Nome de entrada inválido no pacote: " + name);
    if (IsFolderName(name)) continue;
    judged = judged && Files::NameReadsAlike(name);
    paths[i] = std::move(*path);
  }
  std::unordered_set<std::string> seen;
  for (size_t i = AManifest.Entries.size(); i-- > 0;)
    if (!paths[i].empty() && seen.insert(Files::NameKey(paths[i])).second) files.insert(files.begin(), i);

  const auto whole = [&] {
    plan.WholePackage = true;
    plan.Ranges.clear();
    if (AManifest.PackageSize > 0) plan.Ranges.push_back({0, AManifest.PackageSize});
    plan.FetchBytes = AManifest.PackageSize;
    return plan;
  };
  if (!judged) {
    plan.Entries = files;
    return whole();
  }
  for (const size_t i : files)
    if (!InstalledFileIs(AManifest.Entries[i], AFolder, paths[i])) plan.Entries.push_back(i);

  std::vector<TByteRange> records;
  for (const size_t i : plan.Entries)
    records.push_back({AManifest.Entries[i].RecordOffset, AManifest.Entries[i].RecordLength});
  plan.Ranges = MergeRanges(std::move(records), ALimits.MergeGap, ALimits.MaxRequests);
  for (const TByteRange& range : plan.Ranges) plan.FetchBytes += range.Length;
  if (static_cast<double>(plan.FetchBytes) * 100 >
      static_cast<double>(AManifest.PackageSize) * ALimits.WholeSharePercent)
    return whole();
  return plan;
}

}  // namespace Infrastructure::Update
