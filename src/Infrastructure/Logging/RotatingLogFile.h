#pragma once
// The support log's file: lines appended one write each, straight to the
// system (a crash loses at most the line being written), the file moved to
// "<name>.1" once it would pass its limit, "<name>.1" to "<name>.2" and so on,
// the oldest dropped. Not thread-safe: the logger serialises the calls.
#include <cstdint>
#include <string>
#include <string_view>

#include "Infrastructure/Platform/FileStream.h"

namespace Infrastructure::Logging {

class TRotatingLogFile {
 public:
  static constexpr uint64_t kDefaultMaxBytes = 1024 * 1024;
  static constexpr int kDefaultKeep = 3;

  TRotatingLogFile(std::string APath, uint64_t AMaxBytes = kDefaultMaxBytes, int AKeep = kDefaultKeep);

  // Creates the folder and opens the file; false when either cannot be done
  // (the launcher then goes on without a log).
  bool Open();
  bool IsOpen() const { return FFile.IsOpen(); }
  // Appends one line, rotating first when it would pass the limit. False
  // when the line could not be written; the file is then given up.
  bool Append(std::string_view ALine);
  const std::string& Path() const { return FPath; }

 private:
  void Rotate();

  std::string FPath;
  uint64_t FMaxBytes;
  int FKeep;
  uint64_t FSize = 0;
  Platform::TFileWriter FFile;
};

}  // namespace Infrastructure::Logging
