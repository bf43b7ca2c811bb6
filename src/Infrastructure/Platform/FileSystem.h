#pragma once
// The file-system port. Paths are UTF-8 text in the platform's own form.
// The product keeps <filesystem> and the iostreams out: statically linked they
// would add about 2 MB to a launcher meant to stay small.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "Core/Text/PathText.h"

namespace Infrastructure::Platform {

using Core::Text::FileNameOf;
using Core::Text::JoinPath;
using Core::Text::kPathSeparator;
using Core::Text::kPathSeparators;
using Core::Text::ParentPath;

// Existence, following links. A locked file still exists.
bool FileExists(const std::string& APath);
bool DirectoryExists(const std::string& APath);

struct TDirectoryEntry {
  std::string Name;
  bool IsDirectory = false;
  bool IsLink = false;  // a symbolic link or junction
};
// The entries of one folder ("." and ".." left out) in the order the file
// system lists them; empty when the folder cannot be listed.
std::vector<TDirectoryEntry> ListDirectory(const std::string& ADirectory);

// Creates the folder and every missing parent. Throws Core::EFileSystemError.
void CreateDirectories(const std::string& APath);

// Creates one folder where nothing has the name yet, not even a folder or a
// link. Throws Core::EFileSystemError.
void CreateNewDirectory(const std::string& APath);

// True when the path's last component is itself a symbolic link, junction or
// other reparse point, whatever it points at.
bool IsLink(const std::string& APath);

// Whole-file read. Throws Core::EFileSystemError when the file cannot be opened or read.
std::string ReadFileBytes(const std::string& APath);

// Writes a temporary file beside APath and puts it in place in one step, so a
// failure at any point leaves the old file as it was. Throws Core::EFileSystemError.
void WriteFileAtomically(const std::string& APath, std::string_view AContent);

// Puts ASource in place of ADestination in one step. Throws Core::EFileSystemError.
void ReplaceFileAtomically(const std::string& ASource, const std::string& ADestination);

// Copies ASource beside ADestination and puts the copy in its place in one
// step, never deleting ADestination first: any failure leaves the old file
// whole. Throws Core::EFileSystemError.
void CopyFileReplacing(const std::string& ASource, const std::string& ADestination);

// For a file that others set up too (the configuration file): a new file is
// written as by WriteFileAtomically; an existing one is replaced in one step
// keeping its attributes and security. Where its folder takes no new file but
// the file itself is writable, the file is rewritten in place, which a failure
// midway can leave cut. Throws Core::EFileSystemError, also for a read-only file.
void WriteFileKeepingAttributes(const std::string& APath, std::string_view AContent);

// Puts ASource in place of the existing ADestination in one step, keeping
// ADestination's attributes and security (Windows) or mode bits (POSIX). A
// read-only ADestination is refused. Where the system removed ADestination but
// could not move ASource to its name, ASource is moved there plainly.
// Throws Core::EFileSystemError.
void ReplaceFileKeepingAttributes(const std::string& ASource, const std::string& ADestination);

// Rewrites an existing file's content, leaving its attributes and security as
// they are. Throws Core::EFileSystemError.
void OverwriteFile(const std::string& APath, std::string_view AContent);

// True when the file is gone afterwards (also when it never existed).
bool RemoveFile(const std::string& APath);

// Renames a file or folder; an existing destination is never replaced.
// Windows allows this for a running executable or a loaded DLL where it
// refuses to overwrite them. Throws Core::EFileSystemError with the reason's kind.
void MovePath(const std::string& ASource, const std::string& ADestination);

// Removes a folder and everything below it, as far as it can; true when it is
// gone. Links are removed as links, never entered, APath itself included.
bool RemoveDirectoryTree(const std::string& APath);

// Removes an empty folder; false when it is not empty or cannot be removed.
bool RemoveEmptyDirectory(const std::string& APath);

// Bytes the current user may still write on the volume holding APath;
// nothing when the system cannot tell.
std::optional<uint64_t> FreeDiskSpace(const std::string& APath);

// What a path names, following links. A file is read-only when Windows marks
// it so (elsewhere: when no write permission bit is set).
enum class TPathState { Missing, File, ReadOnlyFile, Directory };
TPathState QueryPath(const std::string& APath);

// When the file was last written, in the system's own units: only ever
// compared with another file's. Nothing when it cannot be told.
std::optional<uint64_t> LastWriteTime(const std::string& APath);

// Marks a file or folder of the launcher's own as hidden where the system has
// such a mark (its name starts with "." for the others).
void HidePath(const std::string& APath);

// Full path of the running executable, and its folder.
std::string ModuleFileName();
inline std::string ModuleDirectory() {
  return ParentPath(ModuleFileName());
}

// The user's temporary folder, without a trailing separator (a root keeps it).
std::string TemporaryDirectory();

// APath made absolute against the current folder ("" stays ""). Nothing is
// resolved on disk: the file need not exist.
std::string AbsolutePath(const std::string& APath);

}  // namespace Infrastructure::Platform
