#include "Infrastructure/BDE/WindowsBDEService.h"

#include <algorithm>
#include <array>
#include <exception>
#include <optional>
#include <utility>
#include <vector>

#include "Core/Errors.h"
#include "Core/Text/IntegerText.h"
#include "Core/ValueObjects/DownloadVerdictKey.h"
#include "Infrastructure/Crypto/HexDigest.h"
#include "Infrastructure/Files/PackageSwap.h"
#include "Infrastructure/Platform/Crypto.h"
#include "Infrastructure/Platform/DefaultPorts.h"
#include "Infrastructure/Platform/FileStream.h"
#include "Infrastructure/Platform/FileSystem.h"
#include "Infrastructure/Platform/SystemClock.h"
#include "Infrastructure/Translator/PortugueseTranslator.h"

namespace Infrastructure::BDE {

using namespace Core::Interfaces;
namespace Platform = Infrastructure::Platform;

namespace {

constexpr std::array<std::string_view, 2> kBDEKeyPaths = {kBDEKeyPath, kBDEKeyPathWow64};
constexpr std::array<std::string_view, 1> kRequiredFiles = {"bdeadmin.exe"};
constexpr std::string_view kReferenceVersion = "5.2.0.0";
constexpr std::string_view kDefaultInstallerName = "bde_setup.exe";
constexpr uint32_t kHighestWaitPercent = 95;
constexpr uint32_t kStoppedExitCode = 1;
constexpr uint32_t kStopWaitMs = 5000;
constexpr size_t kHashBlock = 8192;

std::vector<std::string_view> SplitAtDots(std::string_view AText) {
  std::vector<std::string_view> parts;
  size_t start = 0;
  for (;;) {
    const size_t dot = AText.find('.', start);
    parts.push_back(AText.substr(start, dot == std::string_view::npos ? std::string_view::npos : dot - start));
    if (dot == std::string_view::npos) return parts;
    start = dot + 1;
  }
}

// The part of the URL after its last "/", "\" or ":".
std::string InstallerFileName(const std::string& AUrl) {
  const size_t last = AUrl.find_last_of("/\\:");
  std::string name = last == std::string::npos ? AUrl : AUrl.substr(last + 1);
  if (name.empty()) return std::string(kDefaultInstallerName);
  const bool invalid = std::any_of(name.begin(), name.end(), [](char c) {
    return static_cast<unsigned char>(c) < 32 || std::string_view("<>\"|?*").find(c) != std::string_view::npos;
  });
  if (invalid)
    throw Core::EArgumentError("A URL do instalador do BDE termina em um nome de arquivo inválido: \"" + name + "\"");
  return name;
}

// Never a folder that exists already: whoever made it could have put
// something in it.
std::string InstallerFolderIn(const std::string& AParent) {
  return Platform::JoinPath(AParent, std::string(kInstallerFolderPrefix) + Files::NewUpdateId());
}

// Read through the handle that will stay open while the installer runs, so
// what was checked is what runs.
bool Matches(Platform::TFileReader& AFile, const Core::ValueObjects::TDownloadCheck& ACheck) {
  if (ACheck.Size >= 0 && AFile.Size() != static_cast<uint64_t>(ACheck.Size)) return false;
  if (ACheck.Sha256.empty()) return true;
  const std::optional<Platform::TSha256Digest> expected = Crypto::ParseSha256Hex(ACheck.Sha256);
  Platform::TSha256 hash;
  char block[kHashBlock];
  while (const size_t read = AFile.Read(block, sizeof(block))) hash.Update(block, read);
  return expected && hash.Finish() == *expected;
}

// Anything beside the installer (a DLL it would load before the system's own,
// for one) was not put there by the launcher.
bool HoldsOnly(const std::string& AFolder, const std::string& AName) {
  const std::vector<Platform::TDirectoryEntry> entries = Platform::ListDirectory(AFolder);
  return entries.size() == 1 && entries[0].Name == AName && !entries[0].IsDirectory && !entries[0].IsLink;
}

}  // namespace

TBDEServicePorts TBDEServicePorts::Defaults() {
  return {Platform::DefaultRegistry(),
          Platform::DefaultElevatedProcessRunner(),
          std::make_shared<Platform::TSystemClock>(),
          std::string(kDefaultBDEDirectory),
          Platform::TemporaryDirectory(),
          TBDEInstallTimings{},
          std::make_shared<Translator::TPortugueseTranslator>()};
}

int CompareVersions(std::string_view A, std::string_view B) {
  const std::vector<std::string_view> left = SplitAtDots(A);
  const std::vector<std::string_view> right = SplitAtDots(B);
  for (size_t i = 0; i < left.size() && i < right.size(); ++i) {
    const int32_t a = Core::Text::StrToInt32Def(left[i]);
    const int32_t b = Core::Text::StrToInt32Def(right[i]);
    if (a != b) return a < b ? -1 : 1;
  }
  if (left.size() != right.size()) return left.size() < right.size() ? -1 : 1;
  return 0;
}

TWindowsBDEService::TWindowsBDEService(std::shared_ptr<IFileService> AFileService)
    : TWindowsBDEService(std::move(AFileService), TBDEServicePorts::Defaults()) {}

TWindowsBDEService::TWindowsBDEService(std::shared_ptr<IFileService> AFileService, TBDEServicePorts APorts)
    : FFileService(std::move(AFileService)), FPorts(std::move(APorts)) {
  // Without a clock the time limit could never be reached.
  if (!FPorts.Clock) FPorts.Clock = std::make_shared<Platform::TSystemClock>();
  if (!FPorts.Translator) FPorts.Translator = std::make_shared<Translator::TPortugueseTranslator>();
}

// Each value comes from the first key path that gives a non-empty one. A value
// of another type than text throws Core::ERegistryError, to the caller.
std::string TWindowsBDEService::ReadBDEValue(const std::string& AName) {
  if (!FPorts.Registry) return {};
  for (const std::string_view key : kBDEKeyPaths) {
    const std::optional<std::string> value =
        FPorts.Registry->ReadString(TRegistryHive::LocalMachine, std::string(key), AName);
    if (value && !value->empty()) return *value;
  }
  return {};
}

std::string TWindowsBDEService::GetBDEPathFromRegistry() {
  return ReadBDEValue("DLLPATH");
}

std::string TWindowsBDEService::GetBDEVersionFromRegistry() {
  return ReadBDEValue("VERSION");
}

bool TWindowsBDEService::CheckBDEFiles(const std::string& APath) {
  if (APath.empty() || !Platform::DirectoryExists(APath)) return false;
  for (const std::string_view name : kRequiredFiles)
    if (!Platform::FileExists(Platform::JoinPath(APath, name))) return false;
  return true;
}

TBDEInstallStatus TWindowsBDEService::CheckBDEInstalled() {
  TBDEInstallStatus status;
  status.InstallPath = GetBDEPathFromRegistry();
  status.Version = GetBDEVersionFromRegistry();
  if (!status.InstallPath.empty()) status.IsInstalled = CheckBDEFiles(status.InstallPath);
  if (!status.IsInstalled && Platform::DirectoryExists(FPorts.DefaultBDEDirectory)) {
    status.InstallPath = FPorts.DefaultBDEDirectory;
    status.IsInstalled = CheckBDEFiles(status.InstallPath);
  }
  if (status.IsInstalled && !status.Version.empty())
    status.NeedsUpdate = CompareVersions(status.Version, kReferenceVersion) < 0;
  return status;
}

bool TWindowsBDEService::IsBDEInstalled() {
  return CheckBDEInstalled().IsInstalled;
}

std::string TWindowsBDEService::GetBDEVersion() {
  return GetBDEVersionFromRegistry();
}

std::string TWindowsBDEService::GetBDEPath() {
  std::string path = GetBDEPathFromRegistry();
  return path.empty() ? FPorts.DefaultBDEDirectory : path;
}

bool TWindowsBDEService::ConfigureBDE(const std::string& AConfigPath) {
  if (!Platform::FileExists(AConfigPath)) return false;
  const std::string target = Platform::JoinPath(GetBDEPath(), Platform::FileNameOf(AConfigPath));
  try {
    // Copied beside the target and put in place in one step: a failed copy
    // keeps the old file, and a source that already is the target is read
    // before anything replaces it (deleting first would lose it).
    Platform::WriteFileAtomically(target, Platform::ReadFileBytes(AConfigPath));
    if (!FPorts.Registry || !FPorts.Registry->CreateKey(TRegistryHive::LocalMachine, std::string(kBDEKeyPath)))
      return true;
    return FPorts.Registry->WriteString(TRegistryHive::LocalMachine, std::string(kBDEKeyPath), "CONFIGFILE", target);
  } catch (const std::exception&) {
    return false;
  }
}

bool TWindowsBDEService::InstallBDEFromURL(const std::string& AUrl, const std::string& ADestPath,
                                           TProgressProc AOnProgress, const Core::ValueObjects::TDownloadCheck& ACheck) {
  if (AUrl.empty()) return false;
  if (IsBDEInstalled()) return true;
  const std::string directory = Platform::AbsolutePath(ADestPath.empty() ? FPorts.TemporaryDirectory : ADestPath);
  if (!Platform::DirectoryExists(directory)) Platform::CreateDirectories(directory);
  const std::string name = InstallerFileName(AUrl);
  if (AOnProgress) AOnProgress(0, 100);
  if (!FFileService) return false;

  // Goes with everything in it, whatever happens (a failed download leaves a partial file).
  Platform::TSealedFolder folder;
  try {
    folder.Create(InstallerFolderIn(directory));
  } catch (const Core::EFileSystemError& e) {
    // The user's own temporary folder refusing a new folder is no fault of the network.
    if (e.Kind() == Core::TFileErrorKind::AccessDenied) Refuse("FolderNotWritable", directory);
    if (e.Kind() == Core::TFileErrorKind::DiskFull) Refuse("FolderDiskFull", directory);
    throw;
  }
  const std::string target = Platform::JoinPath(folder.Path(), name);
  TProgressProc downloadProgress, installProgress;
  if (AOnProgress) {
    downloadProgress = [AOnProgress](int64_t ACurrent, int64_t ATotal) { AOnProgress(ACurrent / 2, ATotal); };
    installProgress = [AOnProgress](int64_t ACurrent, int64_t ATotal) { AOnProgress(ACurrent / 2 + 50, ATotal); };
  }
  const Core::ValueObjects::TDownloadVerdict verdict =
      FFileService->DownloadVerifiedFile(AUrl, target, ACheck, downloadProgress);
  if (verdict == Core::ValueObjects::TDownloadVerdict::Failed) return false;
  if (verdict != Core::ValueObjects::TDownloadVerdict::Ok)
    Refuse(Core::ValueObjects::DownloadVerdictKey(verdict),
           Core::ValueObjects::IsWriteFailure(verdict) ? directory : AUrl);
  return RunInstallerElevated(folder, target, ACheck, AUrl, installProgress) && DetectedAfterPause();
}

bool TWindowsBDEService::InstallBDE(const std::string& AInstallerPath, TProgressProc AOnProgress) {
  if (!Platform::FileExists(AInstallerPath) || !FPorts.ProcessRunner) return false;
  Platform::TSealedFolder folder;
  folder.Create(InstallerFolderIn(FPorts.TemporaryDirectory));
  const std::string installer = Platform::JoinPath(folder.Path(), Platform::FileNameOf(AInstallerPath));
  Platform::CopyFileReplacing(AInstallerPath, installer);
  return RunInstallerElevated(folder, installer, {}, AInstallerPath, AOnProgress) && DetectedAfterPause();
}

void TWindowsBDEService::Refuse(std::string_view AKey, const std::string& ASource) {
  throw Core::EDownloadVerificationError(FPorts.Translator->TranslateFormat(std::string(AKey), {ASource}));
}

bool TWindowsBDEService::DetectedAfterPause() {
  FPorts.Clock->SleepMilliseconds(FPorts.Timings.PauseMs);
  return IsBDEInstalled();
}

// The installer is held open for reading only until it has ended: nobody
// writes, renames or deletes it meanwhile, and it is checked again through
// that hold. Its folder is sealed first and must hold nothing else. The
// installer itself is what is started, so the consent prompt names it and
// nothing the user can write is read after consent; a declined prompt ends
// the installation there.
bool TWindowsBDEService::RunInstallerElevated(Platform::TSealedFolder& AFolder, const std::string& AInstaller,
                                              const Core::ValueObjects::TDownloadCheck& ACheck,
                                              const std::string& ASource, const TProgressProc& AOnProgress) {
  if (!FPorts.ProcessRunner) return false;
  Platform::TFileReader held;
  try {
    held = Platform::TFileReader(AInstaller, Platform::TReadSharing::ReadersOnly);
  } catch (const Core::EFileSystemError&) {
    // Someone still writes it, or it is gone.
  }
  if (!held.IsOpen() || !AFolder.Seal() || !HoldsOnly(AFolder.Path(), Platform::FileNameOf(AInstaller)))
    Refuse("BDEInstallerNotProtected", ASource);
  if (!Matches(held, ACheck)) Refuse("DownloadDigestMismatch", ASource);

  const std::string layersKey(kCompatibilityLayersKey);
  const bool layered = FPorts.Registry && FPorts.Registry->CreateKey(TRegistryHive::CurrentUser, layersKey) &&
                       FPorts.Registry->WriteString(TRegistryHive::CurrentUser, layersKey, AInstaller,
                                                    std::string(kCompatibilityLayers));
  TElevatedStart start = FPorts.ProcessRunner->StartElevated(AInstaller, AFolder.Path());
  // Without a process to wait for, the detection afterwards decides.
  bool ran = start.Status != TElevatedStartStatus::Failed;
  if (start.Process) {
    ran = WaitForInstaller(*start.Process, AOnProgress);
    start.Process->Close();
  }
  // It names a folder that is about to go.
  if (layered) FPorts.Registry->DeleteValue(TRegistryHive::CurrentUser, layersKey, AInstaller);
  return ran;
}

bool TWindowsBDEService::WaitForInstaller(IStartedProcess& AProcess, const TProgressProc& AOnProgress) {
  const TBDEInstallTimings& timings = FPorts.Timings;
  const uint64_t limit = std::max<uint32_t>(timings.TimeLimitMs, 1);
  const uint64_t startTime = FPorts.Clock->NowMilliseconds();
  for (;;) {
    const TProcessWaitResult wait = AProcess.Wait(timings.WaitSliceMs);
    const uint64_t now = FPorts.Clock->NowMilliseconds();
    const uint64_t elapsed = now > startTime ? now - startTime : 0;
    if (AOnProgress)
      AOnProgress(static_cast<int64_t>(std::min<uint64_t>(elapsed * 100 / limit, kHighestWaitPercent)), 100);
    // Before the outcome of the wait: a process that ends in the pass that
    // crosses the limit counts as stopped too.
    if (elapsed > timings.TimeLimitMs) {
      AProcess.Terminate(kStoppedExitCode);
      AProcess.Wait(kStopWaitMs);  // so that its file and folder can go
      return false;
    }
    if (wait != TProcessWaitResult::TimedOut) return wait == TProcessWaitResult::Ended;
  }
}

}  // namespace Infrastructure::BDE
