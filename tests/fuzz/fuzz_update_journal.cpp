// The update journal and the clean-up list are read back at start from a
// folder users can write into: any bytes either parse to paths that stay
// inside the installation folder, or are refused; what parses formats back to
// the same journal.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "Infrastructure/Files/UpdateJournal.h"
#include "Infrastructure/Files/ZipExtractor.h"

using namespace Infrastructure::Files;

namespace {

void Check(bool ACondition, const char* AWhat) {
  if (ACondition) return;
  std::fprintf(stderr, "fuzz_update_journal: %s\n", AWhat);
  std::abort();
}

void CheckInside(const std::string& APath) {
  const std::optional<std::string> safe = SafeRelativePath(APath);
  Check(safe && *safe == APath, "a path that leaves the folder was accepted");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* AData, size_t ASize) {
  const std::string_view text(reinterpret_cast<const char*>(AData), ASize);
  if (const std::optional<TUpdateJournal> journal = TUpdateJournal::Parse(text)) {
    CheckInside(journal->Staging);
    CheckInside(journal->AsideSuffix);
    for (const std::string& folder : journal->CreatedFolders) CheckInside(folder);
    for (const TJournalFile& file : journal->Files) CheckInside(file.Path);
    const std::optional<TUpdateJournal> again = TUpdateJournal::Parse(journal->Format());
    Check(again.has_value(), "a formatted journal does not parse");
    Check(again->Format() == journal->Format(), "a journal changed through format and parse");
  }
  for (const std::string& path : ParsePathList(text)) CheckInside(path);
  return 0;
}
