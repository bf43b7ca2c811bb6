#pragma once
// Drivers and data sources written straight into the prefix's registry with
// advapi32, as a Windows machine has them, for the windows that list and
// write them; each fixture removes again what it wrote.
#include <windows.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "Infrastructure/Platform/Win32/WinText.h"

namespace TestSupport {

inline const std::string kOdbcIni = "Software\\ODBC\\ODBC.INI\\";
inline const std::string kDataSources = kOdbcIni + "ODBC Data Sources";
inline const std::string kOdbcInst = "Software\\ODBC\\ODBCINST.INI\\";
inline const std::string kDrivers = kOdbcInst + "ODBC Drivers";

// The view the launcher reads and writes, a 32-bit program's: the 64-bit test build reaches the same
// keys through it (no-op in the 32-bit build).
inline constexpr REGSAM kLauncherView = KEY_WOW64_32KEY;

inline bool RegSetText(HKEY AHive, const std::string& AKey, const std::string& AName, const std::string& AValue) {
  using Infrastructure::Platform::Win32::ToWide;
  HKEY key;
  if (RegCreateKeyExW(AHive, ToWide(AKey).c_str(), 0, nullptr, 0, KEY_SET_VALUE | kLauncherView, nullptr, &key,
                      nullptr) != ERROR_SUCCESS)
    return false;
  const std::wstring data = ToWide(AValue);
  const bool done = RegSetValueExW(key, ToWide(AName).c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                                   static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
  RegCloseKey(key);
  return done;
}

// A REG_SZ value as stored; nullopt when missing or of another type. AView
// picks a registry view (KEY_WOW64_64KEY...), by default the launcher's.
inline std::optional<std::string> RegGetText(HKEY AHive, const std::string& AKey, const std::string& AName,
                                             REGSAM AView = kLauncherView) {
  using Infrastructure::Platform::Win32::ToWide;
  HKEY key;
  if (RegOpenKeyExW(AHive, ToWide(AKey).c_str(), 0, KEY_READ | AView, &key) != ERROR_SUCCESS) return std::nullopt;
  wchar_t data[512] = {};
  DWORD size = sizeof(data) - sizeof(wchar_t);
  DWORD type = 0;
  const LSTATUS status =
      RegQueryValueExW(key, ToWide(AName).c_str(), nullptr, &type, reinterpret_cast<BYTE*>(data), &size);
  RegCloseKey(key);
  if (status != ERROR_SUCCESS || type != REG_SZ) return std::nullopt;
  return Infrastructure::Platform::Win32::FromWide(data);
}

inline bool RegKeyPresent(HKEY AHive, const std::string& AKey) {
  HKEY key;
  if (RegOpenKeyExW(AHive, Infrastructure::Platform::Win32::ToWide(AKey).c_str(), 0, KEY_READ | kLauncherView, &key) !=
      ERROR_SUCCESS)
    return false;
  RegCloseKey(key);
  return true;
}

inline void RegRemoveValue(HKEY AHive, const std::string& AKey, const std::string& AName) {
  using Infrastructure::Platform::Win32::ToWide;
  HKEY key;
  if (RegOpenKeyExW(AHive, ToWide(AKey).c_str(), 0, KEY_SET_VALUE | kLauncherView, &key) != ERROR_SUCCESS) return;
  RegDeleteValueW(key, ToWide(AName).c_str());
  RegCloseKey(key);
}

// RegDeleteTreeW takes no view: what is below the key goes first, then the empty key in the view.
inline void RegRemoveTree(HKEY AHive, const std::string& AKey) {
  const std::wstring name = Infrastructure::Platform::Win32::ToWide(AKey);
  HKEY key;
  if (RegOpenKeyExW(AHive, name.c_str(), 0, KEY_ALL_ACCESS | kLauncherView, &key) != ERROR_SUCCESS) return;
  RegDeleteTreeW(key, nullptr);
  RegCloseKey(key);
  RegDeleteKeyExW(AHive, name.c_str(), kLauncherView, 0);
}

// What a fixture added; removed in its destructor (and before it starts, in
// case an earlier run was cut short).
class TODBCRegistryFixture {
 public:
  TODBCRegistryFixture() = default;
  TODBCRegistryFixture(const TODBCRegistryFixture&) = delete;
  TODBCRegistryFixture& operator=(const TODBCRegistryFixture&) = delete;
  ~TODBCRegistryFixture() { Clean(); }

  // A driver with its library, listed under ODBC Drivers.
  void AddDriver(const std::string& AName) {
    Forget(HKEY_LOCAL_MACHINE, kDrivers, kOdbcInst, AName);
    FDrivers.push_back(AName);
    RegSetText(HKEY_LOCAL_MACHINE, kDrivers, AName, "Installed");
    RegSetText(HKEY_LOCAL_MACHINE, kOdbcInst + AName, "Driver", LibraryOf(AName));
  }
  // A data source in the hive: list entry, key with its library, server, database and description.
  void AddDataSource(HKEY AHive, const std::string& AName, const std::string& ADriver, const std::string& AServer,
                     const std::string& ADatabase = "", const std::string& ADescription = "Teste") {
    Forget(AHive, kDataSources, kOdbcIni, AName);
    FDataSources.emplace_back(AHive, AName);
    RegSetText(AHive, kDataSources, AName, ADriver);
    RegSetText(AHive, kOdbcIni + AName, "Driver", LibraryOf(ADriver));
    RegSetText(AHive, kOdbcIni + AName, "Server", AServer);
    if (!ADatabase.empty()) RegSetText(AHive, kOdbcIni + AName, "Database", ADatabase);
    RegSetText(AHive, kOdbcIni + AName, "Description", ADescription);
  }
  // A name the window under test may write: removed at the end.
  void WillWrite(HKEY AHive, const std::string& AName) {
    Forget(AHive, kDataSources, kOdbcIni, AName);
    FDataSources.emplace_back(AHive, AName);
  }

  static std::string LibraryOf(const std::string& ADriver) { return "C:\\Windows\\system32\\" + ADriver + ".dll"; }

 private:
  static void Forget(HKEY AHive, const std::string& AList, const std::string& APrefix, const std::string& AName) {
    RegRemoveValue(AHive, AList, AName);
    RegRemoveTree(AHive, APrefix + AName);
  }
  void Clean() {
    for (const std::string& driver : FDrivers) Forget(HKEY_LOCAL_MACHINE, kDrivers, kOdbcInst, driver);
    for (const auto& [hive, name] : FDataSources) Forget(hive, kDataSources, kOdbcIni, name);
  }

  std::vector<std::string> FDrivers;
  std::vector<std::pair<HKEY, std::string>> FDataSources;
};

}  // namespace TestSupport
