#pragma once
// A small ZIP writer for tests: builds archives in memory, sound or damaged on
// purpose (wrong CRC or sizes, headers that disagree, unknown methods, a
// prefix, data descriptors, ZIP64 records).
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace TestSupport {

struct TZipBuilderEntry {
  std::string Name;                 // stored as is: UTF-8 needs the 0x0800 flag, else readers take CP437
  std::string Data;                 // the contents; empty for a folder
  uint16_t Method = 8;              // 0 stored, 8 deflated; any other number stores Data unchanged
  uint16_t Flags = 0;               // general-purpose flags; bit 3 comes with DataDescriptor
  bool DataDescriptor = false;      // CRC and sizes after the data, zeros in the local header
  bool DescriptorSignature = true;  // the descriptor's optional leading signature
  bool Zip64 = false;               // sizes and offset in ZIP64 extra fields
  std::string Extra;                // extra field bytes, in both headers
  uint32_t ExternalAttributes = 0;  // 0x10 marks a folder for DOS
  uint8_t Host = 0;                 // system that made the entry: 0 DOS, 3 Unix, 10 NTFS, 19 macOS

  // Damage: values written in place of the true ones.
  std::optional<uint32_t> Crc32;             // both headers and the descriptor
  std::optional<uint64_t> CompressedSize;    // both headers and the descriptor
  std::optional<uint64_t> UncompressedSize;  // both headers and the descriptor
  std::optional<uint64_t> LocalCompressedSize;
  std::optional<uint64_t> LocalUncompressedSize;
  std::optional<uint32_t> LocalCrc32;
  std::optional<std::string> LocalName;
  std::optional<uint16_t> LocalMethod;
  std::optional<std::string> StoredBytes;     // written instead of the compressed Data
  std::optional<uint64_t> LocalHeaderOffset;  // where the central directory says the entry starts
};

class TZipBuilder {
 public:
  TZipBuilder& Add(TZipBuilderEntry AEntry);
  TZipBuilder& File(std::string AName, std::string AData, uint16_t AMethod = 8);
  TZipBuilder& Folder(std::string AName);
  // Bytes before the archive, as a self-extractor's program. With AAdjustOffsets
  // the offsets count them (as "zip -A" leaves them); without, they are
  // relative to the archive proper (the plain concatenation).
  TZipBuilder& Prefix(std::string ABytes, bool AAdjustOffsets = false);
  TZipBuilder& Comment(std::string AComment);
  // ZIP64 end records even when no entry needs them.
  TZipBuilder& Zip64End(bool AEnabled = true);
  // Marks the archive as one volume of several.
  TZipBuilder& DiskNumber(uint16_t ADisk);
  // zlib level for deflated entries.
  TZipBuilder& Level(int ALevel);

  const std::vector<TZipBuilderEntry>& Entries() const { return FEntries; }
  std::string Build() const;
  // Builds into a file, creating no folders.
  void WriteTo(const std::string& APath) const;

 private:
  std::vector<TZipBuilderEntry> FEntries;
  std::string FPrefix;
  bool FAdjustOffsets = false;
  std::string FComment;
  bool FZip64End = false;
  uint16_t FDisk = 0;
  int FLevel = -1;
};

// Raw deflate (no zlib header), as ZIP stores it.
std::string Deflate(std::string_view AData, int ALevel = -1);
uint32_t Crc32(std::string_view AData);

}  // namespace TestSupport
