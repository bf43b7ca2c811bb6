#pragma once
// Extraction of a ZIP archive (an application package) into a folder.
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "Core/Interfaces/Progress.h"
#include "Infrastructure/Files/PackageSwap.h"
#include "Infrastructure/Files/ZipReader.h"

namespace Infrastructure::Files {

// Extracts every entry, in archive order, below ADestinationPath, creating the
// folder chain first; "/" and "\" both separate folders in stored names, and
// an existing file of the same name is replaced. False when the archive is
// missing (the destination is then not created), unreadable, unsafe or
// corrupt, or when a file cannot be written. Never throws.
//
// The archive applies whole or not at all: it is staged (StageZipArchive),
// swapped in (SwapIn), and the swap's old files removed at once (RecoverSwap).
// Any failure leaves the destination as it was.
bool ExtractZipArchive(const std::string& AZipPath, const std::string& ADestinationPath);

struct TStageCallbacks {
  // (work done, work in all): bytes written, each file also counting as the
  // average file's size.
  Core::Interfaces::TProgressProc OnProgress;
  // Asked between entries and every few MB: true abandons the staging
  // (Core::EUpdateCancelled).
  std::function<bool()> IsCancelled;
};

// Extracts every entry into a new staging folder inside ADestination, each
// file straight under its own name, created new, and checked against its size
// and CRC-32 as it is written; a folder of the staging found to be a link
// stops it (Core::EFileSystemError). Before anything is written every name is checked, and the
// whole archive is refused when one would leave the destination or cannot be
// a Windows file name, or when an entry is encrypted or uses a method other than stored or deflated. On any
// failure the staging folder is removed and the error raised again (EZipError
// for the archive's own faults).
TStagedPackage StageZipArchive(TZipReader& AReader, const std::string& ADestination,
                               const TStageCallbacks& ACallbacks = {});

// An entry to stage and the relative path it lands on.
struct TStageEntry {
  const TZipEntry* Entry;
  std::string Path;  // relative, with the platform's separators (JudgeEntry's answer)
};

// The relative path AEntry lands on; throws EZipError, as StageZipArchive
// refuses the archive, for an unsafe name, or for a file encrypted or using a
// method other than stored or deflated.
std::string JudgeEntry(const TZipEntry& AEntry);

// StageZipArchive's work on entries already judged, in the given order: a
// package fetched in part stages only what it fetched, the same way.
TStagedPackage StageZipEntries(TZipReader& AReader, const std::vector<TStageEntry>& AEntries,
                               const std::string& ADestination, const TStageCallbacks& ACallbacks = {});

// The relative path an entry name stands for, with the platform's separators
// and no trailing one; nothing when the name is refused: empty, absolute
// ("/x", "\x", "\\server\x"), with a drive or any ":", a ".." or other
// all-dots component, a component ending in "." or " " (Windows would drop
// them), characters Windows does not allow in names (control characters,
// <>"|?*), or a Windows device name (CON, NUL, COM1, ...).
std::optional<std::string> SafeRelativePath(std::string_view AName);

}  // namespace Infrastructure::Files
