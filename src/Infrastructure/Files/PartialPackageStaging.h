#pragma once
// Staging from a package fetched in part: only the records an update plan
// chose hold valid bytes, at their offsets in the package, and the package's
// manifest vouches for each of them.
#include <cstddef>
#include <string>
#include <vector>

#include "Infrastructure/Files/ZipExtractor.h"
#include "Infrastructure/Update/PackageManifest.h"

namespace Infrastructure::Files {

// Stages the entries AEntries (indexes into AManifest.Entries, as a delta
// plan lists them) from APartialPackage into a new staging folder inside
// ADestination, with every folder the manifest names. Before anything is
// written, each record's bytes must have the manifest's SHA-256 and its local
// header the manifest's name, method, CRC-32 and size (from the data
// descriptor where the entry has one); then each entry is staged as
// StageZipArchive stages one, its size and CRC-32 checked as it is written.
// The stage holds only these files, so SwapIn leaves every other installed
// file alone. Throws EZipError for a record that is not the manifest's (the
// staging folder is then not created), Core::EFileSystemError when the disk
// fails, Core::EUpdateCancelled when ACallbacks says so; any failure after the
// staging folder was made removes it.
TStagedPackage StagePartialPackage(const std::string& APartialPackage, const Update::TPackageManifest& AManifest,
                                   const std::vector<size_t>& AEntries, const std::string& ADestination,
                                   const TStageCallbacks& ACallbacks = {});

}  // namespace Infrastructure::Files
