#include <windows.h>

#include <algorithm>
#include <utility>

#include "Core/Errors.h"
#include "Infrastructure/Platform/FileStream.h"
#include "Infrastructure/Platform/Win32/WinText.h"

namespace Infrastructure::Platform {

using Win32::ToWide;

namespace {

[[noreturn]] void Fail(const char* AWhat, const std::string& APath, DWORD ACode) {
  Win32::ThrowFileError(AWhat, APath, ACode);
}

HANDLE Handle(std::intptr_t AHandle) {
  return reinterpret_cast<HANDLE>(AHandle);
}

// ReadFile and WriteFile take 32-bit counts.
constexpr size_t kMaxChunk = size_t{1} << 30;

}  // namespace

TFileReader::TFileReader(const std::string& APath, TReadSharing ASharing) : FPath(APath) {
  const DWORD share =
      ASharing == TReadSharing::Any ? FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE : FILE_SHARE_READ;
  // Without FILE_FLAG_BACKUP_SEMANTICS a folder does not open, as wanted.
  const HANDLE file = CreateFileW(ToWide(APath).c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (file == INVALID_HANDLE_VALUE) Fail("Não foi possível abrir o arquivo", APath, GetLastError());
  FHandle = reinterpret_cast<std::intptr_t>(file);
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
  LARGE_INTEGER size;
  if (!GetFileSizeEx(Handle(FHandle), &size)) Fail("Não foi possível ler o arquivo", FPath, GetLastError());
  return static_cast<uint64_t>(size.QuadPart);
}

void TFileReader::Seek(uint64_t AOffset) {
  FPosition = AOffset;
}

size_t TFileReader::Read(void* ABuffer, size_t ASize) {
  LARGE_INTEGER offset;
  offset.QuadPart = static_cast<LONGLONG>(FPosition);
  if (!SetFilePointerEx(Handle(FHandle), offset, nullptr, FILE_BEGIN))
    Fail("Não foi possível ler o arquivo", FPath, GetLastError());
  size_t done = 0;
  while (done < ASize) {
    DWORD got = 0;
    const DWORD want = static_cast<DWORD>(std::min(ASize - done, kMaxChunk));
    if (!ReadFile(Handle(FHandle), static_cast<char*>(ABuffer) + done, want, &got, nullptr))
      Fail("Não foi possível ler o arquivo", FPath, GetLastError());
    if (got == 0) break;
    done += got;
  }
  FPosition += done;
  return done;
}

void TFileReader::Close() {
  if (FHandle != kNoHandle) CloseHandle(Handle(FHandle));
  FHandle = kNoHandle;
}

TFileWriter::TFileWriter(const std::string& APath, TCreateMode AMode) : FPath(APath) {
  const bool append = AMode == TCreateMode::Append;
  // Append access alone makes each write land at the end as one piece.
  const HANDLE file = CreateFileW(ToWide(APath).c_str(), append ? FILE_APPEND_DATA | SYNCHRONIZE : GENERIC_WRITE,
                                  FILE_SHARE_READ | FILE_SHARE_DELETE | (append ? FILE_SHARE_WRITE : 0), nullptr,
                                  append || AMode == TCreateMode::Keep ? OPEN_ALWAYS
                                  : AMode == TCreateMode::New          ? CREATE_NEW
                                                                       : CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) Fail("Não foi possível criar o arquivo", APath, GetLastError());
  FHandle = reinterpret_cast<std::intptr_t>(file);
}

TFileWriter::~TFileWriter() {
  if (FHandle != kNoHandle) CloseHandle(Handle(FHandle));
}

TFileWriter::TFileWriter(TFileWriter&& AOther) noexcept
    : FHandle(std::exchange(AOther.FHandle, kNoHandle)),
      FBytesWritten(AOther.FBytesWritten),
      FPath(std::move(AOther.FPath)) {}

TFileWriter& TFileWriter::operator=(TFileWriter&& AOther) noexcept {
  if (this != &AOther) {
    if (FHandle != kNoHandle) CloseHandle(Handle(FHandle));
    FHandle = std::exchange(AOther.FHandle, kNoHandle);
    FBytesWritten = AOther.FBytesWritten;
    FPath = std::move(AOther.FPath);
  }
  return *this;
}

void TFileWriter::Write(const void* AData, size_t ASize) {
  if (FHandle == kNoHandle) Fail("Não foi possível gravar o arquivo", FPath, ERROR_INVALID_HANDLE);
  size_t done = 0;
  while (done < ASize) {
    DWORD put = 0;
    const DWORD want = static_cast<DWORD>(std::min(ASize - done, kMaxChunk));
    if (!WriteFile(Handle(FHandle), static_cast<const char*>(AData) + done, want, &put, nullptr))
      Fail("Não foi possível gravar o arquivo", FPath, GetLastError());
    if (put == 0) Fail("Não foi possível gravar o arquivo", FPath, ERROR_DISK_FULL);
    done += put;
    FBytesWritten += put;
  }
}

void TFileWriter::Seek(uint64_t AOffset) {
  LARGE_INTEGER offset;
  offset.QuadPart = static_cast<LONGLONG>(AOffset);
  if (FHandle == kNoHandle || !SetFilePointerEx(Handle(FHandle), offset, nullptr, FILE_BEGIN))
    Fail("Não foi possível gravar o arquivo", FPath, FHandle == kNoHandle ? ERROR_INVALID_HANDLE : GetLastError());
}

void TFileWriter::SetLength(uint64_t ALength) {
  if (FHandle == kNoHandle) Fail("Não foi possível gravar o arquivo", FPath, ERROR_INVALID_HANDLE);
  LARGE_INTEGER zero{}, position{}, length{};
  length.QuadPart = static_cast<LONGLONG>(ALength);
  if (!SetFilePointerEx(Handle(FHandle), zero, &position, FILE_CURRENT) ||
      !SetFilePointerEx(Handle(FHandle), length, nullptr, FILE_BEGIN) || !SetEndOfFile(Handle(FHandle)) ||
      !SetFilePointerEx(Handle(FHandle), position, nullptr, FILE_BEGIN))
    Fail("Não foi possível gravar o arquivo", FPath, GetLastError());
}

uint64_t TFileWriter::Size() const {
  LARGE_INTEGER size;
  if (FHandle == kNoHandle || !GetFileSizeEx(Handle(FHandle), &size))
    Fail("Não foi possível ler o arquivo", FPath, FHandle == kNoHandle ? ERROR_INVALID_HANDLE : GetLastError());
  return static_cast<uint64_t>(size.QuadPart);
}

void TFileWriter::Flush() {
  if (FHandle == kNoHandle) Fail("Não foi possível gravar o arquivo", FPath, ERROR_INVALID_HANDLE);
  if (!FlushFileBuffers(Handle(FHandle))) Fail("Não foi possível gravar o arquivo", FPath, GetLastError());
}

void TFileWriter::Close() {
  if (FHandle == kNoHandle) return;
  if (!CloseHandle(Handle(std::exchange(FHandle, kNoHandle))))
    Fail("Não foi possível gravar o arquivo", FPath, GetLastError());
}

}  // namespace Infrastructure::Platform
