#include "Infrastructure/Files/WindowsFileService.h"

#include <array>

#include "App/Constants.h"
#include "Core/Errors.h"
#include "Core/Text/IntegerText.h"
#include "Core/Text/TextUtils.h"
#include "Infrastructure/Files/FileDownload.h"
#include "Infrastructure/Platform/DefaultPorts.h"
#include "Infrastructure/Platform/FileSystem.h"

namespace Infrastructure::Files {

using Core::Interfaces::TRegistryHive;
namespace Platform = Infrastructure::Platform;

namespace {

constexpr std::string_view kUnknownVersion = "0.0.0.0";
constexpr std::string_view kVersionKey = "SOFTWARE\\QuorvaneSoft\\Zentaro";
constexpr std::string_view kVersionValue = "CurrentVersion";

std::string FormatVersion(int64_t AMajor, int64_t AMinor, int64_t ABuild, int64_t ARevision) {
  return std::to_string(AMajor) + '.' + std::to_string(AMinor) + '.' + std::to_string(ABuild) + '.' +
         std::to_string(ARevision);
}

bool IsUnknown(const std::string& AVersion) { return AVersion.empty() || AVersion == kUnknownVersion; }

}  // namespace

TFileServicePorts TFileServicePorts::Defaults() {
  return {Platform::DefaultRegistry(), Platform::DefaultVersionResourceReader(), Platform::DefaultHttpClient(),
          Platform::ModuleFileName(),
          {App::Constants::ApplicationFolders.begin(), App::Constants::ApplicationFolders.end()}};
}

std::string NormalizeVersionText(std::string_view AText) {
  if (Core::Text::Trim(AText).empty()) return std::string(kUnknownVersion);
  std::array<int32_t, 4> parts{};
  size_t start = 0;
  for (size_t index = 0; index < parts.size() && start <= AText.size(); ++index) {
    size_t end = AText.find('.', start);
    if (end == std::string_view::npos) end = AText.size();
    parts[index] = Core::Text::StrToInt32Def(AText.substr(start, end - start));
    start = end + 1;
  }
  return FormatVersion(parts[0], parts[1], parts[2], parts[3]);
}

TWindowsFileService::TWindowsFileService() : TWindowsFileService(TFileServicePorts::Defaults()) {}

TWindowsFileService::TWindowsFileService(TFileServicePorts APorts) : FPorts(std::move(APorts)) {}

bool TWindowsFileService::FileExists(const std::string& APath) { return Platform::FileExists(APath); }

bool TWindowsFileService::DirectoryExists(const std::string& APath) { return Platform::DirectoryExists(APath); }

std::string VersionFromResource(const Core::Interfaces::TVersionResource& AResource) {
  std::string result;
  if (AResource.PortugueseFileVersion && !AResource.PortugueseFileVersion->empty())
    result = NormalizeVersionText(*AResource.PortugueseFileVersion);
  if (IsUnknown(result)) {
    const auto& fixed = AResource.FixedFileVersion;
    result = fixed ? FormatVersion((*fixed)[0], (*fixed)[1], (*fixed)[2], (*fixed)[3]) : std::string(kUnknownVersion);
  }
  return result;
}

std::string TWindowsFileService::ReadVersionFromFile(const std::string& AFilePath) {
  std::string result = VersionFromResource(FPorts.VersionResources->Read(AFilePath));
  if (IsUnknown(result)) result = ReadVersionFromRegistry();
  return result;
}

// A value of another type than text raises the registry's error to the caller.
std::string TWindowsFileService::ReadVersionFromRegistry() {
  const std::string key(kVersionKey);
  const std::string value(kVersionValue);
  if (!FPorts.Registry->KeyExists(TRegistryHive::CurrentUser, key) ||
      !FPorts.Registry->ValueExists(TRegistryHive::CurrentUser, key, value))
    return std::string(kUnknownVersion);
  const std::optional<std::string> text = FPorts.Registry->ReadString(TRegistryHive::CurrentUser, key, value);
  return text ? NormalizeVersionText(*text) : std::string(kUnknownVersion);
}

std::string TWindowsFileService::GetApplicationExecutable() {
  const std::string launcherFolder = Platform::ParentPath(FPorts.LauncherPath);
  const std::string launcherName = Platform::FileNameOf(FPorts.LauncherPath);

  for (const std::string_view name : App::Constants::ApplicationExecutableNames) {
    std::string path = Platform::JoinPath(launcherFolder, name);
    if (Platform::FileExists(path)) return path;
  }
  for (const std::string& folder : FPorts.ApplicationFolders)
    for (const std::string_view name : App::Constants::ApplicationExecutableNames) {
      std::string path = Platform::JoinPath(folder, name);
      if (Platform::FileExists(path)) return path;
    }
  // Last resort: any other executable beside the launcher whose full path
  // carries the product's word (case-sensitive, folder included).
  for (const Platform::TDirectoryEntry& entry : Platform::ListDirectory(launcherFolder)) {
    if (entry.IsDirectory || !Core::Text::EndsWithTextAscii(entry.Name, ".exe") ||
        Core::Text::SameTextAscii(entry.Name, launcherName))
      continue;
    std::string path = Platform::JoinPath(launcherFolder, entry.Name);
    if (path.find(App::Constants::ApplicationFilterWord) != std::string::npos) return path;
  }
  return {};
}

std::string TWindowsFileService::GetApplicationPath() {
  const std::string executable = GetApplicationExecutable();
  if (executable.empty())
    throw Core::EArgumentError("Executável da aplicação não encontrado: um nome de arquivo vazio não tem pasta");
  return Platform::ParentPath(executable);
}

bool TWindowsFileService::DownloadFile(const std::string& AUrl, const std::string& ADestinationPath,
                                       Core::Interfaces::TProgressProc AOnProgress) {
  return DownloadToFile(*FPorts.Http, AUrl, ADestinationPath, AOnProgress).Success;
}

Core::ValueObjects::TDownloadVerdict TWindowsFileService::DownloadVerifiedFile(
    const std::string& AUrl, const std::string& ADestinationPath, const Core::ValueObjects::TDownloadCheck& ACheck,
    Core::Interfaces::TProgressProc AOnProgress) {
  return DownloadVerifiedToFile(*FPorts.Http, AUrl, ADestinationPath, ACheck, AOnProgress).Verdict;
}

}  // namespace Infrastructure::Files
