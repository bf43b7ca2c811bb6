#pragma once
// The manifest of a ZIP package: what each entry's record is and holds, and
// the digest of every piece of the package, so that a later update can fetch
// only the records that changed (HTTP ranges), resume a cut download and
// check each piece on its own. It is published beside the package at the
// package's address followed by ".manifest" (scripts/package-manifest.py
// writes it); the release document carries its SHA-256 and size, so the
// document's one signature vouches for it.
//
// Layout, little-endian; "varint" is an unsigned LEB128 in its shortest form:
//
//   "QLMF"   u32 version (1)   u64 package size   u32 piece size (1 MiB)
//   u32 piece count (package size / piece size, rounded up)   u32 entry count
//   piece count x 32 bytes: SHA-256 of each piece of the package (the last shorter)
//   entry count x, in the order of their records in the package:
//     varint name length, name (the central directory's bytes)
//     varint compression method   u32 CRC-32   varint uncompressed size
//     varint record offset   varint record length (local header, name, extra,
//                                                  compressed data, data descriptor)
//     32 bytes SHA-256 of the uncompressed contents
//     32 bytes SHA-256 of the record's bytes
//
// Raw 32-byte digests and varints keep an entry named like
// "Dados/Sub/arquivo_00123.dat" near 105 bytes.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "Infrastructure/Platform/Crypto.h"

namespace Infrastructure::Update {

constexpr std::string_view kManifestSuffix = ".manifest";

struct TManifestEntry {
  std::string Name;  // as stored in the central directory
  uint16_t Method = 0;
  uint32_t Crc32 = 0;
  uint64_t UncompressedSize = 0;
  uint64_t RecordOffset = 0;
  uint64_t RecordLength = 0;
  Platform::TSha256Digest ContentSha256{};
  Platform::TSha256Digest RecordSha256{};
};

struct TPackageManifest {
  static constexpr uint32_t kPieceSize = 1 << 20;
  uint64_t PackageSize = 0;
  std::vector<Platform::TSha256Digest> Pieces;
  std::vector<TManifestEntry> Entries;  // records in ascending order, none overlapping
};

// Nothing, with AError (when given) saying why, for bytes that are not a
// whole, consistent manifest: another magic or version, counts the bytes
// cannot hold or that disagree with the package size, a name that is not a
// safe relative path, a method other than stored or deflated, records out of
// order, overlapping or past the package's end, bytes left over. Never throws
// on any input.
std::optional<TPackageManifest> ParsePackageManifest(std::string_view ABytes, std::string* AError = nullptr);

// The first way the ZIP file at APath differs from AManifest (its size, its
// entries' records, methods, sizes and CRC-32 against the central directory,
// and every digest), or nothing when it is the package the manifest describes.
// Never throws: an unreadable file is a difference.
std::optional<std::string> FindPackageMismatch(const TPackageManifest& AManifest, const std::string& APath);

}  // namespace Infrastructure::Update
