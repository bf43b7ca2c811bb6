#include "Infrastructure/Update/PartialInstall.h"

#include <algorithm>

#include "Infrastructure/Files/PartialPackageStaging.h"
#include "Infrastructure/Files/ZipReader.h"
#include "Infrastructure/Platform/FileSystem.h"

namespace Infrastructure::Update {

namespace Files = Infrastructure::Files;
namespace Platform = Infrastructure::Platform;
using Core::Interfaces::TInstallRequest;

namespace {

TUpdateInstaller::TStaged StagePartial(const TUpdateInstaller& AInstaller, const TInstallRequest& ARequest,
                                       const TPackageManifest& AManifest, const TDeltaPlan& APlan) {
  // Refusals here read as the installer's own for a package it cannot extract.
  if (APlan.WholePackage) throw Files::EZipError("Plano de pacote inteiro para uma instalação parcial.");
  if (!Platform::FileExists(ARequest.PackagePath)) throw Files::EZipError("Pacote parcial ausente.");
  // The files the package brings, each with its entry; the last entry of a name is the one a staging keeps.
  std::vector<std::string> files;
  std::vector<size_t> entryOf;
  for (size_t i = 0; i < AManifest.Entries.size(); ++i) {
    const std::string& name = AManifest.Entries[i].Name;
    const std::optional<std::string> path = Files::SafeRelativePath(name);
    if (!path || name.back() == '/' || name.back() == '\\') continue;
    files.push_back(*path);
    entryOf.push_back(i);
  }
  uint64_t total = 0;
  for (const size_t index : APlan.Entries)
    if (index < AManifest.Entries.size()) total += AManifest.Entries[index].UncompressedSize;
  // An executable the plan found unchanged is proved by the installed copy,
  // which must still be the manifest's entry; checked before anything is written.
  const std::string executable = TUpdateInstaller::ExecutableAmong(ARequest, files);
  size_t executableEntry = 0;
  for (size_t i = 0; i < files.size(); ++i)
    if (Files::NameKey(files[i]) == Files::NameKey(executable)) executableEntry = entryOf[i];
  const bool installedProves = !executable.empty() && std::find(APlan.Entries.begin(), APlan.Entries.end(),
                                                                executableEntry) == APlan.Entries.end();
  if (installedProves && !ARequest.RequiredVersion.empty() &&
      !InstalledFileIs(AManifest.Entries[executableEntry], ARequest.Destination, executable))
    throw Files::EZipError("O executável instalado não é mais o do manifesto.");

  Platform::CreateDirectories(ARequest.Destination);
  AInstaller.CheckFreeSpace(ARequest.Destination, total);
  TUpdateInstaller::TStaged staged{
      Files::StagePartialPackage(ARequest.PackagePath, AManifest, APlan.Entries, ARequest.Destination,
                                 TUpdateInstaller::StageCallbacks(ARequest)),
      ARequest.Destination,
      {}};
  if (installedProves) {
    staged.Executable = Platform::JoinPath(ARequest.Destination, executable);
  } else if (!executable.empty()) {
    for (const std::string& file : staged.Package.Files)
      if (Files::NameKey(file) == Files::NameKey(executable))
        staged.Executable = Platform::JoinPath(staged.Package.Folder, file);
  }
  return staged;
}

}  // namespace

void InstallPartialPackage(TUpdateInstaller& AInstaller, const TInstallRequest& ARequest,
                           const TPackageManifest& AManifest, const TDeltaPlan& APlan) {
  AInstaller.InstallStaged(ARequest, [&] { return StagePartial(AInstaller, ARequest, AManifest, APlan); });
}

}  // namespace Infrastructure::Update
