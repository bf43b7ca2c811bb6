#pragma once
// A fresh folder under the system's temporary folder, removed with everything
// in it when the object goes. Paths are UTF-8 text, as the services take them.
#include <filesystem>
#include <map>
#include <string>
#include <string_view>

namespace TestSupport {

class TTempDir {
public:
  TTempDir();
  ~TTempDir();
  TTempDir(const TTempDir&) = delete;
  TTempDir& operator=(const TTempDir&) = delete;

  const std::string& Path() const { return FPath; }
  // ARelative (written with "/") joined to the folder, in the platform's own separators.
  std::string Join(std::string_view ARelative) const;
  // Writes AContent (bytes) to a file below the folder, creating parent folders.
  std::string WriteFile(std::string_view ARelative, std::string_view AContent) const;
  std::string MakeDir(std::string_view ARelative) const;

private:
  std::string FPath;
};

std::string ReadFileBytes(const std::string& APath);

// Everything below AFolder by relative "/"-separated name: a file's bytes, or
// "<pasta>" for a folder; for comparing a folder before and after.
std::map<std::string, std::string> FolderSnapshot(const std::string& AFolder);

}  // namespace TestSupport
