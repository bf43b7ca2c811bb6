#include <windows.h>

#include <algorithm>
#include <atomic>

#include "Core/Errors.h"
#include "Infrastructure/Platform/FileSystem.h"
#include "Infrastructure/Platform/Win32/Handles.h"
#include "Infrastructure/Platform/Win32/WinText.h"

namespace Infrastructure::Platform {

using Win32::FromWide;
using Win32::TFileHandle;
using Win32::TFindHandle;
using Win32::ToWide;

namespace {

[[noreturn]] void Fail(const std::string& AWhat, const std::string& APath, DWORD ACode) {
  Win32::ThrowFileError(AWhat, APath, ACode);
}

// Attributes of what the path names, following a symbolic link to its target.
bool TargetAttributes(const std::string& APath, DWORD& AAttributes) {
  const std::wstring path = ToWide(APath);
  AAttributes = GetFileAttributesW(path.c_str());
  if (AAttributes == INVALID_FILE_ATTRIBUTES) return false;
  if ((AAttributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) return true;
  TFileHandle target(CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                 OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  BY_HANDLE_FILE_INFORMATION info;
  if (!target || !GetFileInformationByHandle(target.Get(), &info)) return false;  // a dangling link
  AAttributes = info.dwFileAttributes;
  return true;
}

}  // namespace

bool FileExists(const std::string& APath) {
  DWORD attributes;
  return !APath.empty() && TargetAttributes(APath, attributes) && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool DirectoryExists(const std::string& APath) {
  DWORD attributes;
  return !APath.empty() && TargetAttributes(APath, attributes) && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

std::vector<TDirectoryEntry> ListDirectory(const std::string& ADirectory) {
  std::vector<TDirectoryEntry> entries;
  WIN32_FIND_DATAW data;
  TFindHandle find(FindFirstFileExW(ToWide(JoinPath(ADirectory, "*")).c_str(), FindExInfoBasic, &data,
                                    FindExSearchNameMatch, nullptr, 0));
  if (!find) return entries;
  do {
    const std::wstring_view name(data.cFileName);
    if (name == L"." || name == L"..") continue;
    entries.push_back({FromWide(name), (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0,
                       (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0});
  } while (FindNextFileW(find.Get(), &data));
  return entries;
}

namespace {
// AExisting: a folder already there (made meanwhile by another process) is taken as made.
void MakeFolder(const std::string& APath, bool AExisting) {
  if (!CreateDirectoryW(ToWide(APath).c_str(), nullptr)) {
    const DWORD error = GetLastError();
    if (!(AExisting && error == ERROR_ALREADY_EXISTS && DirectoryExists(APath)))
      Fail("Não foi possível criar a pasta", APath, error);
  }
}
}  // namespace

void CreateDirectories(const std::string& APath) {
  if (APath.empty() || DirectoryExists(APath)) return;
  const std::string parent = ParentPath(APath);
  if (!parent.empty() && parent != APath) CreateDirectories(parent);
  MakeFolder(APath, true);
}

void CreateNewDirectory(const std::string& APath) { MakeFolder(APath, false); }

// The attributes of the name itself: Windows does not follow a link here.
bool IsLink(const std::string& APath) {
  const DWORD attributes = GetFileAttributesW(ToWide(APath).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

void ReplaceFileAtomically(const std::string& ASource, const std::string& ADestination) {
  if (!MoveFileExW(ToWide(ASource).c_str(), ToWide(ADestination).c_str(),
                   MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
    Fail("Não foi possível substituir o arquivo", ADestination, GetLastError());
}

void ReplaceFileKeepingAttributes(const std::string& ASource, const std::string& ADestination) {
  const std::wstring source = ToWide(ASource);
  const std::wstring destination = ToWide(ADestination);
  const DWORD attributes = GetFileAttributesW(destination.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES)
    Fail("Não foi possível substituir o arquivo", ADestination, GetLastError());
  // ReplaceFileW answers a read-only file with a less telling error.
  if ((attributes & FILE_ATTRIBUTE_READONLY) != 0)
    Fail("Não foi possível substituir o arquivo", ADestination, ERROR_ACCESS_DENIED);
  {
    // A program holding the file without sharing its deletion blocks the
    // replace; Wine's ReplaceFileW then leaves a file of its own beside it.
    const TFileHandle probe(CreateFileW(destination.c_str(), DELETE,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                        0, nullptr));
    if (!probe) Fail("Não foi possível substituir o arquivo", ADestination, GetLastError());
  }
  constexpr DWORD kKept = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE |
                          FILE_ATTRIBUTE_NOT_CONTENT_INDEXED | FILE_ATTRIBUTE_OFFLINE;
  // The new content is on disk already: the caller flushed it.
  if (!ReplaceFileW(destination.c_str(), source.c_str(), nullptr,
                    REPLACEFILE_IGNORE_MERGE_ERRORS | REPLACEFILE_IGNORE_ACL_ERRORS, nullptr, nullptr)) {
    const DWORD error = GetLastError();
    // Without a backup name, ERROR_UNABLE_TO_MOVE_REPLACEMENT can leave the
    // old file deleted and the new one under its temporary name.
    if (FileExists(ADestination) || !MoveFileExW(source.c_str(), destination.c_str(), MOVEFILE_WRITE_THROUGH))
      Fail("Não foi possível substituir o arquivo", ADestination, error);
  }
  // Wine's ReplaceFileW, and the plain move above, leave the new file's own attributes.
  const DWORD now = GetFileAttributesW(destination.c_str());
  if (now != INVALID_FILE_ATTRIBUTES && (now & kKept) != (attributes & kKept))
    SetFileAttributesW(destination.c_str(), (now & ~kKept) | (attributes & kKept));
}

void OverwriteFile(const std::string& APath, std::string_view AContent) {
  // OPEN_EXISTING: truncating on open is refused for a hidden or system file.
  TFileHandle file(CreateFileW(ToWide(APath).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) Fail("Não foi possível gravar o arquivo", APath, GetLastError());
  for (size_t done = 0; done < AContent.size();) {
    DWORD put = 0;
    const DWORD want = static_cast<DWORD>(std::min<size_t>(AContent.size() - done, 1u << 30));
    if (!WriteFile(file.Get(), AContent.data() + done, want, &put, nullptr))
      Fail("Não foi possível gravar o arquivo", APath, GetLastError());
    if (put == 0) Fail("Não foi possível gravar o arquivo", APath, ERROR_DISK_FULL);
    done += put;
  }
  if (!SetEndOfFile(file.Get()) || !FlushFileBuffers(file.Get()))
    Fail("Não foi possível gravar o arquivo", APath, GetLastError());
}

bool RemoveFile(const std::string& APath) {
  return DeleteFileW(ToWide(APath).c_str()) || GetLastError() == ERROR_FILE_NOT_FOUND ||
         GetLastError() == ERROR_PATH_NOT_FOUND;
}

void MovePath(const std::string& ASource, const std::string& ADestination) {
  if (!MoveFileExW(ToWide(ASource).c_str(), ToWide(ADestination).c_str(), MOVEFILE_WRITE_THROUGH))
    Fail("Não foi possível mover o arquivo", ASource, GetLastError());
}

bool RemoveEmptyDirectory(const std::string& APath) { return RemoveDirectoryW(ToWide(APath).c_str()) != 0; }

std::optional<uint64_t> FreeDiskSpace(const std::string& APath) {
  ULARGE_INTEGER available;
  if (!GetDiskFreeSpaceExW(ToWide(APath).c_str(), &available, nullptr, nullptr)) return std::nullopt;
  return available.QuadPart;
}

std::optional<uint64_t> LastWriteTime(const std::string& APath) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExW(ToWide(APath).c_str(), GetFileExInfoStandard, &data)) return std::nullopt;
  return static_cast<uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32 | data.ftLastWriteTime.dwLowDateTime;
}

TPathState QueryPath(const std::string& APath) {
  DWORD attributes;
  if (APath.empty() || !TargetAttributes(APath, attributes)) return TPathState::Missing;
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return TPathState::Directory;
  return (attributes & FILE_ATTRIBUTE_READONLY) != 0 ? TPathState::ReadOnlyFile : TPathState::File;
}

void HidePath(const std::string& APath) {
  const std::wstring path = ToWide(APath);
  const DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES) SetFileAttributesW(path.c_str(), attributes | FILE_ATTRIBUTE_HIDDEN);
}

std::string ModuleFileName() {
  std::wstring buffer(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0) return {};
    if (length < buffer.size()) {
      buffer.resize(length);
      return FromWide(buffer);
    }
    buffer.resize(buffer.size() * 2);  // installed below a long path
  }
}

}  // namespace Infrastructure::Platform

namespace Infrastructure::Platform {

namespace {
// "C:\Temp\" -> "C:\Temp"; a root ("C:\") keeps its separator.
std::string WithoutTrailingSeparator(std::string APath) {
  while (APath.size() > 1 && (APath.back() == '\\' || APath.back() == '/') && !(APath.size() == 3 && APath[1] == ':'))
    APath.pop_back();
  return APath;
}
}  // namespace

std::string TemporaryDirectory() {
  wchar_t buffer[MAX_PATH + 2];
  const DWORD length = GetTempPathW(MAX_PATH + 2, buffer);
  if (length == 0 || length > MAX_PATH + 1) return {};
  return WithoutTrailingSeparator(FromWide(std::wstring_view(buffer, length)));
}

std::string AbsolutePath(const std::string& APath) {
  if (APath.empty()) return {};
  const std::wstring path = ToWide(APath);
  std::wstring buffer(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetFullPathNameW(path.c_str(), static_cast<DWORD>(buffer.size()), buffer.data(), nullptr);
    if (length == 0) return APath;
    if (length < buffer.size()) {
      buffer.resize(length);
      return FromWide(buffer);
    }
    buffer.resize(length);
  }
}

}  // namespace Infrastructure::Platform
