#include "Infrastructure/Files/ZipExtractor.h"

#include <atomic>
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

// A new file under a name of its own in the target folder; removed unless it
// was moved into place.
class TTemporaryFile {
 public:
  explicit TTemporaryFile(const std::string& AFolder) {
    static std::atomic<unsigned> counter{0};
    for (int attempt = 0;; ++attempt) {
      FPath = Platform::JoinPath(AFolder, "~ql" + std::to_string(counter++) + ".tmp");
      try {
        FWriter = Platform::TFileWriter(FPath, Platform::TCreateMode::New);
        return;
      } catch (const Core::EFileSystemError&) {
        // Another extraction's file, or one left by a crash: take the next name.
        if (attempt == 15 || !Platform::FileExists(FPath)) throw;
      }
    }
  }
  ~TTemporaryFile() {
    if (FMoved) return;
    FWriter = Platform::TFileWriter();
    Platform::RemoveFile(FPath);
  }
  TTemporaryFile(const TTemporaryFile&) = delete;
  TTemporaryFile& operator=(const TTemporaryFile&) = delete;

  Platform::TFileWriter& Writer() { return FWriter; }
  void MoveTo(const std::string& ATarget) {
    FWriter.Close();
    Platform::ReplaceFileAtomically(FPath, ATarget);
    FMoved = true;
  }

 private:
  std::string FPath;
  Platform::TFileWriter FWriter;
  bool FMoved = false;
};

struct TPlannedEntry {
  const TZipEntry* Entry;
  std::string Path;
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

bool ExtractZipArchive(const std::string& AZipPath, const std::string& ADestinationPath) {
  try {
    if (ADestinationPath.empty() || !Platform::FileExists(AZipPath)) return false;
    TZipReader reader(AZipPath);

    // Every entry is judged before the first byte is written: a refused
    // archive leaves the disk as it was.
    std::vector<TPlannedEntry> plan;
    plan.reserve(reader.Entries().size());
    for (const TZipEntry& entry : reader.Entries()) {
      const std::optional<std::string> relative = SafeRelativePath(entry.Name);
      if (!relative || (!entry.IsFolder() && !TZipReader::CanRead(entry))) return false;
      plan.push_back({&entry, Platform::JoinPath(ADestinationPath, *relative)});
    }

    Platform::CreateDirectories(ADestinationPath);
    std::string knownFolder = ADestinationPath;
    for (const TPlannedEntry& item : plan) {
      if (item.Entry->IsFolder()) {
        Platform::CreateDirectories(item.Path);
        continue;
      }
      const std::string folder = Platform::ParentPath(item.Path);
      if (folder != knownFolder) {
        Platform::CreateDirectories(folder);
        knownFolder = folder;
      }
      TTemporaryFile temporary(folder);
      reader.ReadEntry(*item.Entry, temporary.Writer());
      temporary.MoveTo(item.Path);
    }
    return true;
  } catch (...) {
    return false;
  }
}

}  // namespace Infrastructure::Files
