#include "Infrastructure/Platform/Win32/WindowsRegistry.h"

#include <windows.h>

#include <utility>

#include "Core/Errors.h"
#include "Infrastructure/Platform/Win32/WinText.h"

namespace Infrastructure::Platform::Win32 {

using Core::Interfaces::TRegistryHive;
using Core::Interfaces::TRegistryValueType;

namespace {

HKEY Root(TRegistryHive AHive) { return AHive == TRegistryHive::CurrentUser ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE; }

// The launcher is a 32-bit program: on 64-bit Windows it sees the 32-bit view of HKLM\SOFTWARE, where the
// BDE and the 32-bit ODBC data sources live. Naming that view is a no-op in the 32-bit build and keeps the
// 64-bit test build on the very same keys.
constexpr REGSAM kProductView = KEY_WOW64_32KEY;

class TRegKey {
public:
  TRegKey() = default;
  ~TRegKey() {
    if (FKey != nullptr) RegCloseKey(FKey);
  }
  TRegKey(const TRegKey&) = delete;
  TRegKey& operator=(const TRegKey&) = delete;

  bool Open(TRegistryHive AHive, const std::string& APath, REGSAM AAccess) {
    return RegOpenKeyExW(Root(AHive), ToWide(APath).c_str(), 0, AAccess | kProductView, &FKey) == ERROR_SUCCESS;
  }
  bool Create(TRegistryHive AHive, const std::string& APath) {
    return RegCreateKeyExW(Root(AHive), ToWide(APath).c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                           KEY_ALL_ACCESS | kProductView, nullptr, &FKey, nullptr) == ERROR_SUCCESS;
  }
  HKEY Get() const { return FKey; }

private:
  HKEY FKey = nullptr;
};

TRegistryValueType TypeOf(DWORD AType) {
  switch (AType) {
    case REG_SZ: return TRegistryValueType::String;
    case REG_EXPAND_SZ: return TRegistryValueType::ExpandString;
    case REG_MULTI_SZ: return TRegistryValueType::MultiString;
    case REG_DWORD: return TRegistryValueType::DWord;
    case REG_QWORD: return TRegistryValueType::QWord;
    case REG_BINARY: return TRegistryValueType::Binary;
    default: return TRegistryValueType::Other;
  }
}

}  // namespace

bool TWindowsRegistry::KeyExists(TRegistryHive AHive, const std::string& AKey) {
  TRegKey key;
  return key.Open(AHive, AKey, KEY_READ);
}

std::vector<std::string> TWindowsRegistry::GetValueNames(TRegistryHive AHive, const std::string& AKey) {
  std::vector<std::string> names;
  TRegKey key;
  if (!key.Open(AHive, AKey, KEY_READ)) return names;
  DWORD longest = 0;
  if (RegQueryInfoKeyW(key.Get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &longest, nullptr,
                       nullptr, nullptr) != ERROR_SUCCESS)
    return names;
  std::wstring buffer(longest + 1, L'\0');
  for (DWORD index = 0;; ++index) {
    DWORD length = static_cast<DWORD>(buffer.size());
    const LSTATUS status =
        RegEnumValueW(key.Get(), index, buffer.data(), &length, nullptr, nullptr, nullptr, nullptr);
    if (status == ERROR_MORE_DATA) {  // a value added while listing
      buffer.resize(buffer.size() * 2);
      --index;
      continue;
    }
    if (status != ERROR_SUCCESS) break;
    names.push_back(FromWide(std::wstring_view(buffer.data(), length)));
  }
  return names;
}

TRegistryValueType TWindowsRegistry::GetValueType(TRegistryHive AHive, const std::string& AKey,
                                                  const std::string& AName) {
  TRegKey key;
  DWORD type = 0;
  if (!key.Open(AHive, AKey, KEY_READ) ||
      RegQueryValueExW(key.Get(), ToWide(AName).c_str(), nullptr, &type, nullptr, nullptr) != ERROR_SUCCESS)
    return TRegistryValueType::Missing;
  return TypeOf(type);
}

std::optional<std::string> TWindowsRegistry::ReadString(TRegistryHive AHive, const std::string& AKey,
                                                        const std::string& AName) {
  TRegKey key;
  if (!key.Open(AHive, AKey, KEY_READ)) return std::nullopt;
  const std::wstring name = ToWide(AName);
  for (;;) {
    DWORD type = 0;
    DWORD size = 0;
    if (RegQueryValueExW(key.Get(), name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
      return std::nullopt;
    if (type != REG_SZ && type != REG_EXPAND_SZ)
      throw Core::ERegistryError("Tipo de dado inválido para o valor \"" + AName + "\" do registro");
    std::wstring data(size / sizeof(wchar_t) + 1, L'\0');
    DWORD got = static_cast<DWORD>(data.size() * sizeof(wchar_t));
    const LSTATUS status =
        RegQueryValueExW(key.Get(), name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &got);
    if (status == ERROR_MORE_DATA) continue;  // the value grew in between
    if (status != ERROR_SUCCESS) return std::nullopt;
    if (type != REG_SZ && type != REG_EXPAND_SZ)
      throw Core::ERegistryError("Tipo de dado inválido para o valor \"" + AName + "\" do registro");
    data.resize(got / sizeof(wchar_t));
    // Stored strings may or may not carry their terminator.
    while (!data.empty() && data.back() == L'\0') data.pop_back();
    return FromWide(data);
  }
}

bool TWindowsRegistry::CreateKey(TRegistryHive AHive, const std::string& AKey) {
  TRegKey key;
  return key.Create(AHive, AKey);
}

bool TWindowsRegistry::WriteString(TRegistryHive AHive, const std::string& AKey, const std::string& AName,
                                   const std::string& AValue) {
  TRegKey key;
  if (!key.Open(AHive, AKey, KEY_SET_VALUE)) return false;
  const std::wstring data = ToWide(AValue);
  return RegSetValueExW(key.Get(), ToWide(AName).c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                        static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
}

bool TWindowsRegistry::DeleteValue(TRegistryHive AHive, const std::string& AKey, const std::string& AName) {
  TRegKey key;
  return key.Open(AHive, AKey, KEY_SET_VALUE) && RegDeleteValueW(key.Get(), ToWide(AName).c_str()) == ERROR_SUCCESS;
}

bool TWindowsRegistry::DeleteKey(TRegistryHive AHive, const std::string& AKey) {
  if (AKey.empty() || AKey.back() == '\\') return false;  // never the hive itself, nor a parent by a trailing slash
  // Deletes the named key itself too, after everything below it. RegDeleteTreeW takes no view, so the
  // parent is opened in the launcher's view and the key named below it.
  const std::size_t slash = AKey.find_last_of('\\');
  TRegKey parent;
  if (slash != std::string::npos && !parent.Open(AHive, AKey.substr(0, slash), KEY_READ)) return false;
  const HKEY base = slash == std::string::npos ? Root(AHive) : parent.Get();
  const std::wstring name = ToWide(slash == std::string::npos ? AKey : AKey.substr(slash + 1));
  return RegDeleteTreeW(base, name.c_str()) == ERROR_SUCCESS;
}

}  // namespace Infrastructure::Platform::Win32
