#include "Infrastructure/Platform/SealedFolder.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "Infrastructure/Platform/FileSystem.h"
#include "Infrastructure/Platform/Posix/PosixFileError.h"

namespace Infrastructure::Platform {

void TSealedFolder::Create(const std::string& APath) {
  Remove();
  if (::mkdir(APath.c_str(), 0700) != 0) Posix::ThrowFileError("Não foi possível criar a pasta", APath, errno);
  FPath = APath;
  FHandle = ::open(APath.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (FHandle < 0) Posix::ThrowFileError("Não foi possível abrir a pasta", APath, errno);
}

bool TSealedFolder::Seal() {
  return FHandle >= 0 && ::fchmod(static_cast<int>(FHandle), 0555) == 0;
}

bool TSealedFolder::Remove() {
  if (FPath.empty()) return true;
  if (FHandle >= 0) {
    ::fchmod(static_cast<int>(FHandle), 0700);
    ::close(static_cast<int>(FHandle));
    FHandle = -1;
  }
  const bool removed = RemoveDirectoryTree(FPath);
  FPath.clear();
  return removed;
}

}  // namespace Infrastructure::Platform
