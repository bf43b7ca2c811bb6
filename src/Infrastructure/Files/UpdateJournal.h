#pragma once
// The journal of one swap, written into the installation folder before the
// first file moves: what a later start needs to finish or undo a swap that was
// cut short (the launcher killed, the power lost).
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace Infrastructure::Files {

inline constexpr char kHexDigits[] = "0123456789abcdef";

// What a file holds, for telling whether its contents reached the disk.
struct TFileSum {
  uint64_t Size = 0;
  uint32_t Crc32 = 0;
  bool operator==(const TFileSum&) const = default;
};

struct TJournalFile {
  std::string Path;      // relative to the installation folder
  bool HadOld = false;   // a file of that name was there before the swap
  TFileSum Sum{};        // of the new file
};

struct TUpdateJournal {
  std::string Staging;      // the staging folder's name, inside the installation folder
  std::string AsideSuffix;  // an old file moves aside to its name followed by this
  // Every new file is in place; the old ones stay aside until a later start
  // has checked the new ones against their sums.
  bool Committed = false;
  std::vector<std::string> CreatedFolders;  // relative, parents first
  std::vector<TJournalFile> Files;

  std::string Format() const;
  // Nothing when the text is not a journal, or names a path that would leave
  // the installation folder.
  static std::optional<TUpdateJournal> Parse(std::string_view AText);
};

// Relative paths, one a line (the moved-aside files still to remove). Unsafe
// or empty lines are dropped.
std::string FormatPathList(const std::vector<std::string>& APaths);
std::vector<std::string> ParsePathList(std::string_view AText);

}  // namespace Infrastructure::Files
