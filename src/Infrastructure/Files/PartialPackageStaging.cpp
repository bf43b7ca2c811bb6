#include "Infrastructure/Files/PartialPackageStaging.h"

#include <algorithm>

#include "Infrastructure/Platform/Crypto.h"
#include "Infrastructure/Platform/FileStream.h"

namespace Infrastructure::Files {

namespace {

[[noreturn]] void Mismatch(const std::string& AName, const char* AWhat) {
  throw EZipError("Registro de \"" + AName + "\" no pacote baixado não confere com o manifesto: " + AWhat + ".");
}

Platform::TSha256Digest HashRecord(Platform::TFileReader& AFile, const Update::TManifestEntry& AEntry,
                                   std::vector<unsigned char>& ABuffer) {
  Platform::TSha256 hash;
  uint64_t offset = AEntry.RecordOffset;
  for (uint64_t left = AEntry.RecordLength; left > 0;) {
    const size_t chunk = static_cast<size_t>(std::min<uint64_t>(left, ABuffer.size()));
    if (AFile.ReadAt(offset, ABuffer.data(), chunk) != chunk) Mismatch(AEntry.Name, "o arquivo termina antes");
    hash.Update(ABuffer.data(), chunk);
    offset += chunk;
    left -= chunk;
  }
  return hash.Finish();
}

}  // namespace

TStagedPackage StagePartialPackage(const std::string& APartialPackage, const Update::TPackageManifest& AManifest,
                                   const std::vector<size_t>& AEntries, const std::string& ADestination,
                                   const TStageCallbacks& ACallbacks) {
  std::vector<unsigned char> wanted(AManifest.Entries.size(), 0);
  for (const size_t index : AEntries) {
    if (index >= AManifest.Entries.size()) throw EZipError("Entrada fora do manifesto do pacote.");
    wanted[index] = 1;
  }
  TZipReader reader(APartialPackage, TZipReader::TRecordsOnly{});
  Platform::TFileReader file(APartialPackage);
  std::vector<unsigned char> buffer(256 * 1024);
  std::vector<TZipEntry> entries;
  entries.reserve(AManifest.Entries.size());  // addresses stay put as it grows
  std::vector<TStageEntry> plan;
  // In the package's order, as a whole staging goes: folders, then the chosen files.
  for (size_t i = 0; i < AManifest.Entries.size(); ++i) {
    const Update::TManifestEntry& expected = AManifest.Entries[i];
    TZipEntry& entry = entries.emplace_back();
    entry.RawName = entry.Name = expected.Name;
    if (!entry.IsFolder()) {
      if (!wanted[i]) {
        entries.pop_back();
        continue;
      }
      // The signed manifest vouches for these bytes; nothing of the record is read before they check out.
      if (HashRecord(file, expected, buffer) != expected.RecordSha256) Mismatch(expected.Name, "SHA-256");
      entry = reader.RecordEntry(expected.RecordOffset, expected.RecordLength);
      if (entry.RawName != expected.Name) Mismatch(expected.Name, "outro nome no cabeçalho local");
      if (entry.Method != expected.Method || entry.Crc32 != expected.Crc32 ||
          entry.UncompressedSize != expected.UncompressedSize)
        Mismatch(expected.Name, "método, tamanho ou CRC-32");
    }
    plan.push_back({&entry, JudgeEntry(entry)});
  }
  return StageZipEntries(reader, plan, ADestination, ACallbacks);
}

}  // namespace Infrastructure::Files
