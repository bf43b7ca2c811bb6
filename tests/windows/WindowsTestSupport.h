#pragma once
// Helpers for tests that run under Wine.
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace TestSupport {

// Starts a program, waits up to ATimeoutMs and answers its exit code
// (-1 when it did not start, -2 when it had to be stopped at the time-out).
int64_t RunProgram(const std::string& AExecutable, const std::string& AArguments, uint32_t ATimeoutMs);

// A program started without waiting for it; stopped when the object goes if
// it is still running.
class TRunningProgram {
 public:
  TRunningProgram(const std::string& AExecutable, const std::string& AArguments = "");
  ~TRunningProgram();
  TRunningProgram(const TRunningProgram&) = delete;
  TRunningProgram& operator=(const TRunningProgram&) = delete;

  bool Started() const { return FProcess != nullptr; }
  unsigned long Id() const { return FId; }
  // The exit code, or -2 when it is still running after ATimeoutMs.
  int64_t Wait(uint32_t ATimeoutMs);

 private:
  void* FProcess = nullptr;
  unsigned long FId = 0;
};

// Puts the prefix back as it was for the BDE: what an installation adds is
// removed, what was there before stays (Wine's own setup creates the first BDE
// key, for settings of its own). Create it before anything is installed.
class TBDEPrefixGuard {
 public:
  TBDEPrefixGuard();
  ~TBDEPrefixGuard() { Restore(); }
  TBDEPrefixGuard(const TBDEPrefixGuard&) = delete;
  TBDEPrefixGuard& operator=(const TBDEPrefixGuard&) = delete;

  // Empty when no BDE from an earlier run is in the prefix; else what is.
  std::string LeftBehind() const;
  // The compatibility value the batch file records for AInstaller goes too.
  void RemoveCompatibilityValueOf(const std::string& AInstaller) { FCompatibilityValues.push_back(AInstaller); }
  // The BDE values, the keys and folders that were missing, and the recorded
  // compatibility values; may be called more than once.
  void Restore();

 private:
  std::vector<std::pair<std::string, bool>> FKeys;  // key, existed before
  bool FHadLayersKey = false;
  std::string FFirstMissingFolder;  // the topmost of the default BDE folder's missing folders
  std::vector<std::string> FCompatibilityValues;
};

}  // namespace TestSupport
