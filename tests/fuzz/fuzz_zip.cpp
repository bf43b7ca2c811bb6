// Any bytes as an archive: extraction answers true or false without a crash,
// writes nothing outside its destination, leaves the archive and a file beside
// the destination untouched, and leaves no temporary file behind.
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>

#include "Infrastructure/Files/ZipExtractor.h"
#include "Infrastructure/Files/ZipReader.h"

namespace fs = std::filesystem;

namespace {

void Check(bool ACondition, const char* AWhat) {
  if (ACondition) return;
  std::fprintf(stderr, "fuzz_zip: %s\n", AWhat);
  std::abort();
}

const fs::path& Root() {
  static const fs::path root = fs::temp_directory_path() / ("ql-fuzz-zip-" + std::to_string(::getpid()));
  return root;
}

void WriteBytes(const fs::path& APath, const std::string& ABytes) {
  std::ofstream out(APath, std::ios::binary | std::ios::trunc);
  out.write(ABytes.data(), static_cast<std::streamsize>(ABytes.size()));
  Check(static_cast<bool>(out), "cannot write the test files");
}

std::string ReadBytes(const fs::path& APath) {
  std::ifstream in(APath, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool IsBelow(const fs::path& APath, const fs::path& AFolder) {
  const auto [end, ignored] = std::mismatch(AFolder.begin(), AFolder.end(), APath.begin(), APath.end());
  return end == AFolder.end();
}

bool LooksTemporary(const std::string& AName) {
  return AName.rfind("~ql", 0) == 0 && AName.size() > 7 && AName.compare(AName.size() - 4, 4, ".tmp") == 0;
}

// The last component of every name the archive lists, when its directory reads at all.
std::set<std::string> ListedNames(const fs::path& AArchive) {
  std::set<std::string> names;
  try {
    Infrastructure::Files::TZipReader reader(AArchive.string());
    for (const auto& entry : reader.Entries()) {
      const size_t slash = entry.Name.find_last_of("/\\");
      names.insert(slash == std::string::npos ? entry.Name : entry.Name.substr(slash + 1));
    }
  } catch (...) {
  }
  return names;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* AData, size_t ASize) {
  const std::string bytes(reinterpret_cast<const char*>(AData), ASize);
  std::error_code ignored;
  fs::remove_all(Root(), ignored);
  // Nested, so that a name climbing a few levels still lands inside the root.
  const fs::path inner = Root() / "a" / "b" / "c" / "d";
  fs::create_directories(inner);
  const fs::path archive = inner / "pacote.zip";
  const fs::path sentinel = inner / "sentinela.txt";
  const fs::path destination = inner / "destino";
  WriteBytes(archive, bytes);
  WriteBytes(sentinel, "intocado");

  const bool extracted = Infrastructure::Files::ExtractZipArchive(archive.string(), destination.string());

  Check(ReadBytes(archive) == bytes, "the archive changed");
  Check(ReadBytes(sentinel) == "intocado", "the file beside the destination changed");
  Check(!extracted || fs::is_directory(destination), "success without a destination");
  const std::set<std::string> listed = ListedNames(archive);
  for (const auto& item : fs::recursive_directory_iterator(Root())) {
    const fs::path& path = item.path();
    if (path == archive || path == sentinel || IsBelow(inner, path)) continue;
    Check(IsBelow(path, destination), "written outside the destination");
    const std::string name = path.filename().string();
    Check(!LooksTemporary(name) || listed.count(name) != 0, "a temporary file was left");
  }
  fs::remove_all(Root(), ignored);
  return 0;
}
