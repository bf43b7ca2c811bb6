#pragma once
// Puts a downloaded application package in place whole or not at all: staged
// beside the destination, checked, then swapped in file by file under a
// journal, so a failure, a kill or a power cut leaves the old version or the
// new one, never a mix.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Core/Interfaces/Progress.h"

namespace Core::Interfaces {

// One update at a time per installation folder, across processes and sessions.
// Held by the thread that acquired it; released on destruction.
class IInstallationLock {
 public:
  virtual ~IInstallationLock() = default;
  // True when this holder now has the folder (also when a holder that died
  // left it behind); false while another launcher has it.
  virtual bool TryAcquire() = 0;
  virtual void Release() = 0;
};

enum class TPackageKind { Zip, Executable };

struct TInstallRequest {
  TPackageKind Kind = TPackageKind::Zip;
  std::string PackagePath;
  // An executable package is moved into place where it can be; kept, it is copied.
  bool KeepPackage = false;
  // A ZIP package is extracted into this folder; an executable package
  // replaces this file.
  std::string Destination;
  // The application executable as installed today (may be empty): a ZIP
  // package's copy of it is the one whose version is proved.
  std::string ApplicationExecutable;
  // The version the package's executable must at least have; empty: no proof asked.
  std::string RequiredVersion;
  // (work done, work in all) while staging and swapping.
  TProgressProc OnProgress;
  // Asked between steps until the swap begins: true abandons the update and
  // leaves everything as it was (EUpdateCancelled).
  std::function<bool()> IsCancelled;
  // Each file of the destination the swap replaced or added, once it is in place.
  std::function<void(const std::string& APath)> OnFileReplaced;
  // A ZIP package fetched in part (IPackageFetcher): PackagePath holds only the records of
  // these entries of the manifest, whose bytes are given; only they are staged and swapped in.
  bool ChangedOnly = false;
  std::string Manifest;
  std::vector<size_t> Entries;
};

class IUpdateInstaller {
 public:
  virtual ~IUpdateInstaller() = default;
  // Throws Core::EUpdateError, whose text tells the user what stopped the
  // update; the installed application is then exactly as it was.
  virtual void Install(const TInstallRequest& ARequest) = 0;
  // Finishes or undoes an update cut short in AFolder and removes what
  // earlier updates left behind (moved-aside files once free, staging
  // folders, downloads). Call with the folder's lock held. Never throws.
  virtual void Recover(const std::string& AFolder) = 0;
  virtual std::unique_ptr<IInstallationLock> Lock(const std::string& AFolder) = 0;
  // A new name in AFolder for a package download (AExtension, ".zip" or
  // ".exe", is part of it but does not end it), unique to this call; Recover
  // removes one left behind.
  virtual std::string DownloadPath(const std::string& AFolder, const std::string& AExtension) = 0;
};

}  // namespace Core::Interfaces
