// The whole-file operations of the file-system port, written once over the
// streaming port; the one-step replacement is each platform's own.
#include <atomic>
#include <memory>

#include "Core/Errors.h"
#include "Infrastructure/Platform/FileStream.h"
#include "Infrastructure/Platform/FileSystem.h"

namespace Infrastructure::Platform {

namespace {

constexpr size_t kBlock = 256 * 1024;

// A temporary file of our own beside APath: created new, never an existing one.
TFileWriter CreateTemporaryBeside(const std::string& APath, std::string& ATemporary) {
  static std::atomic<unsigned> counter{0};
  for (int attempt = 0;; ++attempt) {
    ATemporary = APath + ".tmp" + std::to_string(counter++);
    try {
      return TFileWriter(ATemporary, TCreateMode::New);
    } catch (const Core::EFileSystemError&) {
      if (attempt >= 100 || !FileExists(ATemporary)) throw;  // only a name clash is worth another try
    }
  }
}

// Writes the temporary copy and puts it in place; the temporary never survives a failure.
template <typename TFill>
void ReplaceWithTemporary(const std::string& ADestination, TFill AFill) {
  std::string temporary;
  try {
    TFileWriter writer = CreateTemporaryBeside(ADestination, temporary);
    AFill(writer);
    writer.Flush();
    writer.Close();
  } catch (const std::exception&) {
    if (!temporary.empty()) RemoveFile(temporary);
    throw;
  }
  try {
    ReplaceFileAtomically(temporary, ADestination);
  } catch (const std::exception&) {
    RemoveFile(temporary);
    throw;
  }
}

}  // namespace

bool RemoveDirectoryTree(const std::string& APath) {
  // Listing a link would list what it points at: a junction planted in a
  // folder everyone may write to would have its target emptied.
  if (IsLink(APath)) return RemoveFile(APath) || RemoveEmptyDirectory(APath);
  for (const TDirectoryEntry& entry : ListDirectory(APath)) {
    const std::string path = JoinPath(APath, entry.Name);
    if (entry.IsDirectory || entry.IsLink)
      RemoveDirectoryTree(path);  // asked again: the entry may have been swapped for a link since the listing
    else
      RemoveFile(path);
  }
  return RemoveEmptyDirectory(APath) || !DirectoryExists(APath);
}

std::string ReadFileBytes(const std::string& APath) {
  TFileReader reader(APath);
  std::string content;
  const std::unique_ptr<char[]> buffer(new char[kBlock]);
  for (size_t read; (read = reader.Read(buffer.get(), kBlock)) != 0;) content.append(buffer.get(), read);
  return content;
}

void WriteFileAtomically(const std::string& APath, std::string_view AContent) {
  ReplaceWithTemporary(APath, [&](TFileWriter& AWriter) { AWriter.Write(AContent); });
}

void CopyFileReplacing(const std::string& ASource, const std::string& ADestination) {
  ReplaceWithTemporary(ADestination, [&](TFileWriter& AWriter) {
    TFileReader source(ASource);
    const std::unique_ptr<char[]> buffer(new char[kBlock]);
    for (size_t read; (read = source.Read(buffer.get(), kBlock)) != 0;) AWriter.Write(buffer.get(), read);
  });
}

void WriteFileKeepingAttributes(const std::string& APath, std::string_view AContent) {
  if (!FileExists(APath)) {
    WriteFileAtomically(APath, AContent);
    return;
  }
  std::string temporary;
  TFileWriter writer;
  try {
    writer = CreateTemporaryBeside(APath, temporary);
  } catch (const Core::EFileSystemError&) {
    // An administrator may let users change this one file in a folder they
    // cannot add files to.
    OverwriteFile(APath, AContent);
    return;
  }
  try {
    writer.Write(AContent);
    writer.Flush();
    writer.Close();
    ReplaceFileKeepingAttributes(temporary, APath);
  } catch (const std::exception&) {
    writer = TFileWriter();
    // Where the old file is gone, the temporary holds the only copy.
    if (FileExists(APath)) RemoveFile(temporary);
    throw;
  }
}

}  // namespace Infrastructure::Platform
