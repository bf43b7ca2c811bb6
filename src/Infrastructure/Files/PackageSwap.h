#pragma once
// The second half of an update: files staged in a folder beside their
// destination are swapped in. Each file already there is first moved aside
// under a name of its own (Windows renames a running executable or a loaded
// DLL where it refuses to overwrite it), then the new one is moved in; a
// journal written before the first move lets a later start finish or undo a
// swap that was cut short, and a failure half-way moves everything back.
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "Core/Interfaces/Progress.h"
#include "Infrastructure/Files/UpdateJournal.h"

namespace Infrastructure::Files {

// The launcher's own working names in an installation folder.
inline constexpr std::string_view kStagingPrefix = ".~ql-stage-";
inline constexpr std::string_view kDownloadPrefix = ".~ql-download-";
inline constexpr std::string_view kJournalName = ".~ql-update.journal";
inline constexpr std::string_view kCleanupName = ".~ql-update.cleanup";

// A name part no other call, thread or process is likely to take.
std::string NewUpdateId();

// A relative path as the system compares names: Windows takes names differing only in letter case
// for one file or folder.
std::string NameKey(const std::string& APath);

struct TStagedPackage {
  std::string Folder;                // the staging folder, directly inside the destination
  std::vector<std::string> Files;    // relative paths, as they go below the destination
  std::vector<std::string> Folders;  // relative paths of folders the package brings
  uint64_t Bytes = 0;                // what the staged files hold
};

// Size and CRC-32 of a file's contents. Throws Core::EFileSystemError.
TFileSum SumOfFile(const std::string& APath);

// True when no component of ARelative below ABase (ARelative's last one
// included) is a link: a path named by a file that everyone may write to must
// not lead out of the folder.
bool IsPlainBelow(const std::string& ABase, const std::string& ARelative);
// Throws Core::EFileSystemError (kind AccessDenied, Path() ARelative) where
// IsPlainBelow is false.
void RequirePlainBelow(const std::string& ABase, const std::string& ARelative);

// A new, hidden, empty staging folder directly inside ADestination, created
// where nothing had its name. Throws Core::EFileSystemError.
std::string CreateStagingFolder(const std::string& ADestination);

// Moves the staged files into ADestination and removes the staging folder.
// Before anything moves, a journal already in the folder (a swap no
// RecoverSwap has finished), a target that is a folder, a file marked
// read-only, or a target reached through a link refuses the swap
// (Core::EFileSystemError naming it, kind AccessDenied for the read-only
// file). A move that fails undoes every move made so far and raises the error
// again, Path() naming the file. AOnProgress gets (files moved, files in all).
// The staged files are not flushed: the journal takes their sums, and the
// old ones stay aside with it until the next RecoverSwap finds the new ones
// whole.
void SwapIn(const TStagedPackage& APackage, const std::string& ADestination,
            const Core::Interfaces::TProgressProc& AOnProgress = {});

// At start, before anything reads the installation: undoes a swap that was
// cut short, or whose new files do not match their sums (a power cut took
// their contents), else removes the old files it moved aside; removes
// moved-aside files that are free now, staging folders and downloads left
// behind. A path through a link is left alone. Only with the folder's
// installation lock held. Never throws.
void RecoverSwap(const std::string& ADestination);

// Removes a staging folder that will not be swapped in. Never throws.
void DiscardStaging(const std::string& AStagingFolder);

}  // namespace Infrastructure::Files
