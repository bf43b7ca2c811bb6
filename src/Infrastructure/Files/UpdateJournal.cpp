#include "Infrastructure/Files/UpdateJournal.h"

#include "Infrastructure/Files/ZipExtractor.h"

namespace Infrastructure::Files {

namespace {

constexpr std::string_view kHeader = "QuorvaneSoftLauncher update journal 2";

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

// A sum is the size in 16 hexadecimal digits, then the CRC-32 in 8.
constexpr size_t kSumDigits = 24;

// ADigits lower-case hexadecimal digits off the front of ALine, which holds
// them; AValid turns false on any other character.
uint64_t TakeHex(std::string_view& ALine, size_t ADigits, bool& AValid) {
  uint64_t value = 0;
  for (size_t index = 0; index < ADigits; ++index) {
    const char c = ALine[index];
    const int digit = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
    AValid = AValid && digit >= 0;
    value = value << 4 | static_cast<unsigned>(digit & 0xF);
  }
  ALine.remove_prefix(ADigits);
  return value;
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
    text += "file ";
    text += file.HadOld ? "1 " : "0 ";
    for (int shift = 60; shift >= 0; shift -= 4) text += kHexDigits[(file.Sum.Size >> shift) & 0xF];
    for (int shift = 28; shift >= 0; shift -= 4) text += kHexDigits[(file.Sum.Crc32 >> shift) & 0xF];
    text += " " + file.Path + "\n";
  }
  text += "end\n";
  return text;
}

std::optional<TUpdateJournal> TUpdateJournal::Parse(std::string_view AText) {
  const std::vector<std::string_view> lines = Lines(AText);
  // Header, stage, aside, state, ..., end: a journal cut short is no journal.
  if (lines.size() < 5 || lines[0] != kHeader || lines.back() != "end") return std::nullopt;
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
    } else if (TakePrefix(line, "file ") && line.size() > kSumDigits + 3 && (line[0] == '0' || line[0] == '1') &&
               line[1] == ' ' && line[kSumDigits + 2] == ' ') {
      const bool hadOld = line[0] == '1';
      line.remove_prefix(2);
      bool valid = true;
      const uint64_t size = TakeHex(line, 16, valid);
      const auto crc = static_cast<uint32_t>(TakeHex(line, 8, valid));
      std::optional<std::string> path = SafePath(line.substr(1));
      if (!valid || !path) return std::nullopt;
      journal.Files.push_back({std::move(*path), hadOld, {size, crc}});
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
