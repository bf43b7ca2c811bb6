#include "support/FolderLink.h"

#include "Infrastructure/Platform/FileSystem.h"
#include "support/Utf8Path.h"

#ifdef _WIN32
#include <windows.h>
#include <winioctl.h>

#include <cstring>
#include <vector>

#include "Infrastructure/Platform/Win32/WinText.h"
#endif

namespace TestSupport {

#ifdef _WIN32
namespace {

using Infrastructure::Platform::Win32::ToWide;

// Wine's own export: the Unix path a Windows path stands for.
using TUnixName = char*(__cdecl*)(const wchar_t*);
TUnixName WineUnixName() {
  return reinterpret_cast<TUnixName>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
}

std::string UnixName(TUnixName AConvert, const std::string& APath) {
  char* name = AConvert(ToWide(APath).c_str());
  if (name == nullptr) return {};
  std::string result = name;
  HeapFree(GetProcessHeap(), 0, name);
  return result;
}

// Wine starts a Unix program given by its Z: path, but its handle does not
// wait for it: the caller waits for the program's effect instead.
bool RunUnix(const std::wstring& AProgram, const std::string& AArguments) {
  std::wstring command = L"\"" + AProgram + L"\" " + ToWide(AArguments);
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(AProgram.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &process))
    return false;
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return true;
}

bool WaitUntilLink(const std::string& APath, bool AWanted) {
  for (int i = 0; i < 100 && Infrastructure::Platform::IsLink(APath) != AWanted; ++i) Sleep(50);
  return Infrastructure::Platform::IsLink(APath) == AWanted;
}

bool MakeJunction(const std::string& ALink, const std::string& ATarget) {
  if (!CreateDirectoryW(ToWide(ALink).c_str(), nullptr)) return false;
  const HANDLE link = CreateFileW(ToWide(ALink).c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (link == INVALID_HANDLE_VALUE) return false;
  // REPARSE_DATA_BUFFER of a mount point: substitute name, then print name, each ending in a null.
  const std::wstring substitute = L"\\??\\" + ToWide(Infrastructure::Platform::AbsolutePath(ATarget));
  const std::wstring print = substitute.substr(4);
  const size_t names = (substitute.size() + 1 + print.size() + 1) * sizeof(wchar_t);
  std::vector<unsigned char> buffer(16 + names);
  const auto put16 = [&](size_t AAt, size_t AValue) {
    buffer[AAt] = static_cast<unsigned char>(AValue);
    buffer[AAt + 1] = static_cast<unsigned char>(AValue >> 8);
  };
  const DWORD tag = IO_REPARSE_TAG_MOUNT_POINT;
  std::memcpy(buffer.data(), &tag, 4);
  put16(4, 8 + names);
  put16(8, 0);
  put16(10, substitute.size() * sizeof(wchar_t));
  put16(12, (substitute.size() + 1) * sizeof(wchar_t));
  put16(14, print.size() * sizeof(wchar_t));
  std::memcpy(buffer.data() + 16, substitute.c_str(), (substitute.size() + 1) * sizeof(wchar_t));
  std::memcpy(buffer.data() + 16 + (substitute.size() + 1) * sizeof(wchar_t), print.c_str(),
              (print.size() + 1) * sizeof(wchar_t));
  DWORD returned = 0;
  const bool made = DeviceIoControl(link, FSCTL_SET_REPARSE_POINT, buffer.data(), static_cast<DWORD>(buffer.size()),
                                    nullptr, 0, &returned, nullptr);
  CloseHandle(link);
  if (!made) RemoveDirectoryW(ToWide(ALink).c_str());
  return made;
}

}  // namespace

TFolderLink::TFolderLink(const std::string& ALink, const std::string& ATarget) : FLink(ALink) {
  if (const TUnixName convert = WineUnixName())
    FMade = RunUnix(L"Z:\\bin\\ln", "-s \"" + UnixName(convert, ATarget) + "\" \"" + UnixName(convert, ALink) + "\"") &&
            WaitUntilLink(ALink, true);
  else
    FMade = MakeJunction(ALink, ATarget) && Infrastructure::Platform::IsLink(ALink);
}

TFolderLink::~TFolderLink() {
  if (!Infrastructure::Platform::IsLink(FLink)) return;
  // Wine's own calls act on what a Unix link points at, so the link goes through rm.
  if (const TUnixName convert = WineUnixName()) {
    if (RunUnix(L"Z:\\bin\\rm", "-f \"" + UnixName(convert, FLink) + "\"")) WaitUntilLink(FLink, false);
  } else
    RemoveDirectoryW(ToWide(FLink).c_str());
}

#else

TFolderLink::TFolderLink(const std::string& ALink, const std::string& ATarget) : FLink(ALink) {
  std::error_code error;
  std::filesystem::create_directory_symlink(PathFromUtf8(ATarget), PathFromUtf8(ALink), error);
  FMade = !error && Infrastructure::Platform::IsLink(ALink);
}

TFolderLink::~TFolderLink() {
  if (Infrastructure::Platform::IsLink(FLink)) std::filesystem::remove(PathFromUtf8(FLink));
}

#endif

}  // namespace TestSupport
