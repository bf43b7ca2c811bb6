#pragma once
// Fetches a ZIP package for the update road: only the entries that differ
// from the installation when a verified manifest allows it, else the whole
// package, resumed where an earlier start was cut. The Win32 and POSIX builds
// share one implementation over the HTTP port.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "Core/Interfaces/Progress.h"
#include "Core/ValueObjects/DownloadCheck.h"

namespace Core::Interfaces {

struct TPackageFetchRequest {
  std::string Url;
  // Published for the package: SHA-256 and size, both required.
  Core::ValueObjects::TDownloadCheck Check;
  // Published for the package's manifest (<Url>.manifest); empty: fetch the whole package.
  Core::ValueObjects::TDownloadCheck ManifestCheck;
  // The installation folder, locked by the caller: what is compared, and where the download goes.
  std::string Folder;
  // Once it is known how much will be fetched: the bytes to fetch, the package's size, and
  // whether only the changed entries are fetched.
  std::function<void(int64_t AToFetch, int64_t APackageSize, bool AChangedOnly)> OnPlanned;
  // (bytes fetched, bytes to fetch) as they arrive.
  TProgressProc OnProgress;
  std::function<bool()> IsCancelled;
};

struct TFetchedPackage {
  Core::ValueObjects::TDownloadVerdict Verdict = Core::ValueObjects::TDownloadVerdict::Failed;
  bool Cancelled = false;
  // Ok: the package, or with ChangedOnly a file holding only the changed entries' records at their
  // offsets in the package. Remove it through Discard once installed or refused.
  std::string Path;
  bool ChangedOnly = false;
  // ChangedOnly: the verified manifest's bytes and the indexes of the entries Path holds.
  std::string Manifest;
  std::vector<size_t> Entries;
  // The package's published SHA-256 (what a resumable download is named after).
  std::string Sha256;
};

class IPackageFetcher {
 public:
  virtual ~IPackageFetcher() = default;
  // Never throws.
  virtual TFetchedPackage Fetch(const TPackageFetchRequest& ARequest) = 0;
  // Removes what Fetch left for APackage (a download kept for the next start included). Never throws.
  virtual void Discard(const TFetchedPackage& APackage) = 0;
};

}  // namespace Core::Interfaces
