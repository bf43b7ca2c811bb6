#pragma once
// Installing a ZIP package fetched in part: only the files a delta plan found
// changed are staged, checked against the manifest and swapped in, through
// the installer's one road after staging. A unit of its own so that the
// launcher links it only where an update fetches by ranges.
#include "Core/Interfaces/IUpdateInstaller.h"
#include "Infrastructure/Update/DeltaPlan.h"
#include "Infrastructure/Update/PackageManifest.h"
#include "Infrastructure/Update/UpdateInstaller.h"

namespace Infrastructure::Update {

// ARequest is a ZIP request (Kind Zip) whose PackagePath holds the records of
// APlan.Entries at their offsets in the package (the rest of the file may be
// anything: zeros, or nothing past the last record); AManifest is the
// verified manifest APlan was made from for ARequest.Destination; APlan is
// not a whole-package one (that package goes through Install). Every other
// installed file stays untouched. The version proof takes the package's
// executable when it changed, else the installed one, once it is found still
// to be the manifest's entry. Throws Core::EUpdateError
// (Core::EUpdateCancelled) as TUpdateInstaller::Install does, the
// installation then left as it was.
void InstallPartialPackage(TUpdateInstaller& AInstaller, const Core::Interfaces::TInstallRequest& ARequest,
                           const TPackageManifest& AManifest, const TDeltaPlan& APlan);

}  // namespace Infrastructure::Update
