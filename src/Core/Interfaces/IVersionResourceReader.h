#pragma once
// The version-resource port: what a file's version block says.
#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace Core::Interfaces {

struct TVersionResource {
  // "FileVersion" of the Brazilian-Portuguese, Windows-1252 string table (041604E4).
  std::optional<std::string> PortugueseFileVersion;
  // The fixed part's file version: major, minor, build, revision.
  std::optional<std::array<uint16_t, 4>> FixedFileVersion;
};

class IVersionResourceReader {
public:
  virtual ~IVersionResourceReader() = default;
  // Empty fields for a missing file or a file without a version block.
  virtual TVersionResource Read(const std::string& AFilePath) = 0;
};

}  // namespace Core::Interfaces
