#pragma once
// The application update from lock to clean-up, as one call: the update use case runs it, the
// update service's operations reach it through this port.
#include <atomic>
#include <cstdint>
#include <string>

#include "Core/ValueObjects/UpdatePlan.h"

namespace Core::Interfaces {

// What an update reports while it runs, on the thread that runs it.
class IUpdateObserver {
 public:
  virtual ~IUpdateObserver() = default;
  // Another launcher holds the installation folder; this one waits for it.
  virtual void WaitingForOtherLauncher() {}
  // Before the first byte: how much will be fetched of a package of APackageSize bytes, and
  // whether that is only what changed from the installation.
  virtual void DownloadPlanned(int64_t /*AToFetch*/, int64_t /*APackageSize*/, bool /*AChangedOnly*/) {}
  // (bytes fetched, bytes to fetch).
  virtual void DownloadProgress(int64_t /*AReceived*/, int64_t /*ATotal*/) {}
  // The package is downloaded and verified. False (the user is closing) abandons the update
  // before anything is touched; once true, the installation runs to its end or undoes itself.
  virtual bool BeginInstallation(bool /*AZip*/) { return true; }
  virtual void InstallationProgress(int64_t /*ADone*/, int64_t /*ATotal*/) {}
};

class IUpdateRoad {
 public:
  virtual ~IUpdateRoad() = default;
  // Lock, recovery, wait for another launcher, version check, verified download, installation,
  // removal of the download. Never throws for a failure of its own: the outcome says it. ACancel
  // is the user closing the launcher: honoured until the installation begins.
  virtual Core::ValueObjects::TUpdateOutcome ExecuteUpdate(const Core::ValueObjects::TUpdatePlan& APlan,
                                                           IUpdateObserver& AObserver,
                                                           const std::atomic<bool>& ACancel) = 0;
};

}  // namespace Core::Interfaces
