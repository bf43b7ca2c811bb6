#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

#include "Core/Errors.h"
#include "Infrastructure/Platform/FileStream.h"
#include "Infrastructure/Platform/Posix/PosixFileError.h"

namespace Infrastructure::Platform {

namespace {

[[noreturn]] void Fail(const char* AWhat, const std::string& APath, int AErrno) {
  Posix::ThrowFileError(AWhat, APath, AErrno);
}

int Fd(std::intptr_t AHandle) {
  return static_cast<int>(AHandle);
}

}  // namespace

TFileReader::TFileReader(const std::string& APath, TReadSharing) : FPath(APath) {
  const int fd = ::open(APath.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) Fail("Não foi possível abrir o arquivo", APath, errno);
  struct stat info;
  const bool known = ::fstat(fd, &info) == 0;
  if (!known || S_ISDIR(info.st_mode)) {
    const int error = known ? EISDIR : errno;
    ::close(fd);
    Fail("Não foi possível abrir o arquivo", APath, error);
  }
  FHandle = fd;
}

TFileReader::~TFileReader() {
  Close();
}

TFileReader::TFileReader(TFileReader&& AOther) noexcept
    : FHandle(std::exchange(AOther.FHandle, kNoHandle)), FPosition(AOther.FPosition), FPath(std::move(AOther.FPath)) {}

TFileReader& TFileReader::operator=(TFileReader&& AOther) noexcept {
  if (this != &AOther) {
    Close();
    FHandle = std::exchange(AOther.FHandle, kNoHandle);
    FPosition = AOther.FPosition;
    FPath = std::move(AOther.FPath);
  }
  return *this;
}

uint64_t TFileReader::Size() const {
  struct stat info;
  if (::fstat(Fd(FHandle), &info) != 0) Fail("Não foi possível ler o arquivo", FPath, errno);
  return static_cast<uint64_t>(info.st_size);
}

void TFileReader::Seek(uint64_t AOffset) {
  FPosition = AOffset;
}

size_t TFileReader::Read(void* ABuffer, size_t ASize) {
  size_t done = 0;
  while (done < ASize) {
    // pread keeps no shared file offset, so the position is ours alone.
    const ssize_t got =
        ::pread(Fd(FHandle), static_cast<char*>(ABuffer) + done, ASize - done, static_cast<off_t>(FPosition + done));
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) Fail("Não foi possível ler o arquivo", FPath, errno);
    if (got == 0) break;
    done += static_cast<size_t>(got);
  }
  FPosition += done;
  return done;
}

void TFileReader::Close() {
  if (FHandle != kNoHandle) ::close(Fd(FHandle));
  FHandle = kNoHandle;
}

TFileWriter::TFileWriter(const std::string& APath, TCreateMode AMode) : FPath(APath) {
  const int flags = O_WRONLY | O_CREAT | O_CLOEXEC |
                    (AMode == TCreateMode::New      ? O_EXCL
                     : AMode == TCreateMode::Append ? O_APPEND
                     : AMode == TCreateMode::Keep   ? 0
                                                    : O_TRUNC);
  const int fd = ::open(APath.c_str(), flags, 0666);
  if (fd < 0) Fail("Não foi possível criar o arquivo", APath, errno);
  FHandle = fd;
}

TFileWriter::~TFileWriter() {
  if (FHandle != kNoHandle) ::close(Fd(FHandle));
}

TFileWriter::TFileWriter(TFileWriter&& AOther) noexcept
    : FHandle(std::exchange(AOther.FHandle, kNoHandle)),
      FBytesWritten(AOther.FBytesWritten),
      FPath(std::move(AOther.FPath)) {}

TFileWriter& TFileWriter::operator=(TFileWriter&& AOther) noexcept {
  if (this != &AOther) {
    if (FHandle != kNoHandle) ::close(Fd(FHandle));
    FHandle = std::exchange(AOther.FHandle, kNoHandle);
    FBytesWritten = AOther.FBytesWritten;
    FPath = std::move(AOther.FPath);
  }
  return *this;
}

void TFileWriter::Write(const void* AData, size_t ASize) {
  if (FHandle == kNoHandle) Fail("Não foi possível gravar o arquivo", FPath, EBADF);
  size_t done = 0;
  while (done < ASize) {
    const ssize_t put = ::write(Fd(FHandle), static_cast<const char*>(AData) + done, ASize - done);
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) Fail("Não foi possível gravar o arquivo", FPath, put < 0 ? errno : ENOSPC);
    done += static_cast<size_t>(put);
    FBytesWritten += static_cast<uint64_t>(put);
  }
}

void TFileWriter::Seek(uint64_t AOffset) {
  if (FHandle == kNoHandle || ::lseek(Fd(FHandle), static_cast<off_t>(AOffset), SEEK_SET) < 0)
    Fail("Não foi possível gravar o arquivo", FPath, FHandle == kNoHandle ? EBADF : errno);
}

void TFileWriter::SetLength(uint64_t ALength) {
  if (FHandle == kNoHandle || ::ftruncate(Fd(FHandle), static_cast<off_t>(ALength)) != 0)
    Fail("Não foi possível gravar o arquivo", FPath, FHandle == kNoHandle ? EBADF : errno);
}

uint64_t TFileWriter::Size() const {
  struct stat info;
  if (FHandle == kNoHandle || ::fstat(Fd(FHandle), &info) != 0)
    Fail("Não foi possível ler o arquivo", FPath, FHandle == kNoHandle ? EBADF : errno);
  return static_cast<uint64_t>(info.st_size);
}

void TFileWriter::Flush() {
  if (FHandle == kNoHandle || ::fsync(Fd(FHandle)) != 0)
    Fail("Não foi possível gravar o arquivo", FPath, FHandle == kNoHandle ? EBADF : errno);
}

void TFileWriter::Close() {
  if (FHandle == kNoHandle) return;
  const int result = ::close(Fd(std::exchange(FHandle, kNoHandle)));
  if (result != 0 && errno != EINTR) Fail("Não foi possível gravar o arquivo", FPath, errno);
}

}  // namespace Infrastructure::Platform
