// A record of a package fetched in part, read without its central directory:
// any bytes either give an entry that stays inside the record and streams
// exactly its declared size, or are refused with EZipError, never a crash.
// The first byte says how many bytes before the record belong to other ones.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "Infrastructure/Files/ZipReader.h"

namespace {

void Check(bool ACondition, const char* AWhat) {
  if (ACondition) return;
  std::fprintf(stderr, "fuzz_zip_record: %s\n", AWhat);
  std::abort();
}

class TCountingSink : public Infrastructure::Platform::IByteSink {
 public:
  void Write(const void*, size_t ASize) override { Count += ASize; }
  uint64_t Count = 0;
};

const std::string& FilePath() {
  static const std::string path = "/tmp/ql-fuzz-zip-record-" + std::to_string(::getpid());
  return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* AData, size_t ASize) {
  if (ASize == 0) return 0;
  const size_t before = std::min<size_t>(AData[0], ASize - 1);
  {
    std::ofstream out(FilePath(), std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(AData + 1), static_cast<std::streamsize>(ASize - 1));
  }
  const uint64_t length = ASize - 1 - before;
  try {
    Infrastructure::Files::TZipReader reader(FilePath(), Infrastructure::Files::TZipReader::TRecordsOnly{});
    const Infrastructure::Files::TZipEntry entry = reader.RecordEntry(before, length);
    Check(entry.CompressedSize <= length, "compressed data larger than its record");
    Check(entry.LocalHeaderOffset == before && entry.DataLimit == before + length, "an entry outside its record");
    Check(entry.Name == entry.RawName && Infrastructure::Files::NameReadsAlike(entry.Name), "a name read some way");
    TCountingSink sink;
    try {
      reader.ReadEntry(entry, sink);
      Check(sink.Count == entry.UncompressedSize, "contents of another size than declared");
    } catch (const Infrastructure::Files::EZipError&) {
      Check(sink.Count <= entry.UncompressedSize, "more contents than declared before the refusal");
    }
  } catch (const Infrastructure::Files::EZipError&) {
  }
  return 0;
}
