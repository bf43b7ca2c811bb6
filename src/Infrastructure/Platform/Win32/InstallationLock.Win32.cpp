#include <windows.h>

#include <sddl.h>

#include <cstdint>

#include "Infrastructure/Platform/FileSystem.h"
#include "Infrastructure/Platform/InstallationLock.h"
#include "Infrastructure/Platform/Win32/WinText.h"

namespace Infrastructure::Platform {

namespace {

// One name per folder, whatever the case or form of its path: the folder's
// final path as the system resolves it, so a mapped drive and its UNC path, a
// short name and a link to the folder give one name; the path as spelled when
// the folder cannot be opened.
std::wstring MutexName(const std::string& AFolder) {
  std::wstring spelled = Win32::ToWide(AbsolutePath(AFolder));
  wchar_t final[MAX_PATH * 2];
  wchar_t* path = spelled.data();
  DWORD length = static_cast<DWORD>(spelled.size());
  // A plain handle, closed before anything can throw: a guard object would cost the launcher an unwinding table.
  const HANDLE folder = CreateFileW(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (folder != INVALID_HANDLE_VALUE) {
    const DWORD resolved = GetFinalPathNameByHandleW(folder, final, MAX_PATH * 2, FILE_NAME_NORMALIZED);
    CloseHandle(folder);
    if (resolved != 0 && resolved < MAX_PATH * 2) {
      path = final;
      length = resolved;
    }
  }
  CharUpperBuffW(path, length);
  while (length > 0 && (path[length - 1] == L'\\' || path[length - 1] == L'/')) --length;
  uint64_t hash = 14695981039346656037ull;  // FNV-1a
  for (DWORD index = 0; index < length; ++index) {
    hash ^= static_cast<uint16_t>(path[index]);
    hash *= 1099511628211ull;
  }
  wchar_t name[80];
  wsprintfW(name, L"Global\\QuorvaneSoftLauncher.Update.%08lx%08lx", static_cast<unsigned long>(hash >> 32),
            static_cast<unsigned long>(hash));
  return name;
}

class TMutexLock final : public Core::Interfaces::IInstallationLock {
 public:
  explicit TMutexLock(const std::string& AFolder) {
    const std::wstring name = MutexName(AFolder);
    // Every user of the machine may wait on it: on a terminal server the
    // launchers of all sessions share one application folder.
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    SECURITY_ATTRIBUTES attributes{sizeof(attributes), nullptr, FALSE};
    if (ConvertStringSecurityDescriptorToSecurityDescriptorW(L"D:(A;;0x1F0001;;;WD)", SDDL_REVISION_1, &descriptor,
                                                             nullptr))
      attributes.lpSecurityDescriptor = descriptor;
    FMutex = CreateMutexW(&attributes, FALSE, name.c_str());
    if (FMutex == nullptr) FMutex = OpenMutexW(SYNCHRONIZE | MUTEX_MODIFY_STATE, FALSE, name.c_str());
    if (descriptor != nullptr) LocalFree(descriptor);
  }
  ~TMutexLock() override {
    Release();
    if (FMutex != nullptr) CloseHandle(FMutex);
  }
  TMutexLock(const TMutexLock&) = delete;
  TMutexLock& operator=(const TMutexLock&) = delete;

  bool TryAcquire() override {
    if (FHeld) return true;
    if (FMutex == nullptr) return false;  // someone else's, out of reach: treated as busy
    const DWORD result = WaitForSingleObject(FMutex, 0);
    FHeld = result == WAIT_OBJECT_0 || result == WAIT_ABANDONED;  // abandoned: its holder died
    return FHeld;
  }
  void Release() override {
    if (FHeld) ReleaseMutex(FMutex);
    FHeld = false;
  }

 private:
  HANDLE FMutex = nullptr;
  bool FHeld = false;
};

}  // namespace

std::unique_ptr<Core::Interfaces::IInstallationLock> CreateInstallationLock(const std::string& AFolder) {
  return std::make_unique<TMutexLock>(AFolder);
}

}  // namespace Infrastructure::Platform
