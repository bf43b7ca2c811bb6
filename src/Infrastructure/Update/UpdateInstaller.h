#pragma once
// The one path by which an application package is put in place: staged beside
// its destination, checked (every ZIP entry's size and CRC-32, the names, the
// disk space, the application executable's version), then swapped in under a
// journal. The update road and the update service both come through here.
#include <functional>
#include <memory>
#include <string>

#include "Core/Interfaces/ITranslator.h"
#include "Core/Interfaces/IUpdateInstaller.h"
#include "Core/Interfaces/IVersionResourceReader.h"
#include "Infrastructure/Update/DeltaPlan.h"
#include "Infrastructure/Update/PackageManifest.h"

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
  // Installs a ZIP package fetched in part: ARequest.PackagePath holds the
  // records of APlan.Entries at their offsets in the package (the rest of the
  // file may be anything), AManifest is the verified manifest APlan was made
  // from for ARequest.Destination, and APlan is not a whole-package one (use
  // Install for that). Only the changed files are staged, checked against the
  // manifest and swapped in; every other installed file stays untouched. The
  // version proof takes the package's executable when it changed, else the
  // installed one once it is found still to be the manifest's entry. Throws
  // Core::EUpdateError (Core::EUpdateCancelled) as Install does.
  void InstallPartial(const Core::Interfaces::TInstallRequest& ARequest, const TPackageManifest& AManifest,
                      const TDeltaPlan& APlan);
  void Recover(const std::string& AFolder) override;
  std::unique_ptr<Core::Interfaces::IInstallationLock> Lock(const std::string& AFolder) override;
  std::string DownloadPath(const std::string& AFolder, const std::string& AExtension) override;

  // The version a staged executable proves: throws Core::EUpdateError when
  // the file is not a Windows executable, carries no version, or one older
  // than ARequiredVersion.
  std::string ProveVersion(const std::string& AExecutable, const std::string& ARequiredVersion) const;

 private:
  struct TStaged;
  TStaged StageZip(const Core::Interfaces::TInstallRequest& ARequest);
  TStaged StageExecutable(const Core::Interfaces::TInstallRequest& ARequest);
  TStaged StagePartial(const Core::Interfaces::TInstallRequest& ARequest, const TPackageManifest& AManifest,
                       const TDeltaPlan& APlan);
  // Checks, swaps in and reports what AStage staged, turning every failure into Core::EUpdateError.
  void InstallStaged(const Core::Interfaces::TInstallRequest& ARequest, const std::function<TStaged()>& AStage);
  void CheckFreeSpace(const std::string& AFolder, uint64_t ANeeded) const;

  std::shared_ptr<Core::Interfaces::ITranslator> FTranslator;
  std::shared_ptr<Core::Interfaces::IVersionResourceReader> FVersions;
  TLockFactory FLocks;
};

// True when the file starts as a Windows PE image does ("MZ", then "PE\0\0"
// where the DOS header points).
bool IsPortableExecutable(const std::string& APath);

}  // namespace Infrastructure::Update
