#include "Infrastructure/BDE/WindowsBDEService.h"

#include <algorithm>
#include <array>
#include <exception>
#include <utility>
#include <vector>

#include "Core/Errors.h"
#include "Core/Text/IntegerText.h"
#include "Core/ValueObjects/DownloadVerdictKey.h"
#include "Infrastructure/Platform/DefaultPorts.h"
#include "Infrastructure/Translator/PortugueseTranslator.h"
#include "Infrastructure/Platform/FileSystem.h"
#include "Infrastructure/Platform/SystemClock.h"

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

// Printable ASCII without the double quote: text a quoted batch line can carry
// as it is (once "%" is doubled).
bool FitsBatchLine(std::string_view AText) {
  return std::all_of(AText.begin(), AText.end(), [](char c) {
    const auto code = static_cast<unsigned char>(c);
    return code >= 32 && code < 127 && c != '"';
  });
}

// Inside a batch file "%" starts a variable or an argument even between quotes.
std::string EscapePercent(std::string_view AText) {
  std::string out;
  out.reserve(AText.size());
  for (const char c : AText) {
    out += c;
    if (c == '%') out += '%';
  }
  return out;
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

// Removes the file when the scope ends, whatever happened; a failure is ignored.
class TRemoveOnExit {
 public:
  explicit TRemoveOnExit(std::string APath) : FPath(std::move(APath)) {}
  ~TRemoveOnExit() {
    if (Platform::FileExists(FPath)) Platform::RemoveFile(FPath);
  }
  TRemoveOnExit(const TRemoveOnExit&) = delete;
  TRemoveOnExit& operator=(const TRemoveOnExit&) = delete;

 private:
  std::string FPath;
};

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

std::optional<std::string> BuildInstallerBatch(std::string_view AInstallerPath) {
  const std::string name = Platform::FileNameOf(AInstallerPath);
  if (!FitsBatchLine(name)) return std::nullopt;
  // A batch file is read in the console's code page, so a folder outside ASCII
  // cannot be written into it; "%~dp0" is the batch file's own folder, which
  // is the installer's.
  const std::string installer =
      FitsBatchLine(AInstallerPath) ? EscapePercent(AInstallerPath) : "%~dp0" + EscapePercent(name);
  std::string text;
  text += "@echo off\r\n";
  text += "echo Instalando BDE em modo de compatibilidade Windows XP SP3...\r\n";
  text += "reg add \"HKCU\\";
  text += kCompatibilityLayersKey;
  text += "\" /v \"" + installer + "\" /t REG_SZ /d \"";
  text += kCompatibilityLayers;
  text += "\" /f\r\n";
  text += "\"" + installer + "\"\r\n";
  text += "del /f /q \"%~0\"\r\n";
  return text;
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
  const std::string directory = ADestPath.empty() ? FPorts.TemporaryDirectory : ADestPath;
  if (!Platform::DirectoryExists(directory)) Platform::CreateDirectories(directory);
  const std::string target = Platform::JoinPath(directory, InstallerFileName(AUrl));
  if (AOnProgress) AOnProgress(0, 100);
  if (!FFileService) return false;

  // Also after a failed download: the file service leaves a partial file behind.
  TRemoveOnExit removeInstaller(target);
  TProgressProc downloadProgress, installProgress;
  if (AOnProgress) {
    downloadProgress = [AOnProgress](int64_t ACurrent, int64_t ATotal) { AOnProgress(ACurrent / 2, ATotal); };
    installProgress = [AOnProgress](int64_t ACurrent, int64_t ATotal) { AOnProgress(ACurrent / 2 + 50, ATotal); };
  }
  const Core::ValueObjects::TDownloadVerdict verdict =
      FFileService->DownloadVerifiedFile(AUrl, target, ACheck, downloadProgress);
  if (verdict == Core::ValueObjects::TDownloadVerdict::Failed) return false;
  if (verdict != Core::ValueObjects::TDownloadVerdict::Ok)
    throw Core::EDownloadVerificationError(FPorts.Translator->TranslateFormat(
        std::string(Core::ValueObjects::DownloadVerdictKey(verdict)), {AUrl}));
  return InstallBDE(target, installProgress);
}

bool TWindowsBDEService::InstallBDE(const std::string& AInstallerPath, TProgressProc AOnProgress) {
  if (!Platform::FileExists(AInstallerPath)) return false;
  if (!RunInstallerElevated(AInstallerPath, AOnProgress)) return false;
  FPorts.Clock->SleepMilliseconds(FPorts.Timings.PauseMs);
  return IsBDEInstalled();
}

bool TWindowsBDEService::RunInstallerElevated(const std::string& AInstallerPath, const TProgressProc& AOnProgress) {
  if (!Platform::FileExists(AInstallerPath) || !FPorts.ProcessRunner) return false;
  // Absolute, so that the batch file (which runs in the installer's folder)
  // and the compatibility value name this file and no other.
  const std::string installer = Platform::AbsolutePath(AInstallerPath);
  std::string directory = Platform::ParentPath(installer);
  if (directory.empty()) directory = FPorts.TemporaryDirectory;
  const std::string batch = Platform::JoinPath(directory, kInstallerBatchName);

  TElevatedStart start;
  const std::optional<std::string> batchText = BuildInstallerBatch(installer);
  if (batchText) {
    Platform::WriteFileAtomically(batch, *batchText);
    start = FPorts.ProcessRunner->StartElevated(batch, directory);
  } else if (FPorts.Registry &&
             FPorts.Registry->CreateKey(TRegistryHive::CurrentUser, std::string(kCompatibilityLayersKey))) {
    // No ASCII line can name this installer: the value is written here, with
    // its real name, and the installer is started without the batch file.
    FPorts.Registry->WriteString(TRegistryHive::CurrentUser, std::string(kCompatibilityLayersKey), installer,
                                 std::string(kCompatibilityLayers));
  }

  if (start.Status != TElevatedStartStatus::StartedWithProcess) {
    if (batchText && Platform::FileExists(batch) && !Platform::RemoveFile(batch))
      throw Core::EFileSystemError("Não foi possível excluir o arquivo \"" + batch + "\"");
    start = FPorts.ProcessRunner->StartElevated(installer, directory);
    if (start.Status == TElevatedStartStatus::Failed) return false;
    if (start.Status == TElevatedStartStatus::StartedWithoutProcess || !start.Process) return true;
  }
  const bool ended = WaitForInstaller(*start.Process, AOnProgress);
  start.Process->Close();
  return ended;
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
      return false;
    }
    if (wait != TProcessWaitResult::TimedOut) return wait == TProcessWaitResult::Ended;
  }
}

}  // namespace Infrastructure::BDE
