#pragma once
// Streaming file access beside the whole-file helpers of FileSystem.h: a reader
// with positioned reads and a writer that takes chunks, so a package or a
// download never has to sit whole in memory. Paths are UTF-8 text.
// Every failure throws Core::EFileSystemError with a Portuguese message.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace Infrastructure::Platform {

// Where a stream of bytes goes, one chunk at a time (a file, a buffer in memory).
class IByteSink {
 public:
  virtual ~IByteSink() = default;
  // Takes the whole chunk or throws.
  virtual void Write(const void* AData, size_t ASize) = 0;
  void Write(std::string_view AChunk) { Write(AChunk.data(), AChunk.size()); }
};

// What others may do with a file while a reader holds it open.
enum class TReadSharing {
  Any,  // read, write, rename or delete it
  // Only read it: nobody writes, renames or deletes it until the reader closes,
  // and the open fails while someone still writes it (Windows; elsewhere as Any).
  ReadersOnly,
};

// A file opened for reading.
class TFileReader {
 public:
  TFileReader() = default;
  explicit TFileReader(const std::string& APath, TReadSharing ASharing = TReadSharing::Any);
  ~TFileReader();
  TFileReader(TFileReader&& AOther) noexcept;
  TFileReader& operator=(TFileReader&& AOther) noexcept;
  TFileReader(const TFileReader&) = delete;
  TFileReader& operator=(const TFileReader&) = delete;

  bool IsOpen() const { return FHandle != kNoHandle; }
  const std::string& Path() const { return FPath; }
  // The file's current length.
  uint64_t Size() const;
  uint64_t Position() const { return FPosition; }
  // Positions past the end are allowed; reads there return 0.
  void Seek(uint64_t AOffset);
  // Reads up to ASize bytes at the position and moves past them. Fewer bytes
  // only at the end of the file; 0 there.
  size_t Read(void* ABuffer, size_t ASize);
  size_t ReadAt(uint64_t AOffset, void* ABuffer, size_t ASize) {
    Seek(AOffset);
    return Read(ABuffer, ASize);
  }
  void Close();

 private:
  static constexpr std::intptr_t kNoHandle = -1;  // also INVALID_HANDLE_VALUE
  std::intptr_t FHandle = kNoHandle;
  uint64_t FPosition = 0;
  std::string FPath;
};

enum class TCreateMode {
  Truncate,  // a new file, or an existing one cut to length 0
  New,       // a new file only: fails when the name is taken
  // Created when missing; every write goes to the end, even with other
  // writers on the same file (a log two launchers share).
  Append,
  // Created when missing, kept as it is otherwise: a partial download that
  // is written at the offsets its bytes have (Seek, SetLength).
  Keep,
};

// A file opened for writing, written front to back.
class TFileWriter : public IByteSink {
 public:
  TFileWriter() = default;
  explicit TFileWriter(const std::string& APath, TCreateMode AMode = TCreateMode::Truncate);
  // Closes without reporting errors; call Close() to learn of them.
  ~TFileWriter() override;
  TFileWriter(TFileWriter&& AOther) noexcept;
  TFileWriter& operator=(TFileWriter&& AOther) noexcept;
  TFileWriter(const TFileWriter&) = delete;
  TFileWriter& operator=(const TFileWriter&) = delete;

  using IByteSink::Write;
  void Write(const void* AData, size_t ASize) override;
  bool IsOpen() const { return FHandle != kNoHandle; }
  const std::string& Path() const { return FPath; }
  uint64_t BytesWritten() const { return FBytesWritten; }
  // The next write goes to AOffset (not for Append).
  void Seek(uint64_t AOffset);
  // The file's length becomes ALength: cut, or grown with zeros. The position stays.
  void SetLength(uint64_t ALength);
  uint64_t Size() const;
  // Forces what was written onto the disk.
  void Flush();
  // Throws when the system reports that the data could not be kept.
  void Close();

 private:
  static constexpr std::intptr_t kNoHandle = -1;
  std::intptr_t FHandle = kNoHandle;
  uint64_t FBytesWritten = 0;
  std::string FPath;
};

}  // namespace Infrastructure::Platform
