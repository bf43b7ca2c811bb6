#pragma once
// A ZIP archive read through its central directory. Entry contents stream
// through fixed buffers into a sink, checked against their declared size and
// CRC-32 on the way, so no entry is ever held whole in memory.
//
// Read: stored and deflated entries, data descriptors, ZIP64, an archive
// comment, and data prepended to the archive (self-extractors: every offset is
// shifted by the prefix). Refused with EZipError: multi-disk archives and
// anything that does not add up. Encryption and other methods are reported by
// CanRead() and refused by ReadEntry().
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "Core/Errors.h"
#include "Infrastructure/Platform/FileStream.h"

namespace Infrastructure::Files {

// An archive that is not a ZIP, is corrupt, or uses what this reader does not support.
class EZipError : public Core::EQuorvaneError {
 public:
  using EQuorvaneError::EQuorvaneError;
};

struct TZipEntry {
  std::string RawName;  // the bytes stored in the central directory
  std::string Name;     // UTF-8: CP437 decoded unless the entry says UTF-8 or comes from Unix
  uint16_t Flags = 0;
  uint16_t Method = 0;
  uint32_t Crc32 = 0;
  uint64_t CompressedSize = 0;
  uint64_t UncompressedSize = 0;
  uint64_t LocalHeaderOffset = 0;  // in the file, prefix included
  uint64_t DataLimit = 0;          // where the next record starts: the entry's data must end before

  // A folder entry's name ends with a separator ("/", or "\" from some Windows tools).
  bool IsFolder() const { return !RawName.empty() && (RawName.back() == '/' || RawName.back() == '\\'); }
  bool IsEncrypted() const { return (Flags & 0x0001) != 0; }
  bool HasDataDescriptor() const { return (Flags & 0x0008) != 0; }
};

class TZipReader {
 public:
  static constexpr uint16_t kStored = 0;
  static constexpr uint16_t kDeflated = 8;

  // Opens the archive and reads its central directory. Throws EZipError, or
  // Core::EFileSystemError when the file cannot be read.
  explicit TZipReader(const std::string& APath);

  // Opens an archive of which only some records hold valid bytes (a package
  // fetched by ranges): no central directory is read, Entries() stays empty
  // and entries come from RecordEntry. Throws Core::EFileSystemError.
  struct TRecordsOnly {};
  TZipReader(const std::string& APath, TRecordsOnly);

  const std::vector<TZipEntry>& Entries() const { return FEntries; }
  // Bytes before the archive proper (a self-extractor's program), 0 for a plain archive.
  uint64_t PrefixSize() const { return FPrefixSize; }

  // False for encrypted entries and methods other than stored and deflated.
  static bool CanRead(const TZipEntry& AEntry);

  // The entry held by the record [AOffset, AOffset + ALength), as far as the
  // record itself tells: local header, name, extra, data and, for an entry
  // written with one, the data descriptor that ends the record (with or
  // without its signature), which then gives CRC-32 and sizes. Name is the
  // stored name unchanged, so only names that read alike (below) are taken.
  // Throws EZipError when the record does not add up.
  TZipEntry RecordEntry(uint64_t AOffset, uint64_t ALength);

  // Streams the entry's contents into ASink. Throws EZipError when the entry is
  // unreadable or its bytes do not match its size or CRC-32; the sink may have
  // taken part of them by then, so a caller keeps them aside until this returns.
  void ReadEntry(const TZipEntry& AEntry, Platform::IByteSink& ASink);

 private:
  struct TEndRecord;
  TEndRecord ReadEndRecord(uint64_t AFileSize);
  // Throws EZipError when the record, or the directory it points at, does not add up.
  TEndRecord ParseEndRecord(uint64_t ARecordOffset, const unsigned char* ARecord);
  void ReadCentralDirectory(uint64_t AOffset, uint64_t ASize, uint64_t ACount);
  void CheckLayout(uint64_t ACentralDirectoryOffset);
  uint64_t LocateData(const TZipEntry& AEntry);
  void CopyStored(const TZipEntry& AEntry, uint64_t AOffset, Platform::IByteSink& ASink);
  void Inflate(const TZipEntry& AEntry, uint64_t AOffset, Platform::IByteSink& ASink);

  Platform::TFileReader FFile;
  std::vector<TZipEntry> FEntries;
  uint64_t FPrefixSize = 0;
  std::vector<unsigned char> FInput;
  std::vector<unsigned char> FOutput;
};

// True when the stored name reads the same whatever the entry's flags and
// maker say (plain ASCII): how other bytes read (UTF-8 or CP437) is decided by
// the central directory, which a record alone does not carry.
bool NameReadsAlike(std::string_view ARawName);

}  // namespace Infrastructure::Files
