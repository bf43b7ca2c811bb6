#pragma once
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "Core/Interfaces/IFileService.h"
#include "Core/Interfaces/IHttpClient.h"
#include "Core/Interfaces/IRegistry.h"
#include "Core/Interfaces/IVersionResourceReader.h"

namespace Infrastructure::Files {

// What the file service reaches outside itself. The defaults are the real ones;
// tests put the launcher in a folder of their own.
struct TFileServicePorts {
  std::shared_ptr<Core::Interfaces::IRegistry> Registry;
  std::shared_ptr<Core::Interfaces::IVersionResourceReader> VersionResources;
  std::shared_ptr<Core::Interfaces::IHttpClient> Http;
  std::string LauncherPath;                     // the launcher's own executable
  std::vector<std::string> ApplicationFolders;  // fixed installation folders, in search order

  static TFileServicePorts Defaults();
};

// A version text as the version resources and the registry write it: split at
// every "." (no quoting, blanks are content), the first four parts as 32-bit
// integers, anything unreadable 0. Blank text gives "0.0.0.0".
std::string NormalizeVersionText(std::string_view AText);

// What a file's own version block says: the Portuguese string table's
// FileVersion, else the fixed part; "0.0.0.0" when neither gives one.
std::string VersionFromResource(const Core::Interfaces::TVersionResource& AResource);

class TWindowsFileService : public Core::Interfaces::IFileService {
public:
  TWindowsFileService();
  explicit TWindowsFileService(TFileServicePorts APorts);

  bool FileExists(const std::string& APath) override;
  bool DirectoryExists(const std::string& APath) override;
  std::string ReadVersionFromFile(const std::string& AFilePath) override;
  std::string GetApplicationExecutable() override;
  std::string GetApplicationPath() override;
  bool DownloadFile(const std::string& AUrl, const std::string& ADestinationPath,
                    Core::Interfaces::TProgressProc AOnProgress = {}) override;
  Core::ValueObjects::TDownloadVerdict DownloadVerifiedFile(const std::string& AUrl,
                                                            const std::string& ADestinationPath,
                                                            const Core::ValueObjects::TDownloadCheck& ACheck,
                                                            Core::Interfaces::TProgressProc AOnProgress = {}) override;

private:
  std::string ReadVersionFromRegistry();

  TFileServicePorts FPorts;
};

}  // namespace Infrastructure::Files
