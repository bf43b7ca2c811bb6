// Any bytes parse; what a save writes (for a file without a mark, Windows-1252
// or UTF-8, whichever reads back) parses back to the same document, and a value
// set through WriteString reads back as stored.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "Core/Errors.h"
#include "Infrastructure/Config/IniFile.h"

using Infrastructure::Config::TIniFile;

namespace {

void Check(bool ACondition, const char* AWhat) {
  if (ACondition) return;
  std::fprintf(stderr, "fuzz_ini: %s\n", AWhat);
  std::abort();
}

void CheckSameReads(const TIniFile& AFirst, const TIniFile& ASecond) {
  Check(ASecond.Encoding() == AFirst.Encoding(), "encoding changed");
  Check(ASecond.Sections() == AFirst.Sections(), "sections or keys changed");
  for (const auto& section : AFirst.Sections())
    for (const auto& key : section.Keys)
      Check(ASecond.ReadString(section.Name, key.Name) == AFirst.ReadString(section.Name, key.Name),
            "a value reads back differently");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* AData, size_t ASize) {
  const std::string_view bytes(reinterpret_cast<const char*>(AData), ASize);
  const TIniFile first = TIniFile::Parse(bytes);
  const std::string saved = first.Serialize();
  const TIniFile second = TIniFile::Parse(saved);
  CheckSameReads(first, second);
  Check(second.Serialize() == saved, "a second save wrote other bytes");

  // The same bytes as an edit: two length bytes, then section, key and value.
  // Accepted text must read back after a save; refused text must leave the
  // document unchanged.
  if (ASize < 2) return 0;
  const std::string_view rest = bytes.substr(2);
  const std::string_view section = rest.substr(0, AData[0] % 16);
  const std::string_view key = rest.substr(section.size()).substr(0, AData[1] % 16);
  const std::string_view value = rest.substr(section.size() + key.size());
  TIniFile edited = first;
  try {
    edited.WriteString(section, key, value);
    const std::string expected = edited.ReadString(section, key);
    const TIniFile reread = TIniFile::Parse(edited.Serialize());
    CheckSameReads(edited, reread);
    Check(reread.ReadString(section, key) == expected, "a written value reads back differently");
  } catch (const Core::EArgumentError&) {
    Check(edited.Serialize() == saved, "a refused write changed the document");
  }
  return 0;
}
