#include "Infrastructure/Files/UpdateJournal.h"

#include <charconv>

#include "Infrastructure/Files/ZipExtractor.h"

namespace Infrastructure::Files {

namespace {

constexpr std::string_view kHeader = "QuorvaneSoftLauncher update journal 2";
constexpr std::string_view kHeaderWithoutSums = "QuorvaneSoftLauncher update journal 1";

bool IsPlainName(std::string_view AName) {
  const std::optional<std::string> safe = SafeRelativePath(AName);
  return safe && *safe == AName && AName.find_first_of("/\\") == std::string_view::npos;
}

// Splits at "\n"; a "\r" before it is dropped.
std::vector<std::string_view> Lines(std::string_view AText) {
  std::vector<std::string_view> lines;
  while (!AText.empty()) {
    const size_t end = AText.find('\n');
    std::string_view line = AText.substr(0, end);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.push_back(line);
    if (end == std::string_view::npos) break;
    AText.remove_prefix(end + 1);
  }
  return lines;
}

bool TakePrefix(std::string_view& ALine, std::string_view APrefix) {
  if (ALine.substr(0, APrefix.size()) != APrefix) return false;
  ALine.remove_prefix(APrefix.size());
  return true;
}

// "SIZE CRC " (decimal, 8 hex digits) taken from the front of ALine.
bool TakeSum(std::string_view& ALine, TFileSum& ASum) {
  const char* end = ALine.data() + ALine.size();
  const auto size = std::from_chars(ALine.data(), end, ASum.Size);
  if (size.ec != std::errc() || size.ptr == end || *size.ptr != ' ' || end - size.ptr < 10 || size.ptr[9] != ' ')
    return false;
  const auto crc = std::from_chars(size.ptr + 1, size.ptr + 9, ASum.Crc32, 16);
  if (crc.ec != std::errc() || crc.ptr != size.ptr + 9) return false;
  ALine.remove_prefix(static_cast<size_t>(size.ptr + 10 - ALine.data()));
  return true;
}

std::optional<std::string> SafePath(std::string_view APath) {
  std::optional<std::string> safe = SafeRelativePath(APath);
  if (safe && *safe != APath) return std::nullopt;  // only the form this program writes
  return safe;
}

}  // namespace

std::string TUpdateJournal::Format() const {
  std::string text(kHeader);
  text += "\nstage " + Staging + "\naside " + AsideSuffix + "\nstate " + (Committed ? "committed" : "swapping") + "\n";
  for (const std::string& folder : CreatedFolders) text += "folder " + folder + "\n";
  for (const TJournalFile& file : Files) {
    char crc[9];
    for (int digit = 0; digit < 8; ++digit) crc[digit] = "0123456789abcdef"[(file.Sum.Crc32 >> (28 - 4 * digit)) & 0xF];
    crc[8] = 0;
    text += std::string("file ") + (file.HadOld ? "1 " : "0 ") + std::to_string(file.Sum.Size) + " " + crc + " " +
            file.Path + "\n";
  }
  text += "end\n";
  return text;
}

std::optional<TUpdateJournal> TUpdateJournal::Parse(std::string_view AText) {
  const std::vector<std::string_view> lines = Lines(AText);
  // Header, stage, aside, state, ..., end: a journal cut short is no journal.
  // A journal of the first form (no sums) is still finished or undone.
  const bool summed = !lines.empty() && lines[0] == kHeader;
  if (lines.size() < 5 || (!summed && lines[0] != kHeaderWithoutSums) || lines.back() != "end") return std::nullopt;
  TUpdateJournal journal;
  std::string_view stage = lines[1], aside = lines[2], state = lines[3];
  if (!TakePrefix(stage, "stage ") || !IsPlainName(stage) || !TakePrefix(aside, "aside ") || !IsPlainName(aside) ||
      !TakePrefix(state, "state "))
    return std::nullopt;
  journal.Staging = stage;
  journal.AsideSuffix = aside;
  if (state == "committed")
    journal.Committed = true;
  else if (state != "swapping")
    return std::nullopt;
  for (size_t index = 4; index + 1 < lines.size(); ++index) {
    std::string_view line = lines[index];
    if (TakePrefix(line, "folder ")) {
      std::optional<std::string> path = SafePath(line);
      if (!path) return std::nullopt;
      journal.CreatedFolders.push_back(std::move(*path));
    } else if (TakePrefix(line, "file ") && line.size() > 2 && (line[0] == '0' || line[0] == '1') && line[1] == ' ') {
      TJournalFile file;
      file.HadOld = line[0] == '1';
      file.Summed = summed;
      line.remove_prefix(2);
      if (summed && !TakeSum(line, file.Sum)) return std::nullopt;
      std::optional<std::string> path = SafePath(line);
      if (!path) return std::nullopt;
      file.Path = std::move(*path);
      journal.Files.push_back(std::move(file));
    } else {
      return std::nullopt;
    }
  }
  return journal;
}

std::string FormatPathList(const std::vector<std::string>& APaths) {
  std::string text;
  for (const std::string& path : APaths) text += path + "\n";
  return text;
}

std::vector<std::string> ParsePathList(std::string_view AText) {
  std::vector<std::string> paths;
  for (const std::string_view line : Lines(AText))
    if (std::optional<std::string> path = SafePath(line)) paths.push_back(std::move(*path));
  return paths;
}

}  // namespace Infrastructure::Files
