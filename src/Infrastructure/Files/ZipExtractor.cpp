#include "Infrastructure/Files/ZipExtractor.h"

#include <algorithm>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "Core/Errors.h"
#include "Core/Text/TextUtils.h"
#include "Infrastructure/Files/ZipReader.h"
#include "Infrastructure/Platform/FileStream.h"
#include "Infrastructure/Platform/FileSystem.h"

namespace Infrastructure::Files {

namespace Platform = Infrastructure::Platform;

namespace {

// Windows opens a device, not a file, for these names, whatever the extension.
bool IsDeviceName(std::string_view AComponent) {
  std::string_view base = AComponent.substr(0, AComponent.find('.'));
  while (!base.empty() && base.back() == ' ') base.remove_suffix(1);
  for (const std::string_view device : {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"})
    if (Core::Text::SameTextAscii(base, device)) return true;
  if (base.size() < 4) return false;
  const std::string_view prefix = base.substr(0, 3);
  if (!Core::Text::SameTextAscii(prefix, "COM") && !Core::Text::SameTextAscii(prefix, "LPT")) return false;
  const std::string_view number = base.substr(3);
  return (number.size() == 1 && number[0] >= '1' && number[0] <= '9') || number == "\xC2\xB9" || number == "\xC2\xB2" ||
         number == "\xC2\xB3";  // superscript 1, 2, 3
}

bool IsSafeComponent(std::string_view AComponent) {
  for (const char c : AComponent) {
    const auto byte = static_cast<unsigned char>(c);
    // ":" also names a drive or an NTFS alternate stream.
    if (byte < 0x20 || byte == 0x7F || std::string_view(":<>\"|?*").find(c) != std::string_view::npos) return false;
  }
  // ".." leaves the folder; Windows drops trailing dots and blanks, so
  // ".. " would too, and "a." would land on "a".
  if (AComponent.find_first_not_of(". ") == std::string_view::npos) return false;
  if (AComponent.back() == '.' || AComponent.back() == ' ') return false;
  return !IsDeviceName(AComponent);
}

// The staged file's sink: counts what goes through, reports progress and
// asks about cancellation every few MB so a large entry does not hold either up.
class TWatchedSink : public Platform::IByteSink {
 public:
  TWatchedSink(Platform::IByteSink& ATarget, const TStageCallbacks& ACallbacks, uint64_t& ADone, uint64_t ATotal)
      : FTarget(ATarget), FCallbacks(ACallbacks), FDone(ADone), FTotal(ATotal) {}
  using IByteSink::Write;
  void Write(const void* AData, size_t ASize) override {
    FTarget.Write(AData, ASize);
    FDone += ASize;
    FSinceReport += ASize;
    if (FSinceReport >= kReportEvery) {
      FSinceReport = 0;
      Report(FCallbacks, FDone, FTotal);
    }
  }
  static void Report(const TStageCallbacks& ACallbacks, uint64_t ADone, uint64_t ATotal) {
    if (ACallbacks.IsCancelled && ACallbacks.IsCancelled()) throw Core::EUpdateCancelled("Atualização cancelada");
    if (ACallbacks.OnProgress) ACallbacks.OnProgress(static_cast<int64_t>(ADone), static_cast<int64_t>(ATotal));
  }

 private:
  static constexpr uint64_t kReportEvery = 4 * 1024 * 1024;
  Platform::IByteSink& FTarget;
  const TStageCallbacks& FCallbacks;
  uint64_t& FDone;
  uint64_t FTotal;
  uint64_t FSinceReport = 0;
};

}  // namespace

std::optional<std::string> SafeRelativePath(std::string_view AName) {
  if (AName.empty() || AName.front() == '/' || AName.front() == '\\') return std::nullopt;
  std::string path;
  for (size_t start = 0; start <= AName.size();) {
    size_t stop = AName.find_first_of("/\\", start);
    if (stop == std::string_view::npos) stop = AName.size();
    const std::string_view component = AName.substr(start, stop - start);
    start = stop + 1;
    if (component.empty() || component == ".") continue;
    if (!IsSafeComponent(component)) return std::nullopt;
    if (!path.empty()) path += Platform::kPathSeparator;
    path += component;
  }
  if (path.empty()) return std::nullopt;
  return path;
}

TStagedPackage StageZipArchive(TZipReader& AReader, const std::string& ADestination,
                               const TStageCallbacks& ACallbacks) {
  // Every entry is judged before the first byte is written: a refused
  // archive leaves the disk as it was.
  std::vector<TStageEntry> plan;
  plan.reserve(AReader.Entries().size());
  for (const TZipEntry& entry : AReader.Entries()) plan.push_back({&entry, JudgeEntry(entry)});
  return StageZipEntries(AReader, plan, ADestination, ACallbacks);
}

std::string JudgeEntry(const TZipEntry& AEntry) {
  std::optional<std::string> relative = SafeRelativePath(AEntry.Name);
  if (!relative) throw EZipError("Nome de entrada inválido no pacote: " + AEntry.Name);
  if (!AEntry.IsFolder() && !TZipReader::CanRead(AEntry))
    throw EZipError("Entrada cifrada ou com método de compressão não suportado: " + AEntry.Name);
  return std::move(*relative);
}

TStagedPackage StageZipEntries(TZipReader& AReader, const std::vector<TStageEntry>& AEntries,
                               const std::string& ADestination, const TStageCallbacks& ACallbacks) {
  uint64_t total = 0, files = 0;
  for (const TStageEntry& item : AEntries) {
    if (item.Entry->IsFolder()) continue;
    total += item.Entry->UncompressedSize;
    ++files;
  }
  // Progress counts each file as the average file's bytes besides its own,
  // so thousands of small files move it as smoothly as one large entry does.
  const uint64_t perFile = files == 0 ? 0 : std::max<uint64_t>(1, total / files);
  const uint64_t work = total + perFile * files;

  TStagedPackage package;
  package.Folder = CreateStagingFolder(ADestination);
  const std::string stagingName = Platform::FileNameOf(package.Folder);
  try {
    std::unordered_set<std::string> folders;
    std::unordered_map<std::string, std::string> staged;  // files by name as the system compares them
    // Others may write in the installation folder: a folder of the staging
    // swapped for a junction meanwhile would carry the next file elsewhere.
    const auto requirePlain = [&](const std::string& AFolder) {
      RequirePlainBelow(ADestination, AFolder.empty() ? stagingName : Platform::JoinPath(stagingName, AFolder));
    };
    // Folders the package brings, parents first, whether named by an entry or implied by a file's path.
    const auto addFolder = [&](const std::string& AFolder) {
      for (size_t end = AFolder.find(Platform::kPathSeparator);; end = AFolder.find(Platform::kPathSeparator, end + 1)) {
        const std::string prefix = AFolder.substr(0, end);
        if (folders.insert(NameKey(prefix)).second) {  // "Dados" and "dados" are one folder on Windows
          package.Folders.push_back(prefix);
          requirePlain(Platform::ParentPath(prefix));
          Platform::CreateNewDirectory(Platform::JoinPath(package.Folder, prefix));
        }
        if (end == std::string::npos) break;
      }
    };
    uint64_t done = 0, bytes = 0;
    for (const TStageEntry& item : AEntries) {
      TWatchedSink::Report(ACallbacks, done, work);
      if (item.Entry->IsFolder()) {
        addFolder(item.Path);
        continue;
      }
      const std::string folder = Platform::ParentPath(item.Path);
      if (!folder.empty()) addFolder(folder);
      // A later entry of the same name wins, as it would over an installed file.
      const auto [known, added] = staged.emplace(NameKey(item.Path), item.Path);
      const std::string path = Platform::JoinPath(package.Folder, known->second);
      requirePlain(folder);
      if (!added) Platform::RemoveFile(path);
      // Created new, never opened: a link planted under the name is not written through.
      Platform::TFileWriter writer(path, Platform::TCreateMode::New);
      const uint64_t before = done;
      TWatchedSink sink(writer, ACallbacks, done, work);
      AReader.ReadEntry(*item.Entry, sink);
      writer.Close();
      bytes += done - before;
      done += perFile;
      if (added) package.Files.push_back(item.Path);
    }
    package.Bytes = bytes;
    TWatchedSink::Report(ACallbacks, done, work);
    return package;
  } catch (...) {
    DiscardStaging(package.Folder);
    throw;
  }
}

bool ExtractZipArchive(const std::string& AZipPath, const std::string& ADestinationPath) {
  try {
    if (ADestinationPath.empty() || !Platform::FileExists(AZipPath)) return false;
    TZipReader reader(AZipPath);
    const TStagedPackage package = StageZipArchive(reader, ADestinationPath);
    SwapIn(package, ADestinationPath);
    // No later start to wait for: the new files are checked and the old ones dropped now.
    RecoverSwap(ADestinationPath);
    return true;
  } catch (...) {
    return false;
  }
}

}  // namespace Infrastructure::Files
