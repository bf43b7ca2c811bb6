#pragma once
#include <string>

#include "Core/Interfaces/Progress.h"
#include "Core/ValueObjects/DownloadCheck.h"

namespace Core::Interfaces {

class IFileService {
public:
  virtual ~IFileService() = default;
  virtual bool FileExists(const std::string& APath) = 0;
  virtual bool DirectoryExists(const std::string& APath) = 0;
  // Canonical "%d.%d.%d.%d"; "0.0.0.0" when no source gives a version.
  virtual std::string ReadVersionFromFile(const std::string& AFilePath) = 0;
  // Full path of the application executable, or "" when none is found.
  virtual std::string GetApplicationExecutable() = 0;
  // Folder of GetApplicationExecutable; throws Core::EArgumentError when there is none.
  virtual std::string GetApplicationPath() = 0;
  virtual bool DownloadFile(const std::string& AUrl, const std::string& ADestinationPath,
                            TProgressProc AOnProgress = {}) = 0;
  // Like DownloadFile, hashing as bytes arrive and cutting off a body past
  // ACheck.Size at once; on every verdict other than Ok the destination file
  // is removed. An empty check answers Ok or Failed only.
  virtual Core::ValueObjects::TDownloadVerdict DownloadVerifiedFile(const std::string& AUrl,
                                                                    const std::string& ADestinationPath,
                                                                    const Core::ValueObjects::TDownloadCheck& ACheck,
                                                                    TProgressProc AOnProgress = {}) = 0;
};

}  // namespace Core::Interfaces
