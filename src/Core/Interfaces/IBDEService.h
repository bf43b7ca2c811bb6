#pragma once
#include <string>

#include "Core/Interfaces/Progress.h"
#include "Core/ValueObjects/DownloadCheck.h"

namespace Core::Interfaces {

struct TBDEInstallStatus {
  bool IsInstalled = false;
  std::string Version;
  std::string InstallPath;
  bool NeedsUpdate = false;
};

class IBDEService {
public:
  virtual ~IBDEService() = default;
  virtual TBDEInstallStatus CheckBDEInstalled() = 0;
  virtual bool IsBDEInstalled() = 0;
  virtual std::string GetBDEVersion() = 0;
  virtual std::string GetBDEPath() = 0;
  virtual bool InstallBDE(const std::string& AInstallerPath, TProgressProc AOnProgress) = 0;
  // The download is checked against ACheck before the installer runs elevated;
  // one that does not match throws Core::EDownloadVerificationError.
  virtual bool InstallBDEFromURL(const std::string& AUrl, const std::string& ADestPath, TProgressProc AOnProgress,
                                 const Core::ValueObjects::TDownloadCheck& ACheck = {}) = 0;
  virtual bool ConfigureBDE(const std::string& AConfigPath) = 0;
};

}  // namespace Core::Interfaces
