#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>

#include "Core/Errors.h"
#include "Infrastructure/Platform/Win32/WindowsRegistry.h"

using Core::Interfaces::TRegistryHive;
using Core::Interfaces::TRegistryValueType;
using Infrastructure::Platform::Win32::TWindowsRegistry;

namespace {

const std::string kRoot = "Software\\QuorvaneSoftTest";

struct TCleanKey {
  TCleanKey() { RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\QuorvaneSoftTest"); }
  ~TCleanKey() { RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\QuorvaneSoftTest"); }
};

}  // namespace

TEST(WindowsRegistry, WritesReadsListsAndDeletesInTheRealRegistry) {
  const TCleanKey clean;
  TWindowsRegistry registry;
  const auto HKCU = TRegistryHive::CurrentUser;
  const std::string key = kRoot + "\\ODBC.INI\\Loja Ção";

  EXPECT_FALSE(registry.KeyExists(HKCU, key));
  EXPECT_FALSE(registry.WriteString(HKCU, key, "Server", "x"));  // no key, no write
  EXPECT_EQ(registry.ReadString(HKCU, key, "Server"), std::nullopt);
  EXPECT_TRUE(registry.GetValueNames(HKCU, key).empty());

  ASSERT_TRUE(registry.CreateKey(HKCU, key));  // with its parents
  EXPECT_TRUE(registry.KeyExists(HKCU, kRoot + "\\odbc.ini"));  // names ignore case
  for (const char* name : {"Zeta", "Alfa", "Meio"}) EXPECT_TRUE(registry.WriteString(HKCU, key, name, name));
  EXPECT_TRUE(registry.WriteString(HKCU, key, "Descrição", "Olá €"));
  EXPECT_TRUE(registry.WriteString(HKCU, key, "Vazio", ""));

  // Listed in the registry's own order (Windows: creation order; Wine: sorted).
  std::vector<std::string> names = registry.GetValueNames(HKCU, key);
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"Alfa", "Descrição", "Meio", "Vazio", "Zeta"}));
  EXPECT_EQ(registry.ReadString(HKCU, key, "descrição"), "Olá €");
  EXPECT_EQ(registry.ReadString(HKCU, key, "Vazio"), "");
  EXPECT_EQ(registry.GetValueType(HKCU, key, "Alfa"), TRegistryValueType::String);
  EXPECT_FALSE(registry.ValueExists(HKCU, key, "Nada"));

  EXPECT_TRUE(registry.DeleteValue(HKCU, key, "Meio"));
  EXPECT_FALSE(registry.DeleteValue(HKCU, key, "Meio"));
  EXPECT_TRUE(registry.DeleteKey(HKCU, kRoot + "\\ODBC.INI"));  // with the key below it
  EXPECT_FALSE(registry.KeyExists(HKCU, key));
  EXPECT_FALSE(registry.DeleteKey(HKCU, kRoot + "\\ODBC.INI"));
  EXPECT_FALSE(registry.DeleteKey(HKCU, ""));
}

TEST(WindowsRegistry, StringTypesReadAsStoredAndOtherTypesRaise) {
  const TCleanKey clean;
  TWindowsRegistry registry;
  const auto HKCU = TRegistryHive::CurrentUser;
  ASSERT_TRUE(registry.CreateKey(HKCU, kRoot));
  HKEY key;
  ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\QuorvaneSoftTest", 0, KEY_SET_VALUE, &key), ERROR_SUCCESS);
  const DWORD number = 5;
  RegSetValueExW(key, L"Numero", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof(number));
  const wchar_t expandable[] = L"%SystemRoot%\\BDE";
  RegSetValueExW(key, L"Expandir", 0, REG_EXPAND_SZ, reinterpret_cast<const BYTE*>(expandable), sizeof(expandable));
  const wchar_t unterminated[] = {L'a', L'b'};  // stored without its terminator
  RegSetValueExW(key, L"SemFim", 0, REG_SZ, reinterpret_cast<const BYTE*>(unterminated), sizeof(unterminated));
  RegCloseKey(key);

  EXPECT_EQ(registry.GetValueType(HKCU, kRoot, "Numero"), TRegistryValueType::DWord);
  EXPECT_THROW(registry.ReadString(HKCU, kRoot, "Numero"), Core::ERegistryError);
  EXPECT_EQ(registry.ReadString(HKCU, kRoot, "Expandir"), "%SystemRoot%\\BDE");
  EXPECT_EQ(registry.ReadString(HKCU, kRoot, "SemFim"), "ab");
}

TEST(WindowsRegistry, MachineKeysOfTheLaunchersView) {
  TWindowsRegistry registry;
  const auto HKLM = TRegistryHive::LocalMachine;
  EXPECT_TRUE(registry.KeyExists(HKLM, "Software\\Microsoft\\Windows NT\\CurrentVersion"));
  const std::string key = "Software\\QuorvaneSoftTest\\BDE";
  ASSERT_TRUE(registry.CreateKey(HKLM, key));
  EXPECT_TRUE(registry.WriteString(HKLM, key, "CONFIGFILE", "C:\\x.cfg"));
  EXPECT_EQ(registry.ReadString(HKLM, key, "CONFIGFILE"), "C:\\x.cfg");

  // The keys are the ones a 32-bit program sees: on 64-bit Windows (and for the 64-bit test build
  // under a 64-bit prefix) the 32-bit view, not the 64-bit one.
  const auto opens = [](REGSAM AView) {
    HKEY raw;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"Software\\QuorvaneSoftTest\\BDE", 0, KEY_READ | AView, &raw) !=
        ERROR_SUCCESS)
      return false;
    RegCloseKey(raw);
    return true;
  };
  EXPECT_TRUE(opens(KEY_WOW64_32KEY));
  if (sizeof(void*) == 8) {
    EXPECT_FALSE(opens(KEY_WOW64_64KEY));
  }

  EXPECT_FALSE(registry.DeleteKey(HKLM, key + "\\"));  // a trailing separator names no key
  EXPECT_TRUE(registry.DeleteKey(HKLM, "Software\\QuorvaneSoftTest"));
  EXPECT_FALSE(opens(KEY_WOW64_32KEY));
  EXPECT_FALSE(registry.KeyExists(HKLM, key));
}
