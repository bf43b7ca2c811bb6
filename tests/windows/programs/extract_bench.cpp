// extract_bench ARCHIVE FOLDER [ROUNDS]
// Under Wine: ExtractZipArchive (staged beside the destination, checked, then
// swapped in) against a bare Win32 program's floor for the same work, the
// archive's files written straight to their final names with CreateFileW,
// WriteFile and CloseHandle from memory (decompressed beforehand, untimed).
// Both into an empty folder and over an installation of the same files (the
// bare program then overwrites in place, the floor without any safety).
// Contenders run in turning order; prints min/median/max and the median of
// the per-round ratios. Run by bench/zip/wine.sh.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "Infrastructure/Files/ZipExtractor.h"
#include "Infrastructure/Files/ZipReader.h"
#include "Infrastructure/Platform/FileSystem.h"
#include "Infrastructure/Platform/Win32/WinText.h"
#include "common/RoundStats.h"
#include "common/WinClock.h"

namespace Platform = Infrastructure::Platform;
using Platform::Win32::ToWide;

namespace {

class TMemorySink : public Platform::IByteSink {
 public:
  explicit TMemorySink(std::string& AData) : FData(AData) {}
  using IByteSink::Write;
  void Write(const void* AData, size_t ASize) override { FData.append(static_cast<const char*>(AData), ASize); }

 private:
  std::string& FData;
};

struct TFileImage {
  std::wstring RelativePath;
  std::string Data;
};

// The archive's files in memory, and its folders, parents first.
void LoadArchive(const std::string& AArchive, std::vector<TFileImage>& AFiles, std::vector<std::wstring>& AFolders) {
  Infrastructure::Files::TZipReader reader(AArchive);
  std::vector<std::string> seen;
  for (const auto& entry : reader.Entries()) {
    const auto relative = Infrastructure::Files::SafeRelativePath(entry.Name);
    if (!relative) continue;
    const std::string folder = entry.IsFolder() ? *relative : Platform::ParentPath(*relative);
    for (size_t end = 0; !folder.empty() && end != std::string::npos;) {
      end = folder.find('\\', end + 1);
      const std::string prefix = folder.substr(0, end);
      bool known = false;
      for (const std::string& s : seen) known = known || s == prefix;
      if (!known) {
        seen.push_back(prefix);
        AFolders.push_back(ToWide(prefix));
      }
    }
    if (entry.IsFolder()) continue;
    TFileImage image{ToWide(*relative), {}};
    TMemorySink sink(image.Data);
    reader.ReadEntry(entry, sink);
    AFiles.push_back(std::move(image));
  }
}

// The floor: each file created (or overwritten) under its final name and written once.
bool BareWrite(const std::wstring& ADestination, const std::vector<TFileImage>& AFiles,
               const std::vector<std::wstring>& AFolders) {
  CreateDirectoryW(ADestination.c_str(), nullptr);
  for (const std::wstring& folder : AFolders) CreateDirectoryW((ADestination + L"\\" + folder).c_str(), nullptr);
  for (const TFileImage& file : AFiles) {
    const HANDLE handle = CreateFileW((ADestination + L"\\" + file.RelativePath).c_str(), GENERIC_WRITE, 0, nullptr,
                                      CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    const bool ok = file.Data.empty() ||
                    (WriteFile(handle, file.Data.data(), static_cast<DWORD>(file.Data.size()), &written, nullptr) &&
                     written == file.Data.size());
    if (!CloseHandle(handle) || !ok) return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: extract_bench ARCHIVE FOLDER [ROUNDS]\n");
    return 2;
  }
  const std::string archive = argv[1];
  const std::string folder = argv[2];
  const int rounds = Bench::RoundsFrom(argc > 3 ? argv[3] : nullptr, Bench::kMinRounds);
  std::vector<TFileImage> files;
  std::vector<std::wstring> folders;
  LoadArchive(archive, files, folders);
  const std::string target = Platform::JoinPath(folder, "destino");
  const std::wstring wideTarget = ToWide(target);

  enum { kOursEmpty, kBareEmpty, kOursOver, kBareOver };
  Bench::TRounds ways({"ExtractZipArchive, empty folder", "bare writes to final names, empty folder",
                       "ExtractZipArchive over an installation", "bare overwrite in place of an installation"});
  const std::string loadBefore = Bench::MachineLoad();
  for (int round = 0; round < rounds; ++round) {
    for (size_t position = 0; position < ways.Count(); ++position) {
      const size_t way = ways.Order(round, position);
      Platform::RemoveDirectoryTree(target);
      const bool over = way == kOursOver || way == kBareOver;
      if (over && !BareWrite(wideTarget, files, folders)) {
        std::fprintf(stderr, "extract_bench: could not prepare the installation\n");
        return 1;
      }
      const double start = Bench::Now();
      const bool ok = way == kOursEmpty || way == kOursOver ? Infrastructure::Files::ExtractZipArchive(archive, target)
                                                            : BareWrite(wideTarget, files, folders);
      const double elapsed = Bench::Now() - start;
      if (!ok) {
        std::fprintf(stderr, "extract_bench: way %zu failed\n", way);
        return 1;
      }
      ways.Add(way, elapsed);
    }
  }
  Platform::RemoveDirectoryTree(target);
  std::printf("%s: %zu files, %d rounds in turning order; load before %s, after %s\n", archive.c_str(), files.size(),
              rounds, loadBefore.c_str(), Bench::MachineLoad().c_str());
  ways.Print("seconds");
  std::printf("median per-round ratio ours / bare, empty folder:          %.2f (target <= 1.5)\n",
              ways.RatioMedian(kOursEmpty, kBareEmpty));
  std::printf("median per-round ratio ours / bare, over an installation:  %.2f\n",
              ways.RatioMedian(kOursOver, kBareOver));
  return 0;
}
