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

 private:
  struct TStaged;
  TStaged StageZip(const Core::Interfaces::TInstallRequest& ARequest);
  TStaged StageExecutable(const Core::Interfaces::TInstallRequest& ARequest);
  void CheckFreeSpace(const std::string& AFolder, uint64_t ANeeded) const;

  std::shared_ptr<Core::Interfaces::ITranslator> FTranslator;
  std::shared_ptr<Core::Interfaces::IVersionResourceReader> FVersions;
  TLockFactory FLocks;
};

// True when the file starts as a Windows PE image does ("MZ", then "PE\0\0"
// where the DOS header points).
bool IsPortableExecutable(const std::string& APath);

}  // namespace Infrastructure::Update
