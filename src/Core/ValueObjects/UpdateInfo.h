#pragma once
// One update: the versions involved, where the package comes from and goes, and how far it got.
#include <cstdint>
#include <string>

namespace Core::ValueObjects {

enum class TUpdateStatus { UpToDate, UpdateAvailable, UpdateRequired, Downloading, Installing, Completed, Failed };

class TUpdateInfo {
 public:
  TUpdateInfo() = default;

  // A textual difference, not a version comparison: "1.0" and "1.0.0.0" differ, and a
  // latest version below the current one still counts.
  bool IsUpdateAvailable() const;
  // The current version is older than the minimum, compared as version numbers.
  bool IsUpdateRequired() const;
  // Back to UpToDate with no progress and no error; versions, URL, size and paths stay.
  void Reset();

  const std::string& CurrentVersion() const { return FCurrentVersion; }
  const std::string& MinimumVersion() const { return FMinimumVersion; }
  const std::string& LatestVersion() const { return FLatestVersion; }
  const std::string& DownloadUrl() const { return FDownloadUrl; }
  TUpdateStatus Status() const { return FStatus; }
  int64_t FileSize() const { return FFileSize; }
  const std::string& DownloadPath() const { return FDownloadPath; }
  const std::string& ExtractPath() const { return FExtractPath; }
  int32_t Progress() const { return FProgress; }
  const std::string& ErrorMessage() const { return FErrorMessage; }

  void SetCurrentVersion(const std::string& AValue) { FCurrentVersion = AValue; }
  void SetMinimumVersion(const std::string& AValue) { FMinimumVersion = AValue; }
  void SetLatestVersion(const std::string& AValue) { FLatestVersion = AValue; }
  void SetDownloadUrl(const std::string& AValue) { FDownloadUrl = AValue; }
  void SetStatus(TUpdateStatus AValue) { FStatus = AValue; }
  void SetFileSize(int64_t AValue) { FFileSize = AValue; }
  void SetDownloadPath(const std::string& AValue) { FDownloadPath = AValue; }
  void SetExtractPath(const std::string& AValue) { FExtractPath = AValue; }
  void SetProgress(int32_t AValue) { FProgress = AValue; }
  void SetErrorMessage(const std::string& AValue) { FErrorMessage = AValue; }

 private:
  std::string FCurrentVersion = "0.0.0.0";
  std::string FMinimumVersion = "0.0.0.0";
  std::string FLatestVersion = "0.0.0.0";
  std::string FDownloadUrl;
  TUpdateStatus FStatus = TUpdateStatus::UpToDate;
  int64_t FFileSize = 0;
  std::string FDownloadPath;
  std::string FExtractPath;
  int32_t FProgress = 0;
  std::string FErrorMessage;
};

}  // namespace Core::ValueObjects
