#pragma once
// The POSIX side's file errors, with the reason's kind.
#include <cerrno>
#include <cstring>
#include <string>

#include "Core/Errors.h"

namespace Infrastructure::Platform::Posix {

[[noreturn]] inline void ThrowFileError(const std::string& AWhat, const std::string& APath, int AErrno) {
  Core::TFileErrorKind kind = Core::TFileErrorKind::Other;
  if (AErrno == ETXTBSY || AErrno == EBUSY) kind = Core::TFileErrorKind::InUse;
  if (AErrno == EACCES || AErrno == EPERM || AErrno == EROFS) kind = Core::TFileErrorKind::AccessDenied;
  if (AErrno == ENOSPC || AErrno == EDQUOT) kind = Core::TFileErrorKind::DiskFull;
  throw Core::EFileSystemError(AWhat + " \"" + APath + "\": " + std::strerror(AErrno), kind, APath);
}

}  // namespace Infrastructure::Platform::Posix
