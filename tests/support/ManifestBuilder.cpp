#include "support/ManifestBuilder.h"

#include <algorithm>
#include <exception>
#include <vector>

#include "Infrastructure/Files/ZipReader.h"
#include "Infrastructure/Platform/Crypto.h"
#include "Infrastructure/Platform/FileSystem.h"
#include "support/TempDir.h"

namespace TestSupport {

using Infrastructure::Platform::Sha256Of;

namespace {

class THashSink : public Infrastructure::Platform::IByteSink {
 public:
  void Write(const void* AData, size_t ASize) override { Hash.Update(AData, ASize); }
  Infrastructure::Platform::TSha256 Hash;
};

// Stored contents are the record's bytes as they stand, so a damaged CRC still gets a digest.
Infrastructure::Platform::TSha256Digest ContentDigest(Infrastructure::Files::TZipReader& AReader,
                                                      const Infrastructure::Files::TZipEntry& AEntry,
                                                      const std::string& APackage, uint64_t ADataOffset) {
  if (AEntry.Method == 0) return Sha256Of(std::string_view(APackage).substr(ADataOffset, AEntry.CompressedSize));
  THashSink sink;
  try {
    AReader.ReadEntry(AEntry, sink);
  } catch (const std::exception&) {
  }
  return sink.Hash.Finish();
}

}  // namespace

Infrastructure::Update::TPackageManifest ManifestOfZip(const std::string& AZipPath) {
  const std::string package = ReadFileBytes(AZipPath);
  Infrastructure::Files::TZipReader reader(AZipPath);
  std::vector<const Infrastructure::Files::TZipEntry*> entries;
  for (const auto& entry : reader.Entries()) entries.push_back(&entry);
  std::sort(entries.begin(), entries.end(),
            [](const auto* A, const auto* B) { return A->LocalHeaderOffset < B->LocalHeaderOffset; });
  Infrastructure::Update::TPackageManifest manifest;
  manifest.PackageSize = package.size();
  for (const auto* entry : entries) {
    Infrastructure::Update::TManifestEntry item;
    item.Name = entry->RawName;
    item.Method = entry->Method;
    item.Crc32 = entry->Crc32;
    item.UncompressedSize = entry->UncompressedSize;
    item.RecordOffset = entry->LocalHeaderOffset;
    item.RecordLength = entry->DataLimit - entry->LocalHeaderOffset;
    item.RecordSha256 = Sha256Of(std::string_view(package).substr(item.RecordOffset, item.RecordLength));
    const auto* header = reinterpret_cast<const unsigned char*>(package.data() + item.RecordOffset);
    const uint64_t data = item.RecordOffset + 30 + (header[26] | header[27] << 8) + (header[28] | header[29] << 8);
    item.ContentSha256 = ContentDigest(reader, *entry, package, data);
    manifest.Entries.push_back(item);
  }
  constexpr size_t kPiece = Infrastructure::Update::TPackageManifest::kPieceSize;
  for (size_t offset = 0; offset < package.size(); offset += kPiece)
    manifest.Pieces.push_back(Sha256Of(std::string_view(package).substr(offset, kPiece)));
  return manifest;
}

}  // namespace TestSupport

namespace TestSupport {

void WritePartialPackage(const std::string& AZipPath, const std::vector<Infrastructure::Update::TByteRange>& ARanges,
                         const std::string& AOutput) {
  const std::string package = ReadFileBytes(AZipPath);
  std::string partial(package.size(), '\0');
  for (const auto& range : ARanges) partial.replace(range.Offset, range.Length, package, range.Offset, range.Length);
  Infrastructure::Platform::WriteFileAtomically(AOutput, partial);
}

}  // namespace TestSupport

namespace TestSupport {

void PutLittle(std::string& AOut, uint64_t AValue, int ABytes) {
  for (int i = 0; i < ABytes; ++i) AOut += static_cast<char>((AValue >> (8 * i)) & 0xFF);
}

void PutVarint(std::string& AOut, uint64_t AValue) {
  for (; AValue >= 0x80; AValue >>= 7) AOut += static_cast<char>(AValue | 0x80);
  AOut += static_cast<char>(AValue);
}

void PutManifestEntry(std::string& AOut, const Infrastructure::Update::TManifestEntry& AEntry) {
  PutVarint(AOut, AEntry.Name.size());
  AOut += AEntry.Name;
  PutVarint(AOut, AEntry.Method);
  PutLittle(AOut, AEntry.Crc32, 4);
  PutVarint(AOut, AEntry.UncompressedSize);
  PutVarint(AOut, AEntry.RecordOffset);
  PutVarint(AOut, AEntry.RecordLength);
  AOut.append(AEntry.ContentSha256.begin(), AEntry.ContentSha256.end());
  AOut.append(AEntry.RecordSha256.begin(), AEntry.RecordSha256.end());
}

std::string EncodeManifest(const Infrastructure::Update::TPackageManifest& AManifest) {
  std::string out = "QLMF";
  PutLittle(out, 1, 4);
  PutLittle(out, AManifest.PackageSize, 8);
  PutLittle(out, Infrastructure::Update::TPackageManifest::kPieceSize, 4);
  PutLittle(out, AManifest.Pieces.size(), 4);
  PutLittle(out, AManifest.Entries.size(), 4);
  for (const auto& piece : AManifest.Pieces) out.append(piece.begin(), piece.end());
  for (const auto& entry : AManifest.Entries) PutManifestEntry(out, entry);
  return out;
}

}  // namespace TestSupport
