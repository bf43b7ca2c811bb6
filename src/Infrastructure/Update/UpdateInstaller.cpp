#include "Infrastructure/Update/UpdateInstaller.h"

#include <cstring>

#include "App/Constants.h"
#include "Core/Entities/VersionInfo.h"
#include "Core/Errors.h"
#include "Core/Text/TextUtils.h"
#include "Infrastructure/Files/PackageSwap.h"
#include "Infrastructure/Files/WindowsFileService.h"
#include "Infrastructure/Files/ZipExtractor.h"
#include "Infrastructure/Platform/DefaultPorts.h"
#include "Infrastructure/Platform/FileStream.h"
#include "Infrastructure/Platform/FileSystem.h"
#include "Infrastructure/Platform/InstallationLock.h"
#include "Infrastructure/Update/PartialInstall.h"

namespace Infrastructure::Update {

using Core::Interfaces::TInstallRequest;
using Core::Interfaces::TPackageKind;
namespace Files = Infrastructure::Files;
namespace Platform = Infrastructure::Platform;

namespace {

// Progress in thousandths: staging takes the first 900, the swap the rest.
constexpr int64_t kScale = 1000;
constexpr int64_t kStagingShare = 900;

void Report(const TInstallRequest& ARequest, int64_t AThousandths) {
  if (ARequest.OnProgress) ARequest.OnProgress(AThousandths, kScale);
}

void CheckCancelled(const TInstallRequest& ARequest) {
  if (ARequest.IsCancelled && ARequest.IsCancelled()) throw Core::EUpdateCancelled("Atualização cancelada");
}

std::string Megabytes(uint64_t ABytes) { return std::to_string((ABytes + 1024 * 1024 - 1) / (1024 * 1024)); }

uint32_t ReadLittleEndian32(const unsigned char* AData) {
  return AData[0] | (AData[1] << 8) | (AData[2] << 16) | (static_cast<uint32_t>(AData[3]) << 24);
}

}  // namespace

bool IsPortableExecutable(const std::string& APath) {
  try {
    Platform::TFileReader file(APath);
    unsigned char header[64];
    if (file.Read(header, sizeof(header)) != sizeof(header) || header[0] != 'M' || header[1] != 'Z') return false;
    const uint32_t offset = ReadLittleEndian32(header + 0x3C);
    unsigned char signature[4];
    return file.ReadAt(offset, signature, sizeof(signature)) == sizeof(signature) &&
           std::memcmp(signature, "PE\0\0", 4) == 0;
  } catch (const std::exception&) {
    return false;
  }
}

TUpdateInstaller::TUpdateInstaller(std::shared_ptr<Core::Interfaces::ITranslator> ATranslator,
                                   std::shared_ptr<Core::Interfaces::IVersionResourceReader> AVersions,
                                   TLockFactory ALocks)
    : FTranslator(std::move(ATranslator)), FVersions(std::move(AVersions)), FLocks(std::move(ALocks)) {
  if (!FVersions) FVersions = Platform::DefaultVersionResourceReader();
  if (!FLocks) FLocks = &Platform::CreateInstallationLock;
}

std::unique_ptr<Core::Interfaces::IInstallationLock> TUpdateInstaller::Lock(const std::string& AFolder) {
  return FLocks(AFolder);
}

std::string TUpdateInstaller::DownloadPath(const std::string& AFolder, const std::string& AExtension) {
  // Never ending in ".exe": the search for the application's executable
  // beside the launcher must not find a download in progress.
  return Platform::JoinPath(AFolder, std::string(Files::kDownloadPrefix) + Files::NewUpdateId() + AExtension + ".part");
}

void TUpdateInstaller::Recover(const std::string& AFolder) { Files::RecoverSwap(AFolder); }

std::string TUpdateInstaller::ProveVersion(const std::string& AExecutable, const std::string& ARequiredVersion) const {
  if (!IsPortableExecutable(AExecutable)) throw Core::EUpdateError(FTranslator->Translate("PackageNotExecutable"));
  const std::string version = Files::VersionFromResource(FVersions->Read(AExecutable));
  if (version == "0.0.0.0") throw Core::EUpdateError(FTranslator->Translate("PackageWithoutVersion"));
  const Core::Entities::TVersionInfo required(ARequiredVersion);
  if (Core::Entities::TVersionInfo(version).IsOlderThan(required.GetFullVersion()))
    throw Core::EUpdateError(FTranslator->TranslateFormat("PackageTooOld", {version, required.GetFullVersion()}));
  return version;
}

void TUpdateInstaller::CheckFreeSpace(const std::string& AFolder, uint64_t ANeeded) const {
  const std::optional<uint64_t> free = Platform::FreeDiskSpace(AFolder);
  const uint64_t needed = ANeeded + ANeeded / 50 + kSpareBytes;
  if (free && *free < needed)
    throw Core::EUpdateError(FTranslator->TranslateFormat("UpdateDiskFull", {Megabytes(needed), Megabytes(*free)}));
}

std::string TUpdateInstaller::ExecutableAmong(const TInstallRequest& ARequest, const std::vector<std::string>& AFiles) {
  const auto carried = [&](std::string_view AName) -> std::string {
    for (const std::string& file : AFiles)
      if (Core::Text::SameTextAscii(file, AName)) return file;
    return {};
  };
  std::string executable;
  if (!ARequest.ApplicationExecutable.empty() &&
      Core::Text::SameTextAscii(Platform::ParentPath(ARequest.ApplicationExecutable), ARequest.Destination))
    executable = carried(Platform::FileNameOf(ARequest.ApplicationExecutable));
  for (const std::string_view name : App::Constants::ApplicationExecutableNames)
    if (executable.empty()) executable = carried(name);
  return executable;
}

Files::TStageCallbacks TUpdateInstaller::StageCallbacks(const TInstallRequest& ARequest) {
  Files::TStageCallbacks callbacks;
  callbacks.IsCancelled = ARequest.IsCancelled;
  callbacks.OnProgress = [ARequest = &ARequest](int64_t ADone, int64_t ATotal) {
    Report(*ARequest, ATotal > 0 ? ADone * kStagingShare / ATotal : 0);
  };
  return callbacks;
}

TUpdateInstaller::TStaged TUpdateInstaller::StageZip(const TInstallRequest& ARequest) {
  if (!Platform::FileExists(ARequest.PackagePath)) throw Core::EUpdateError(FTranslator->Translate("ErrorExtracting"));
  Files::TZipReader reader(ARequest.PackagePath);
  uint64_t total = 0;
  for (const Files::TZipEntry& entry : reader.Entries()) total += entry.UncompressedSize;
  Platform::CreateDirectories(ARequest.Destination);
  CheckFreeSpace(ARequest.Destination, total);
  TStaged staged{
      Files::StageZipArchive(reader, ARequest.Destination, StageCallbacks(ARequest)), ARequest.Destination, {}};

  const std::string executable = ExecutableAmong(ARequest, staged.Package.Files);
  if (!executable.empty()) staged.Executable = Platform::JoinPath(staged.Package.Folder, executable);
  return staged;
}

TUpdateInstaller::TStaged TUpdateInstaller::StageExecutable(const TInstallRequest& ARequest) {
  if (ARequest.Destination.empty())
    throw Core::EUpdateError(
        FTranslator->TranslateFormat("DownloadException", {"executável da aplicação não encontrado"}));
  const std::string folder = Platform::ParentPath(ARequest.Destination);
  const std::string name = Platform::FileNameOf(ARequest.Destination);
  if (!Platform::DirectoryExists(folder))
    throw Core::EUpdateError(FTranslator->TranslateFormat("DownloadException", {"pasta inexistente: " + folder}));
  uint64_t size = 0;
  {
    Platform::TFileReader package(ARequest.PackagePath);
    size = package.Size();
  }
  CheckFreeSpace(folder, size);
  TStaged staged{{Files::CreateStagingFolder(folder), {name}, {}, size}, folder, {}};
  staged.Executable = Platform::JoinPath(staged.Package.Folder, name);
  try {
    bool moved = false;
    if (!ARequest.KeepPackage) {
      try {
        Platform::MovePath(ARequest.PackagePath, staged.Executable);
        moved = true;
      } catch (const Core::EFileSystemError&) {
        // Another volume: copied instead.
      }
    }
    if (!moved) Platform::CopyFileReplacing(ARequest.PackagePath, staged.Executable);
  } catch (...) {
    Files::DiscardStaging(staged.Package.Folder);
    throw;
  }
  return staged;
}

void TUpdateInstaller::Install(const TInstallRequest& ARequest) {
  if (ARequest.ChangedOnly) {
    // The fetcher verified these bytes against the signed document before planning with them.
    std::string why;
    const std::optional<TPackageManifest> manifest = ParsePackageManifest(ARequest.Manifest, &why);
    if (!manifest) throw Core::EUpdateError(FTranslator->TranslateFormat("UpdateFailed", {why}));
    TDeltaPlan plan;
    plan.Entries = ARequest.Entries;
    InstallPartialPackage(*this, ARequest, *manifest, plan);
    return;
  }
  InstallStaged(ARequest,
                [&] { return ARequest.Kind == TPackageKind::Zip ? StageZip(ARequest) : StageExecutable(ARequest); });
}

void TUpdateInstaller::InstallStaged(const TInstallRequest& ARequest, const std::function<TStaged()>& AStage) {
  const bool zip = ARequest.Kind == TPackageKind::Zip;
  TStaged staged;
  bool swapping = false;  // from then on the swap cleans up after itself
  const auto discard = [&] {
    if (!swapping && !staged.Package.Folder.empty()) Files::DiscardStaging(staged.Package.Folder);
  };
  try {
    CheckCancelled(ARequest);
    staged = AStage();
    Report(ARequest, kStagingShare);
    if (!ARequest.RequiredVersion.empty()) {
      if (staged.Executable.empty()) throw Core::EUpdateError(FTranslator->Translate("PackageWithoutExecutable"));
      ProveVersion(staged.Executable, ARequest.RequiredVersion);
    }
    // The last moment to stop: once the swap begins it is finished or undone.
    CheckCancelled(ARequest);
    swapping = true;
    Files::SwapIn(staged.Package, staged.Folder, [&](int64_t ADone, int64_t ATotal) {
      Report(ARequest, kStagingShare + (ATotal > 0 ? ADone * (kScale - kStagingShare) / ATotal : 0));
    });
    if (ARequest.OnFileReplaced)
      for (const std::string& file : staged.Package.Files)
        ARequest.OnFileReplaced(Platform::JoinPath(staged.Folder, file));
  } catch (const Core::EUpdateError&) {
    discard();
    throw;
  } catch (const Core::EFileSystemError& e) {
    discard();
    const std::string file = e.Path().empty() ? e.what() : e.Path();
    // The folder the update writes in, as the user knows it (not the hidden staging folder).
    const std::string folder = zip ? ARequest.Destination : Platform::ParentPath(ARequest.Destination);
    const Platform::TPathState state = e.Path().empty() ? Platform::TPathState::Missing : Platform::QueryPath(e.Path());
    const bool aFile = state == Platform::TPathState::File || state == Platform::TPathState::ReadOnlyFile;
    switch (e.Kind()) {
      case Core::TFileErrorKind::InUse:
        throw Core::EUpdateError(FTranslator->TranslateFormat("UpdateFileInUse", {file}));
      case Core::TFileErrorKind::AccessDenied:
        // One file an administrator protected, or a folder this user may not change at all.
        if (aFile) throw Core::EUpdateError(FTranslator->TranslateFormat("UpdateAccessDenied", {file}));
        throw Core::EUpdateError(FTranslator->TranslateFormat("FolderNotWritable", {folder}));
      case Core::TFileErrorKind::DiskFull:
        throw Core::EUpdateError(FTranslator->TranslateFormat("FolderDiskFull", {folder}));
      default:
        break;
    }
    if (!zip) throw Core::EUpdateError(FTranslator->TranslateFormat("DownloadException", {e.what()}));
    throw Core::EUpdateError(FTranslator->TranslateFormat("UpdateNotInstalled", {e.what()}));
  } catch (const std::exception& e) {
    discard();
    // The archive's own faults: corrupt, unsafe, unreadable.
    if (zip) throw Core::EUpdateError(FTranslator->Translate("ErrorExtracting"));
    throw Core::EUpdateError(FTranslator->TranslateFormat("DownloadException", {e.what()}));
  }
}

}  // namespace Infrastructure::Update
