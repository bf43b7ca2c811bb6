#pragma once
// The manifest of a ZIP file, built in C++ from the launcher's own reader, for
// tests that cannot run the publisher's script (under Wine) or need the
// manifest of a damaged archive. Records must follow one another without gaps
// (as TZipBuilder writes them); an entry whose contents do not read back (a
// damaged CRC) gets the digest of what it yields anyway.
#include <string>
#include <vector>

#include "Infrastructure/Update/DeltaPlan.h"
#include "Infrastructure/Update/PackageManifest.h"

namespace TestSupport {

Infrastructure::Update::TPackageManifest ManifestOfZip(const std::string& AZipPath);

// AManifest in the published layout (what scripts/package-manifest.py writes).
std::string EncodeManifest(const Infrastructure::Update::TPackageManifest& AManifest);
// Its parts, for manifests written wrong on purpose: little-endian integers, varints, one entry.
void PutLittle(std::string& AOut, uint64_t AValue, int ABytes);
void PutVarint(std::string& AOut, uint64_t AValue);
void PutManifestEntry(std::string& AOut, const Infrastructure::Update::TManifestEntry& AEntry);

// A file as long as the package at AZipPath holding only the bytes of
// ARanges, zeros elsewhere: what a fetch by ranges leaves.
void WritePartialPackage(const std::string& AZipPath, const std::vector<Infrastructure::Update::TByteRange>& ARanges,
                         const std::string& AOutput);

}  // namespace TestSupport
