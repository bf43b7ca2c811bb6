#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "Core/Interfaces/IBDEService.h"
#include "Core/Interfaces/IClock.h"
#include "Core/Interfaces/IElevatedProcessRunner.h"
#include "Core/Interfaces/IFileService.h"
#include "Core/Interfaces/IRegistry.h"
#include "Core/Interfaces/ITranslator.h"
#include "Core/ValueObjects/DownloadCheck.h"
#include "Infrastructure/Platform/SealedFolder.h"

namespace Infrastructure::BDE {

inline constexpr std::string_view kBDEKeyPath = "SOFTWARE\\Borland\\Database Engine";
inline constexpr std::string_view kBDEKeyPathWow64 = "SOFTWARE\\WOW6432Node\\Borland\\Database Engine";
inline constexpr std::string_view kDefaultBDEDirectory = "C:\\Program Files (x86)\\Borland\\Common Files\\BDE";
inline constexpr std::string_view kCompatibilityLayersKey =
    "Software\\Microsoft\\Windows NT\\CurrentVersion\\AppCompatFlags\\Layers";
inline constexpr std::string_view kCompatibilityLayers = "~ WINXPSP3 RUNASADMIN";
// The start of the name of the folder an installer runs from (a new one each time).
inline constexpr std::string_view kInstallerFolderPrefix = "ql-bde-";

struct TBDEInstallTimings {
  uint32_t WaitSliceMs = 500;
  uint32_t TimeLimitMs = 300000;
  uint32_t PauseMs = 2000;  // between the end of the installer and the new detection
};

// What the BDE service reaches outside itself. The defaults are the real ones;
// tests bring their own folders, a registry in memory and short waits.
struct TBDEServicePorts {
  std::shared_ptr<Core::Interfaces::IRegistry> Registry;
  std::shared_ptr<Core::Interfaces::IElevatedProcessRunner> ProcessRunner;
  std::shared_ptr<Core::Interfaces::IClock> Clock;
  std::string DefaultBDEDirectory;
  std::string TemporaryDirectory;  // the download folder when the caller names none
  TBDEInstallTimings Timings;
  // The messages of a refused download; the Portuguese catalogue when none.
  std::shared_ptr<Core::Interfaces::ITranslator> Translator;

  static TBDEServicePorts Defaults();
};

// -1, 0 or 1. Parts split at ".", compared as 32-bit integers (0 for a part
// that is not one); with equal shared parts, fewer parts is lower.
int CompareVersions(std::string_view A, std::string_view B);

class TWindowsBDEService : public Core::Interfaces::IBDEService {
 public:
  explicit TWindowsBDEService(std::shared_ptr<Core::Interfaces::IFileService> AFileService);
  TWindowsBDEService(std::shared_ptr<Core::Interfaces::IFileService> AFileService, TBDEServicePorts APorts);

  Core::Interfaces::TBDEInstallStatus CheckBDEInstalled() override;
  bool IsBDEInstalled() override;
  std::string GetBDEVersion() override;
  std::string GetBDEPath() override;
  // Runs a copy of the installer, from a folder of its own, as a download runs.
  bool InstallBDE(const std::string& AInstallerPath, Core::Interfaces::TProgressProc AOnProgress) override;
  // A download that does not match ACheck, or that could be changed or joined
  // by other files before it runs, throws Core::EDownloadVerificationError;
  // the installer never runs then.
  bool InstallBDEFromURL(const std::string& AUrl, const std::string& ADestPath,
                         Core::Interfaces::TProgressProc AOnProgress,
                         const Core::ValueObjects::TDownloadCheck& ACheck = {}) override;
  bool ConfigureBDE(const std::string& AConfigPath) override;

  const std::shared_ptr<Core::Interfaces::IFileService>& FileService() const { return FFileService; }
  const TBDEServicePorts& Ports() const { return FPorts; }

 private:
  std::string ReadBDEValue(const std::string& AName);
  std::string GetBDEPathFromRegistry();
  std::string GetBDEVersionFromRegistry();
  bool CheckBDEFiles(const std::string& APath);
  bool RunInstallerElevated(Platform::TSealedFolder& AFolder, const std::string& AInstaller,
                            const Core::ValueObjects::TDownloadCheck& ACheck, const std::string& ASource,
                            const Core::Interfaces::TProgressProc& AOnProgress);
  bool DetectedAfterPause();
  // Throws Core::EDownloadVerificationError with the message AKey, about ASource.
  [[noreturn]] void Refuse(std::string_view AKey, const std::string& ASource);
  bool WaitForInstaller(Core::Interfaces::IStartedProcess& AProcess,
                        const Core::Interfaces::TProgressProc& AOnProgress);

  std::shared_ptr<Core::Interfaces::IFileService> FFileService;
  TBDEServicePorts FPorts;
};

}  // namespace Infrastructure::BDE
