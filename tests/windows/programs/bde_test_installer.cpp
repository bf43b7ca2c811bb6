// A stand-in for the BDE installer. What it does depends on its own file name,
// since the launcher names a download after its URL:
//   "...noop..."  ends without installing;
//   "...slow..."  waits (at most 60 s) for "<name>.stop", then ends without installing;
//   otherwise     puts bdeadmin.exe into the default BDE folder and writes
//                 DLLPATH and VERSION under HKLM\SOFTWARE\Borland\Database Engine.
// The launcher runs it from a folder of its own that it removes afterwards and
// where nobody else may write, so its marks go one folder up, beside that
// folder, under its own name: "<name>.ran" holds its working folder and
// "<name>.layers" the compatibility value recorded for its path while it ran
// (both UTF-16, the latter empty when there was none), and "<name>.ended" is
// written when it leaves. The slow one waits for "<name>.stop" there.
#include <windows.h>

#include <string>

namespace {

const wchar_t kBDEFolder[] = L"C:\\Program Files (x86)\\Borland\\Common Files\\BDE";
const wchar_t kBDEKey[] = L"SOFTWARE\\Borland\\Database Engine";
const wchar_t kLayersKey[] = L"Software\\Microsoft\\Windows NT\\CurrentVersion\\AppCompatFlags\\Layers";

bool WriteWholeFile(const std::wstring& APath, const void* AData, DWORD ASize) {
  HANDLE file = CreateFileW(APath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  const bool ok = WriteFile(file, AData, ASize, &written, nullptr) && written == ASize;
  CloseHandle(file);
  return ok;
}

bool CreateFolders(const std::wstring& APath) {
  if (GetFileAttributesW(APath.c_str()) != INVALID_FILE_ATTRIBUTES) return true;
  const size_t slash = APath.find_last_of(L'\\');
  if (slash != std::wstring::npos && slash > 2 && !CreateFolders(APath.substr(0, slash))) return false;
  return CreateDirectoryW(APath.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS;
}

bool SetString(HKEY AKey, const wchar_t* AName, const std::wstring& AValue) {
  return RegSetValueExW(AKey, AName, 0, REG_SZ, reinterpret_cast<const BYTE*>(AValue.c_str()),
                        static_cast<DWORD>((AValue.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
}

int Install() {
  if (!CreateFolders(kBDEFolder)) return 2;
  const char admin[] = "bdeadmin de teste";
  if (!WriteWholeFile(std::wstring(kBDEFolder) + L"\\bdeadmin.exe", admin, sizeof(admin) - 1)) return 3;
  HKEY key = nullptr;
  // The BDE's own installer is a 32-bit program: its keys are in the 32-bit view.
  if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, kBDEKey, 0, nullptr, 0, KEY_WRITE | KEY_WOW64_32KEY, nullptr, &key,
                      nullptr) != ERROR_SUCCESS)
    return 4;
  const bool ok = SetString(key, L"DLLPATH", kBDEFolder) && SetString(key, L"VERSION", L"5.2.0.0");
  RegCloseKey(key);
  return ok ? 0 : 5;
}

}  // namespace

int main() {
  wchar_t buffer[32768];
  const DWORD length = GetModuleFileNameW(nullptr, buffer, 32768);
  if (length == 0 || length >= 32768) return 10;
  const std::wstring self(buffer, length);
  const size_t slash = self.find_last_of(L'\\');
  std::wstring name = self.substr(slash + 1);
  const std::wstring marks = self.substr(0, self.find_last_of(L'\\', slash - 1) + 1) + name;
  CharLowerW(name.data());

  const DWORD folderLength = GetCurrentDirectoryW(32768, buffer);
  WriteWholeFile(marks + L".ran", buffer, folderLength * sizeof(wchar_t));
  DWORD layersSize = sizeof(buffer);
  if (RegGetValueW(HKEY_CURRENT_USER, kLayersKey, self.c_str(), RRF_RT_REG_SZ, nullptr, buffer, &layersSize) !=
      ERROR_SUCCESS)
    layersSize = sizeof(wchar_t);
  WriteWholeFile(marks + L".layers", buffer, layersSize - sizeof(wchar_t));

  int code = 0;
  if (name.find(L"slow") != std::wstring::npos) {
    const std::wstring stop = marks + L".stop";
    for (int i = 0; i < 600 && GetFileAttributesW(stop.c_str()) == INVALID_FILE_ATTRIBUTES; ++i) Sleep(100);
  } else if (name.find(L"noop") == std::wstring::npos) {
    code = Install();
  }
  WriteWholeFile(marks + L".ended", "", 0);
  return code;
}
