#include <windows.h>

#include <sddl.h>

#include <cstdint>

#include "Infrastructure/Platform/FileSystem.h"
#include "Infrastructure/Platform/InstallationLock.h"
#include "Infrastructure/Platform/Win32/Handles.h"
#include "Infrastructure/Platform/Win32/WinText.h"

namespace Infrastructure::Platform {

namespace {

// The path the system itself resolves the folder to: a mapped drive and its
// UNC path, a short name, a link to the folder, all give the same one.
std::wstring FinalPath(const std::string& AFolder) {
  std::wstring path = Win32::ToWide(AbsolutePath(AFolder));
  const Win32::TFileHandle folder(CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                              nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  wchar_t final[MAX_PATH * 2];
  const DWORD length = folder ? GetFinalPathNameByHandleW(folder.Get(), final, MAX_PATH * 2, FILE_NAME_NORMALIZED) : 0;
  if (length != 0 && length < MAX_PATH * 2) path.assign(final, length);
  return path;  // a folder that cannot be opened keeps the name its spelling gives
}

// One name per folder, whatever the case or form of its path.
std::wstring MutexName(const std::string& AFolder) {
  std::wstring path = FinalPath(AFolder);
  CharUpperBuffW(path.data(), static_cast<DWORD>(path.size()));
  while (!path.empty() && (path.back() == L'\\' || path.back() == L'/')) path.pop_back();
  uint64_t hash = 14695981039346656037ull;  // FNV-1a
  for (const wchar_t c : path) {
    hash ^= static_cast<uint16_t>(c);
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
