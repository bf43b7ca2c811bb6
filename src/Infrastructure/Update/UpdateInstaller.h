#pragma once
// The one path by which an application package is put in place: staged beside
// its destination, checked (every ZIP entry's size and CRC-32, the names, the
// disk space, the application executable's version), then swapped in under a
// journal. The update road and the update service both come through here.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Core/Interfaces/ITranslator.h"
#include "Core/Interfaces/IUpdateInstaller.h"
#include "Core/Interfaces/IVersionResourceReader.h"
#include "Infrastructure/Files/PackageSwap.h"
#include "Infrastructure/Files/ZipExtractor.h"

namespace Infrastructure::Update {

class TUpdateInstaller : public Core::Interfaces::IUpdateInstaller {
 public:
  using TLockFactory = std::function<std::unique_ptr<Core::Interfaces::IInstallationLock>(const std::string&)>;
  // Room kept free beyond the package itself: the system and the application
  // need some too.
  static constexpr uint64_t kSpareBytes = 16ull * 1024 * 1024;

  // Defaults: the platform's version resources and installation lock.
  explicit TUpdateInstaller(std::shared_ptr<Core::Interfaces::ITranslator> ATranslator,
                            std::shared_ptr<Core::Interfaces::IVersionResourceReader> AVersions = nullptr,
                            TLockFactory ALocks = {});

  void Install(const Core::Interfaces::TInstallRequest& ARequest) override;
  void Recover(const std::string& AFolder) override;
  std::unique_ptr<Core::Interfaces::IInstallationLock> Lock(const std::string& AFolder) override;
  std::string DownloadPath(const std::string& AFolder, const std::string& AExtension) override;

  // The version a staged executable proves: throws Core::EUpdateError when
  // the file is not a Windows executable, carries no version, or one older
  // than ARequiredVersion.
  std::string ProveVersion(const std::string& AExecutable, const std::string& ARequiredVersion) const;

  // For each way of staging a package (whole, an executable, a ZIP fetched in part).
  struct TStaged {
    Files::TStagedPackage Package;
    std::string Folder;      // where it is swapped in
    std::string Executable;  // the executable proving the version; empty when the package carries none
  };
  // The one road after staging: runs AStage, proves the version, swaps in and
  // reports; any failure discards the staging and becomes Core::EUpdateError
  // (Core::EUpdateCancelled), the installation left as it was.
  void InstallStaged(const Core::Interfaces::TInstallRequest& ARequest, const std::function<TStaged()>& AStage);
  // Throws Core::EUpdateError when AFolder's volume lacks room for ANeeded bytes and some to spare.
  void CheckFreeSpace(const std::string& AFolder, uint64_t ANeeded) const;
  // Staging callbacks that move ARequest's progress through the staging share and ask it about cancelling.
  static Files::TStageCallbacks StageCallbacks(const Core::Interfaces::TInstallRequest& ARequest);
  // Of the files a package brings (relative paths), the application executable
  // whose version counts: the package's copy of the installed one, else the
  // first of the application's names it carries at its top; empty for none.
  static std::string ExecutableAmong(const Core::Interfaces::TInstallRequest& ARequest,
                                     const std::vector<std::string>& AFiles);

 private:
  TStaged StageZip(const Core::Interfaces::TInstallRequest& ARequest);
  TStaged StageExecutable(const Core::Interfaces::TInstallRequest& ARequest);

  std::shared_ptr<Core::Interfaces::ITranslator> FTranslator;
  std::shared_ptr<Core::Interfaces::IVersionResourceReader> FVersions;
  TLockFactory FLocks;
};

// True when the file starts as a Windows PE image does ("MZ", then "PE\0\0"
// where the DOS header points).
bool IsPortableExecutable(const std::string& APath);

}  // namespace Infrastructure::Update
