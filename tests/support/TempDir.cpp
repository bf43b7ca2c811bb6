#include "support/TempDir.h"

#include <atomic>
#include <chrono>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "support/Utf8Path.h"

namespace TestSupport {

TTempDir::TTempDir() {
  static std::atomic<unsigned> counter{0};
  const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
  const auto base = std::filesystem::temp_directory_path();
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::ostringstream name;
    name << "ql-test-" << stamp << "-" << counter++;
    const auto dir = base / name.str();
    if (std::filesystem::create_directory(dir)) {
      FPath = PathToUtf8(dir);
      return;
    }
  }
  throw std::runtime_error("cannot create a temporary folder");
}

TTempDir::~TTempDir() {
  std::error_code ignored;
  std::filesystem::remove_all(PathFromUtf8(FPath), ignored);
}

std::string TTempDir::Join(std::string_view ARelative) const {
  return PathToUtf8((PathFromUtf8(FPath) / PathFromUtf8(ARelative)).make_preferred());
}

std::string TTempDir::MakeDir(std::string_view ARelative) const {
  const std::string path = Join(ARelative);
  std::filesystem::create_directories(PathFromUtf8(path));
  return path;
}

std::string TTempDir::WriteFile(std::string_view ARelative, std::string_view AContent) const {
  const std::string path = Join(ARelative);
  const auto native = PathFromUtf8(path);
  std::filesystem::create_directories(native.parent_path());
  std::ofstream out(native, std::ios::binary | std::ios::trunc);
  out.write(AContent.data(), static_cast<std::streamsize>(AContent.size()));
  if (!out) throw std::runtime_error("cannot write " + path);
  return path;
}

std::string ReadFileBytes(const std::string& APath) {
  std::ifstream in(PathFromUtf8(APath), std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + APath);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

std::map<std::string, std::string> FolderSnapshot(const std::string& AFolder) {
  std::map<std::string, std::string> entries;
  const std::filesystem::path root = PathFromUtf8(AFolder);
  for (const auto& entry : std::filesystem::recursive_directory_iterator(root))
    entries[PathToUtf8(entry.path().lexically_relative(root).generic_u8string())] =
        entry.is_regular_file() ? ReadFileBytes(PathToUtf8(entry.path())) : "<pasta>";
  return entries;
}

}  // namespace TestSupport
