#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "Core/Errors.h"
#include "Infrastructure/Platform/FileSystem.h"
#include "Infrastructure/Platform/Posix/PosixFileError.h"

namespace Infrastructure::Platform {

namespace {

[[noreturn]] void Fail(const std::string& AWhat, const std::string& APath, int AErrno) {
  Posix::ThrowFileError(AWhat, APath, AErrno);
}

class TFd {
public:
  explicit TFd(int AFd) : FFd(AFd) {}
  ~TFd() { Close(); }
  TFd(const TFd&) = delete;
  TFd& operator=(const TFd&) = delete;
  int Get() const { return FFd; }
  int Close() {
    const int result = FFd >= 0 ? ::close(FFd) : 0;
    FFd = -1;
    return result;
  }

private:
  int FFd;
};

}  // namespace

bool FileExists(const std::string& APath) {
  struct stat info;
  return !APath.empty() && ::stat(APath.c_str(), &info) == 0 && !S_ISDIR(info.st_mode);
}

bool DirectoryExists(const std::string& APath) {
  struct stat info;
  return !APath.empty() && ::stat(APath.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

std::vector<TDirectoryEntry> ListDirectory(const std::string& ADirectory) {
  std::vector<TDirectoryEntry> entries;
  DIR* dir = ::opendir(ADirectory.c_str());
  if (dir == nullptr) return entries;
  while (const dirent* entry = ::readdir(dir)) {
    const std::string name = entry->d_name;
    if (name == "." || name == "..") continue;
    const std::string path = JoinPath(ADirectory, name);
    struct stat info;
    const bool link = ::lstat(path.c_str(), &info) == 0 && S_ISLNK(info.st_mode);
    entries.push_back({name, DirectoryExists(path), link});
  }
  ::closedir(dir);
  return entries;
}

namespace {
// AExisting: a folder already there (made meanwhile by another process) is taken as made.
void MakeFolder(const std::string& APath, bool AExisting) {
  if (::mkdir(APath.c_str(), 0777) != 0 && !(AExisting && errno == EEXIST && DirectoryExists(APath)))
    Fail("Não foi possível criar a pasta", APath, errno);
}
}  // namespace

void CreateDirectories(const std::string& APath) {
  if (APath.empty() || DirectoryExists(APath)) return;
  const std::string parent = ParentPath(APath);
  if (!parent.empty() && parent != APath) CreateDirectories(parent);
  MakeFolder(APath, true);
}

void CreateNewDirectory(const std::string& APath) { MakeFolder(APath, false); }

bool IsLink(const std::string& APath) {
  struct stat info;
  return ::lstat(APath.c_str(), &info) == 0 && S_ISLNK(info.st_mode);
}

void ReplaceFileAtomically(const std::string& ASource, const std::string& ADestination) {
  if (std::rename(ASource.c_str(), ADestination.c_str()) != 0)
    Fail("Não foi possível substituir o arquivo", ADestination, errno);
}

void ReplaceFileKeepingAttributes(const std::string& ASource, const std::string& ADestination) {
  struct stat info;
  if (::stat(ADestination.c_str(), &info) != 0) Fail("Não foi possível substituir o arquivo", ADestination, errno);
  // As Windows refuses a read-only file, whoever is saving.
  if ((info.st_mode & S_IWUSR) == 0) Fail("Não foi possível substituir o arquivo", ADestination, EACCES);
  if (::chmod(ASource.c_str(), info.st_mode & 07777) != 0)
    Fail("Não foi possível substituir o arquivo", ADestination, errno);
  // The owner can be kept only by a privileged process; others keep their own.
  if (::chown(ASource.c_str(), info.st_uid, info.st_gid) != 0 && errno != EPERM)
    Fail("Não foi possível substituir o arquivo", ADestination, errno);
  ReplaceFileAtomically(ASource, ADestination);
}

void OverwriteFile(const std::string& APath, std::string_view AContent) {
  TFd file(::open(APath.c_str(), O_WRONLY | O_CLOEXEC));
  if (file.Get() < 0) Fail("Não foi possível gravar o arquivo", APath, errno);
  for (size_t done = 0; done < AContent.size();) {
    const ssize_t put = ::write(file.Get(), AContent.data() + done, AContent.size() - done);
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) Fail("Não foi possível gravar o arquivo", APath, put < 0 ? errno : ENOSPC);
    done += static_cast<size_t>(put);
  }
  if (::ftruncate(file.Get(), static_cast<off_t>(AContent.size())) != 0 || ::fsync(file.Get()) != 0 ||
      file.Close() != 0)
    Fail("Não foi possível gravar o arquivo", APath, errno);
}

bool RemoveFile(const std::string& APath) { return ::unlink(APath.c_str()) == 0 || errno == ENOENT; }

void MovePath(const std::string& ASource, const std::string& ADestination) {
  struct stat info;
  if (::lstat(ADestination.c_str(), &info) == 0) Fail("Não foi possível mover o arquivo", ASource, EEXIST);
  if (std::rename(ASource.c_str(), ADestination.c_str()) != 0) Fail("Não foi possível mover o arquivo", ASource, errno);
}

bool RemoveEmptyDirectory(const std::string& APath) { return ::rmdir(APath.c_str()) == 0; }

std::optional<uint64_t> FreeDiskSpace(const std::string& APath) {
  struct statvfs info;
  if (::statvfs(APath.c_str(), &info) != 0) return std::nullopt;
  return static_cast<uint64_t>(info.f_bavail) * info.f_frsize;
}

std::optional<uint64_t> LastWriteTime(const std::string& APath) {
  struct stat info;
  if (::stat(APath.c_str(), &info) != 0) return std::nullopt;
  return static_cast<uint64_t>(info.st_mtim.tv_sec) * 1000000000u + static_cast<uint64_t>(info.st_mtim.tv_nsec);
}

TPathState QueryPath(const std::string& APath) {
  struct stat info;
  if (APath.empty() || ::stat(APath.c_str(), &info) != 0) return TPathState::Missing;
  if (S_ISDIR(info.st_mode)) return TPathState::Directory;
  // The mode bits, not access(): the tests run as root, who may write anyway.
  return (info.st_mode & 0222) == 0 ? TPathState::ReadOnlyFile : TPathState::File;
}

void HidePath(const std::string&) {}

std::string ModuleFileName() {
  std::string buffer(4096, '\0');
  const ssize_t length = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
  if (length <= 0) return {};
  buffer.resize(static_cast<size_t>(length));
  return buffer;
}

}  // namespace Infrastructure::Platform

namespace Infrastructure::Platform {

std::string TemporaryDirectory() {
  const char* folder = std::getenv("TMPDIR");
  std::string path = folder != nullptr && *folder != '\0' ? folder : "/tmp";
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

std::string AbsolutePath(const std::string& APath) {
  if (APath.empty() || APath.front() == '/') return APath;
  std::string current(4096, '\0');
  if (::getcwd(current.data(), current.size()) == nullptr) return APath;
  current.resize(std::strlen(current.c_str()));
  return JoinPath(current, APath);
}

}  // namespace Infrastructure::Platform
