#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include "Infrastructure/Platform/FileSystem.h"
#include "Infrastructure/Platform/InstallationLock.h"

namespace Infrastructure::Platform {

namespace {

// flock() belongs to the open file, so two holders in one process exclude
// each other as two processes do; the kernel lets go when a holder dies.
class TFileLock final : public Core::Interfaces::IInstallationLock {
 public:
  explicit TFileLock(const std::string& AFolder)
      : FPath(JoinPath(AFolder, ".~ql-update.lock")) {}
  ~TFileLock() override { Release(); }
  TFileLock(const TFileLock&) = delete;
  TFileLock& operator=(const TFileLock&) = delete;

  bool TryAcquire() override {
    if (FFd >= 0) return true;
    const int fd = ::open(FPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0) return false;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
      ::close(fd);
      return false;
    }
    FFd = fd;
    return true;
  }
  void Release() override {
    if (FFd >= 0) ::close(FFd);
    FFd = -1;
  }

 private:
  std::string FPath;
  int FFd = -1;
};

}  // namespace

std::unique_ptr<Core::Interfaces::IInstallationLock> CreateInstallationLock(const std::string& AFolder) {
  return std::make_unique<TFileLock>(AFolder);
}

}  // namespace Infrastructure::Platform
