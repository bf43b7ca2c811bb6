#include "Infrastructure/Files/PackageSwap.h"

#include "Infrastructure/Files/ResumableDownload.h"

#include <zlib.h>

#include <algorithm>
#include <atomic>

#include "Core/Errors.h"
#include "Core/Text/TextUtils.h"
#include "Infrastructure/Files/UpdateJournal.h"
#include "Infrastructure/Platform/FileStream.h"
#include "Infrastructure/Platform/FileSystem.h"
#include "Infrastructure/Platform/ProcessInfo.h"
#include "Infrastructure/Platform/SystemClock.h"

namespace Infrastructure::Files {

namespace Platform = Infrastructure::Platform;
using Platform::JoinPath;
using Platform::TPathState;

std::string NameKey(const std::string& APath) {
  return Platform::kPathSeparator == '\\' ? Core::Text::LowerAscii(APath) : APath;
}

namespace {

constexpr int kInUseAttempts = 5;
constexpr int kInUsePauseMs = 100;

std::string JournalPath(const std::string& ADestination) { return JoinPath(ADestination, kJournalName); }

// One place builds the swap's refusals: each message written out inline would cost the launcher's size.
[[noreturn]] void Refuse(const char* ABefore, const std::string& AName, const char* AAfter, Core::TFileErrorKind AKind,
                         const std::string& APath) {
  throw Core::EFileSystemError(ABefore + AName + AAfter, AKind, APath);
}

bool IsSpecialName(std::string_view AName, std::string_view APrefix) { return AName.substr(0, APrefix.size()) == APrefix; }

// The temporary copy a write of AName leaves when it is cut short.
bool IsTemporaryOf(std::string_view AEntry, std::string_view AName) {
  return IsSpecialName(AEntry, std::string(AName) + ".tmp");
}

// Adds APaths to the folder's list of moved-aside files still to remove.
void RememberForCleanup(const std::string& ADestination, const std::vector<std::string>& APaths) {
  if (APaths.empty()) return;
  const std::string list = JoinPath(ADestination, kCleanupName);
  std::vector<std::string> paths;
  try {
    if (Platform::FileExists(list)) paths = ParsePathList(Platform::ReadFileBytes(list));
  } catch (const std::exception&) {
  }
  paths.insert(paths.end(), APaths.begin(), APaths.end());
  try {
    Platform::WriteFileAtomically(list, FormatPathList(paths));
    Platform::HidePath(list);
  } catch (const std::exception&) {
    // Only disk space is lost: the old files stay where they are.
  }
}

// Removes the moved-aside old files; those still held are kept for a later start.
void RemoveAsideFiles(const TUpdateJournal& AJournal, const std::string& ADestination) {
  std::vector<std::string> held;
  for (const TJournalFile& file : AJournal.Files) {
    if (!file.HadOld) continue;
    const std::string aside = file.Path + AJournal.AsideSuffix;
    if (IsPlainBelow(ADestination, aside) && !Platform::RemoveFile(JoinPath(ADestination, aside)))
      held.push_back(aside);
  }
  RememberForCleanup(ADestination, held);
}

// The new files of a committed swap hold what the journal says they do, or were written since by
// someone else: the application itself may change files it ships (its tables, its settings) once
// it runs, and that must not undo the update. A power cut leaves the times of the staging.
bool NewFilesWhole(const TUpdateJournal& AJournal, const std::string& ADestination) {
  const std::optional<uint64_t> committed = Platform::LastWriteTime(JournalPath(ADestination));
  for (const TJournalFile& file : AJournal.Files) {
    if (!IsPlainBelow(ADestination, file.Path)) continue;
    // A file gone is not the version the journal installed. One that cannot be read now (held without
    // read sharing) decides nothing: the exception ends this recovery, a later start checks again.
    const std::string path = JoinPath(ADestination, file.Path);
    if (!Platform::FileExists(path)) return false;
    if (SumOfFile(path) == file.Sum) continue;
    const std::optional<uint64_t> written = Platform::LastWriteTime(path);
    if (!committed || !written || *written <= *committed) return false;
  }
  return true;
}

// Puts every file back as it was before the swap, from the last one moved to
// the first. True when nothing is left to undo.
bool Undo(const TUpdateJournal& AJournal, const std::string& ADestination) {
  const std::string staging = JoinPath(ADestination, AJournal.Staging);
  bool complete = true;
  std::vector<std::string> stray;
  for (auto file = AJournal.Files.rbegin(); file != AJournal.Files.rend(); ++file) {
    if (!IsPlainBelow(ADestination, file->Path) || !IsPlainBelow(ADestination, JoinPath(AJournal.Staging, file->Path)))
      continue;  // left where it is: a move through a link would land elsewhere
    const std::string target = JoinPath(ADestination, file->Path);
    const std::string aside = target + AJournal.AsideSuffix;
    const std::string staged = JoinPath(staging, file->Path);
    const bool asideThere = file->HadOld && Platform::FileExists(aside);
    // The new file is in place when the old one is aside, or when there was
    // no old one and the staged copy has gone.
    const bool newInPlace = Platform::FileExists(target) && (asideThere || (!file->HadOld && !Platform::FileExists(staged)));
    try {
      if (newInPlace) {
        try {
          Platform::CreateDirectories(Platform::ParentPath(staged));
          Platform::MovePath(target, staged);
        } catch (const std::exception&) {
          // Something opened the new file already: it still moves out of the way.
          const std::string away = file->Path + ".~ql-new-" + NewUpdateId();
          Platform::MovePath(target, JoinPath(ADestination, away));
          stray.push_back(away);
        }
      }
      if (asideThere) Platform::MovePath(aside, target);
    } catch (const std::exception&) {
      complete = false;  // the journal stays: the next start tries again
    }
  }
  for (auto folder = AJournal.CreatedFolders.rbegin(); folder != AJournal.CreatedFolders.rend(); ++folder)
    if (IsPlainBelow(ADestination, *folder)) Platform::RemoveEmptyDirectory(JoinPath(ADestination, *folder));
  RememberForCleanup(ADestination, stray);
  return complete;
}

// Removes what a finished or undone swap leaves: the staging folder and the journal.
void Close(const TUpdateJournal& AJournal, const std::string& ADestination) {
  Platform::RemoveDirectoryTree(JoinPath(ADestination, AJournal.Staging));
  Platform::RemoveFile(JournalPath(ADestination));
}

// A virus scanner or indexer may hold a file for a moment without letting it
// be renamed: a sharing violation is tried again a few times, nothing else is.
void MoveHeld(const std::string& ASource, const std::string& ADestination) {
  for (int attempt = 1;; ++attempt) {
    try {
      Platform::MovePath(ASource, ADestination);
      return;
    } catch (const Core::EFileSystemError& e) {
      if (e.Kind() != Core::TFileErrorKind::InUse || attempt == kInUseAttempts) throw;
    }
    Platform::SleepMilliseconds(kInUsePauseMs);
  }
}

// The created folders that are not inside another created folder.
std::vector<std::string> OutermostFolders(const std::vector<std::string>& AFolders) {
  std::vector<std::string> outermost;
  for (const std::string& folder : AFolders) {
    const std::string parent = NameKey(Platform::ParentPath(folder));
    if (parent.empty() || std::none_of(AFolders.begin(), AFolders.end(),
                                       [&](const std::string& AOther) { return NameKey(AOther) == parent; }))
      outermost.push_back(folder);
  }
  return outermost;
}

bool IsBelowAny(const std::string& APath, const std::vector<std::string>& AFolders) {
  const std::string path = NameKey(APath);
  for (const std::string& folder : AFolders)
    if (path.size() > folder.size() && path[folder.size()] == Platform::kPathSeparator &&
        path.compare(0, folder.size(), NameKey(folder)) == 0)
      return true;
  return false;
}

void WriteJournal(const TUpdateJournal& AJournal, const std::string& ADestination) {
  const std::string path = JournalPath(ADestination);
  Platform::WriteFileAtomically(path, AJournal.Format());
  Platform::HidePath(path);
}

}  // namespace

std::string NewUpdateId() {
  static std::atomic<uint32_t> counter{0};
  // The system keeps a thread's id unique among the running threads of every process, and the clock
  // tells apart ids that follow each other; a name already taken is skipped by its caller anyway.
  static const uint64_t seed = (static_cast<uint64_t>(Platform::CurrentThreadId()) << 32) ^
                               Platform::SteadyMilliseconds();
  const uint64_t value = seed + 0x9E3779B97F4A7C15ull * ++counter;
  std::string id;
  for (int shift = 60; shift >= 0; shift -= 4) id += kHexDigits[(value >> shift) & 0xF];
  return id;
}

TFileSum SumOfFile(const std::string& APath) {
  Platform::TFileReader reader(APath);
  std::string buffer(64 * 1024, '\0');
  TFileSum sum;
  uLong crc = crc32(0, Z_NULL, 0);
  for (size_t read; (read = reader.Read(buffer.data(), buffer.size())) != 0; sum.Size += read)
    crc = crc32(crc, reinterpret_cast<const Bytef*>(buffer.data()), static_cast<uInt>(read));
  sum.Crc32 = static_cast<uint32_t>(crc);
  return sum;
}

bool IsPlainBelow(const std::string& ABase, const std::string& ARelative) {
  for (size_t end = ARelative.find(Platform::kPathSeparator);;
       end = ARelative.find(Platform::kPathSeparator, end + 1)) {
    if (Platform::IsLink(JoinPath(ABase, std::string_view(ARelative.data(), std::min(end, ARelative.size()))))) return false;
    if (end == std::string::npos) return true;
  }
}

void RequirePlainBelow(const std::string& ABase, const std::string& ARelative) {
  if (!IsPlainBelow(ABase, ARelative))
    Refuse("O arquivo \"", ARelative, "\" impede a atualização", Core::TFileErrorKind::AccessDenied, ARelative);
}

std::string CreateStagingFolder(const std::string& ADestination) {
  Platform::CreateDirectories(ADestination);
  for (int attempt = 0;; ++attempt) {
    const std::string folder = JoinPath(ADestination, std::string(kStagingPrefix) + NewUpdateId());
    try {
      // Never one that is there already: a folder or junction planted under the
      // name would have the package written wherever it leads.
      Platform::CreateNewDirectory(folder);
    } catch (const Core::EFileSystemError&) {
      if (attempt < 10) continue;
      throw;
    }
    Platform::HidePath(folder);
    return folder;
  }
}

// Fills AJournal with what the swap will do; throws before anything moved
// when a target cannot be replaced.
static void PlanSwap(const TStagedPackage& APackage, const std::string& ADestination, TUpdateJournal& AJournal) {
  const std::string journal = JournalPath(ADestination);
  if (Platform::QueryPath(journal) != TPathState::Missing)
    Refuse("O arquivo \"", journal, "\" impede a atualização", Core::TFileErrorKind::Other, journal);
  for (const std::string& folder : APackage.Folders) {
    RequirePlainBelow(ADestination, folder);
    const TPathState state = Platform::QueryPath(JoinPath(ADestination, folder));
    if (state == TPathState::Missing)
      AJournal.CreatedFolders.push_back(folder);
    else if (state != TPathState::Directory)
      Refuse("Um arquivo ocupa o lugar da pasta \"", folder, "\"", Core::TFileErrorKind::Other,
             JoinPath(ADestination, folder));
  }
  AJournal.Files.reserve(APackage.Files.size());
  for (const std::string& file : APackage.Files) {
    RequirePlainBelow(ADestination, file);
    const std::string target = JoinPath(ADestination, file);
    const TPathState state = Platform::QueryPath(target);
    if (state == TPathState::Directory)
      Refuse("Uma pasta ocupa o lugar do arquivo \"", file, "\"", Core::TFileErrorKind::Other, target);
    // An administrator's read-only mark is kept, as a plain replace would.
    if (state == TPathState::ReadOnlyFile)
      Refuse("O arquivo \"", target, "\" é somente leitura", Core::TFileErrorKind::AccessDenied, target);
    // Read back while the staged copy is still in the cache: what the new file holds.
    AJournal.Files.push_back({file, state == TPathState::File, SumOfFile(JoinPath(APackage.Folder, file))});
  }
}

void SwapIn(const TStagedPackage& APackage, const std::string& ADestination,
            const Core::Interfaces::TProgressProc& AOnProgress) {
  TUpdateJournal journal;
  journal.Staging = Platform::FileNameOf(APackage.Folder);
  journal.AsideSuffix = ".~ql-old-" + NewUpdateId();
  try {
    PlanSwap(APackage, ADestination, journal);
    WriteJournal(journal, ADestination);
  } catch (...) {
    DiscardStaging(APackage.Folder);
    throw;
  }
  const int64_t total = static_cast<int64_t>(journal.Files.size());
  int64_t done = 0;
  try {
    // A folder the destination lacks moves in whole, its files with it: one
    // rename instead of one per file. The journal still lists every file, so
    // an undo puts them back one by one as it would after single moves.
    const std::vector<std::string> wholeFolders = OutermostFolders(journal.CreatedFolders);
    for (const std::string& folder : wholeFolders)
      MoveHeld(JoinPath(APackage.Folder, folder), JoinPath(ADestination, folder));
    for (const TJournalFile& file : journal.Files) {
      const std::string target = JoinPath(ADestination, file.Path);
      if (IsBelowAny(file.Path, wholeFolders)) {
        // Something may have taken a staged file meanwhile (a virus scanner's
        // quarantine): a version with a file missing is not installed.
        if (Platform::QueryPath(target) == TPathState::Missing)
          Refuse("O arquivo preparado \"", file.Path, "\" desapareceu", Core::TFileErrorKind::Other, target);
      } else {
        if (file.HadOld) MoveHeld(target, target + journal.AsideSuffix);
        MoveHeld(JoinPath(APackage.Folder, file.Path), target);
      }
      if (AOnProgress) AOnProgress(++done, total);
    }
    journal.Committed = true;
    WriteJournal(journal, ADestination);
  } catch (...) {
    if (Undo(journal, ADestination)) Close(journal, ADestination);
    throw;
  }
  // The old files and the journal stay for the next start: flushing every
  // staged file would slow staging several times over.
  Platform::RemoveDirectoryTree(APackage.Folder);
}

void RecoverSwap(const std::string& ADestination) {
  try {
    const std::string journalPath = JournalPath(ADestination);
    std::string keep;  // the staging folder a journal still needs
    if (Platform::FileExists(journalPath)) {
      const std::optional<TUpdateJournal> journal = TUpdateJournal::Parse(Platform::ReadFileBytes(journalPath));
      if (!journal) {
        Platform::RemoveFile(journalPath);  // not ours to act on; what it named stays
      } else if (journal->Committed && NewFilesWhole(*journal, ADestination)) {
        RemoveAsideFiles(*journal, ADestination);
        Close(*journal, ADestination);
      } else if (Undo(*journal, ADestination)) {
        Close(*journal, ADestination);
      } else {
        keep = journal->Staging;
      }
    }
    const std::string list = JoinPath(ADestination, kCleanupName);
    if (Platform::FileExists(list)) {
      std::vector<std::string> held;
      for (const std::string& path : ParsePathList(Platform::ReadFileBytes(list)))
        if (IsPlainBelow(ADestination, path) && !Platform::RemoveFile(JoinPath(ADestination, path)))
          held.push_back(path);
      if (held.empty())
        Platform::RemoveFile(list);
      else
        Platform::WriteFileAtomically(list, FormatPathList(held));
    }
    for (const Platform::TDirectoryEntry& entry : Platform::ListDirectory(ADestination)) {
      if (entry.Name == keep) continue;
      if (entry.IsDirectory && IsSpecialName(entry.Name, kStagingPrefix))
        Platform::RemoveDirectoryTree(JoinPath(ADestination, entry.Name));
      // A download kept for the next start to continue is its own fetcher's to remove.
      else if (!entry.IsDirectory &&
               ((IsSpecialName(entry.Name, kDownloadPrefix) && !IsResumableDownloadName(entry.Name)) ||
                IsTemporaryOf(entry.Name, kJournalName) || IsTemporaryOf(entry.Name, kCleanupName)))
        Platform::RemoveFile(JoinPath(ADestination, entry.Name));
    }
  } catch (const std::exception&) {
    // Whatever could not be done now is tried again at the next start.
  }
}

void DiscardStaging(const std::string& AStagingFolder) {
  try {
    Platform::RemoveDirectoryTree(AStagingFolder);
  } catch (const std::exception&) {
  }
}

}  // namespace Infrastructure::Files
