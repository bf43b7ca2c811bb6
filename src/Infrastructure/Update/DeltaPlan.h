#pragma once
// Which records of a package an update fetches: every file entry whose
// installed file already is that entry (same size, CRC-32 and SHA-256 of the
// contents) is skipped, the records of the others are fetched as byte ranges
// of the package. Small gaps between them are fetched too, so requests stay
// few; when the ranges would come close to the package itself, the whole
// package is fetched instead.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "Infrastructure/Update/PackageManifest.h"

namespace Infrastructure::Update {

struct TByteRange {
  uint64_t Offset = 0;
  uint64_t Length = 0;
  bool operator==(const TByteRange&) const = default;
};

struct TDeltaLimits {
  // A gap up to this size between two records is fetched rather than skipped.
  // One more request costs its headers both ways (about 1 KB) and a round
  // trip; a few KB are fetched in less than that on any link an update runs
  // over. Larger, the gaps cost more than the changes themselves: with 1 % of
  // 5,000 small files changed, a 64 KB gap would fetch three times the
  // changed records.
  uint64_t MergeGap = 4 * 1024;
  // More requests than this: the smallest gaps are fetched too until they
  // fit. Each request costs a round trip (100 ms on a slow link); 64 of them
  // stay a few seconds, below what fetching the package whole would take on
  // the same link whenever the plan skips most of it.
  size_t MaxRequests = 64;
  // Ranges above this share of the package (percent) fetch the package whole:
  // beyond half, the bytes saved no longer pay for the requests and for
  // checking each record on its own, and one transfer checks every piece.
  unsigned WholeSharePercent = 50;
};

struct TDeltaPlan {
  bool WholePackage = false;
  // What to fetch, in ascending order, none touching another; when
  // WholePackage, the whole package as one range (none for an empty one).
  std::vector<TByteRange> Ranges;
  // The file entries that differ from the installation (manifest indexes,
  // ascending): what a fetch of Ranges stages. Empty: nothing to update.
  // When the names could not be judged, every file entry.
  std::vector<size_t> Entries;
  uint64_t FetchBytes = 0;  // the sum of Ranges
  uint64_t PackageSize = 0;
};

// Plans the update of the installation in AFolder to the package AManifest
// describes (verified by its caller). Each file entry's name maps to a path
// as staging maps it; when several entries map to one name as the system
// compares names, the last one counts, as it would when staged. The installed
// file is compared by size first, then by one read computing CRC-32 and
// SHA-256; a file missing, unreadable or reached through a link counts as
// changed (a link is never read through). Folder entries are not judged:
// staging brings every folder the package names anyway. A name that is not a
// plain ASCII one (whose reading only the central directory settles) fetches
// the package whole. Throws Files::EZipError for a name staging would refuse:
// the package would be refused anyway.
TDeltaPlan PlanDelta(const TPackageManifest& AManifest, const std::string& AFolder, const TDeltaLimits& ALimits = {});

// True when the file ARelative below AFolder holds what AEntry holds (size,
// CRC-32, SHA-256), read without following a link. Never throws: an
// unreadable file is not the entry.
bool InstalledFileIs(const TManifestEntry& AEntry, const std::string& AFolder, const std::string& ARelative);

// Merges sorted, non-overlapping ranges whose gap is at most AGap, then the
// smallest remaining gaps until at most AMaxRanges are left.
std::vector<TByteRange> MergeRanges(std::vector<TByteRange> ARanges, uint64_t AGap, size_t AMaxRanges);

}  // namespace Infrastructure::Update
