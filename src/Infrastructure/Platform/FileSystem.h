#pragma once
// The file-system port. Paths are UTF-8 text in the platform's own form.
// The product keeps <filesystem> and the iostreams out: statically linked they
// would add about 2 MB to a launcher meant to stay small.
#include <string>
#include <string_view>
#include <vector>

namespace Infrastructure::Platform {

#ifdef _WIN32
inline constexpr char kPathSeparator = '\\';
inline constexpr std::string_view kPathSeparators = "\\/";
#else
inline constexpr char kPathSeparator = '/';
inline constexpr std::string_view kPathSeparators = "/";
#endif

// Pure text operations.
std::string JoinPath(std::string_view ADirectory, std::string_view AName);
// The folder part without a trailing separator ("" when there is none); a root keeps its separator.
std::string ParentPath(std::string_view APath);
std::string FileNameOf(std::string_view APath);

// Existence, following links. A locked file still exists.
bool FileExists(const std::string& APath);
bool DirectoryExists(const std::string& APath);

struct TDirectoryEntry {
  std::string Name;
  bool IsDirectory = false;
};
// The entries of one folder ("." and ".." left out) in the order the file
// system lists them; empty when the folder cannot be listed.
std::vector<TDirectoryEntry> ListDirectory(const std::string& ADirectory);

// Creates the folder and every missing parent. Throws Core::EFileSystemError.
void CreateDirectories(const std::string& APath);

// Whole-file read. Throws Core::EFileSystemError when the file cannot be opened or read.
std::string ReadFileBytes(const std::string& APath);

// Writes a temporary file beside APath and puts it in place in one step, so a
// failure at any point leaves the old file as it was. Throws Core::EFileSystemError.
void WriteFileAtomically(const std::string& APath, std::string_view AContent);

// Puts ASource in place of ADestination in one step. Throws Core::EFileSystemError.
void ReplaceFileAtomically(const std::string& ASource, const std::string& ADestination);

// True when the file is gone afterwards (also when it never existed).
bool RemoveFile(const std::string& APath);

// Full path of the running executable, and its folder.
std::string ModuleFileName();
std::string ModuleDirectory();

}  // namespace Infrastructure::Platform
