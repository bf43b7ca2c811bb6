#include "windows/WindowsTestSupport.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <system_error>

#include "Infrastructure/BDE/WindowsBDEService.h"
#include "Infrastructure/Platform/FileSystem.h"
#include "Infrastructure/Platform/Win32/WinText.h"
#include "Infrastructure/Platform/Win32/WindowsRegistry.h"
#include "support/Utf8Path.h"

using Core::Interfaces::TRegistryHive;
using Infrastructure::Platform::DirectoryExists;
using Infrastructure::Platform::Win32::ToWide;

namespace TestSupport {

int64_t RunProgram(const std::string& AExecutable, const std::string& AArguments, uint32_t ATimeoutMs) {
  TRunningProgram program(AExecutable, AArguments);
  if (!program.Started()) return -1;
  return program.Wait(ATimeoutMs);  // stopped on leaving when it has not ended
}

TRunningProgram::TRunningProgram(const std::string& AExecutable, const std::string& AArguments) {
  std::wstring commandLine = L"\"" + ToWide(AExecutable) + L"\"";
  if (!AArguments.empty()) commandLine += L" " + ToWide(AArguments);
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
    return;
  CloseHandle(process.hThread);
  FProcess = process.hProcess;
  FId = process.dwProcessId;
}

TRunningProgram::~TRunningProgram() {
  if (FProcess == nullptr) return;
  if (WaitForSingleObject(FProcess, 0) == WAIT_TIMEOUT) {
    TerminateProcess(FProcess, 1);
    WaitForSingleObject(FProcess, 5000);
  }
  CloseHandle(FProcess);
}

int64_t TRunningProgram::Wait(uint32_t ATimeoutMs) {
  if (FProcess == nullptr) return -1;
  if (WaitForSingleObject(FProcess, ATimeoutMs) != WAIT_OBJECT_0) return -2;
  DWORD code = 0;
  GetExitCodeProcess(FProcess, &code);
  return code;
}

namespace {

const std::string kKey(Infrastructure::BDE::kBDEKeyPath);
const std::string kWowKey(Infrastructure::BDE::kBDEKeyPathWow64);
const std::string kDefaultDir(Infrastructure::BDE::kDefaultBDEDirectory);
const std::string kLayersKey(Infrastructure::BDE::kCompatibilityLayersKey);

std::string FirstMissing(std::string APath) {
  std::string missing;
  while (!APath.empty() && !DirectoryExists(APath)) {
    missing = APath;
    const std::string parent = Infrastructure::Platform::ParentPath(APath);
    if (parent == APath) break;
    APath = parent;
  }
  return missing;
}

}  // namespace

TBDEPrefixGuard::TBDEPrefixGuard() {
  Infrastructure::Platform::Win32::TWindowsRegistry registry;
  // Children before parents, so that Restore deletes them in that order.
  for (const std::string& key : {kKey, std::string("SOFTWARE\\Borland"), kWowKey,
                                 std::string("SOFTWARE\\WOW6432Node\\Borland"), std::string("SOFTWARE\\WOW6432Node")})
    FKeys.emplace_back(key, registry.KeyExists(TRegistryHive::LocalMachine, key));
  FHadLayersKey = registry.KeyExists(TRegistryHive::CurrentUser, kLayersKey);
  FFirstMissingFolder = FirstMissing(kDefaultDir);
}

std::string TBDEPrefixGuard::LeftBehind() const {
  Infrastructure::Platform::Win32::TWindowsRegistry registry;
  for (const std::string& key : {kKey, kWowKey})
    if (registry.ValueExists(TRegistryHive::LocalMachine, key, "DLLPATH")) return key + "\\DLLPATH";
  if (DirectoryExists(kDefaultDir)) return kDefaultDir;
  return {};
}

void TBDEPrefixGuard::Restore() {
  Infrastructure::Platform::Win32::TWindowsRegistry registry;
  for (const auto& [key, existed] : FKeys) {
    for (const char* name : {"DLLPATH", "VERSION", "CONFIGFILE"})
      registry.DeleteValue(TRegistryHive::LocalMachine, key, name);
    if (!existed) {
      registry.DeleteKey(TRegistryHive::LocalMachine, key);
    } else {
      EXPECT_TRUE(registry.KeyExists(TRegistryHive::LocalMachine, key)) << key;
    }
  }
  std::error_code ignored;
  if (!FFirstMissingFolder.empty()) std::filesystem::remove_all(PathFromUtf8(FFirstMissingFolder), ignored);
  for (const std::string& name : FCompatibilityValues)
    registry.DeleteValue(TRegistryHive::CurrentUser, kLayersKey, name);
  if (!FHadLayersKey) registry.DeleteKey(TRegistryHive::CurrentUser, kLayersKey);
}

}  // namespace TestSupport
