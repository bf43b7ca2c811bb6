#pragma once
// A four-part version number (major.minor.build.revision) read from text.
#include <cstdint>
#include <string>

namespace Core::Entities {

class TVersionInfo {
 public:
  TVersionInfo() = default;
  explicit TVersionInfo(const std::string& AVersion);

  // Replaces all four components; parts missing or unreadable in the text become 0.
  void ParseFromString(const std::string& AVersion);

  // "%d.%d.%d.%d"; parses back to the same four numbers.
  std::string GetFullVersion() const;
  std::string FullVersion() const { return GetFullVersion(); }
  void SetFullVersion(const std::string& AValue) { ParseFromString(AValue); }

  // 1, 0 or -1, comparing component by component as signed numbers.
  int32_t CompareTo(const std::string& AVersion) const;
  bool IsNewerThan(const std::string& AVersion) const { return CompareTo(AVersion) > 0; }
  bool IsOlderThan(const std::string& AVersion) const { return CompareTo(AVersion) < 0; }
  bool IsEqualTo(const std::string& AVersion) const { return CompareTo(AVersion) == 0; }

  int32_t Major() const { return FMajor; }
  int32_t Minor() const { return FMinor; }
  int32_t Build() const { return FBuild; }
  int32_t Revision() const { return FRevision; }
  void SetMajor(int32_t AValue) { FMajor = AValue; }
  void SetMinor(int32_t AValue) { FMinor = AValue; }
  void SetBuild(int32_t AValue) { FBuild = AValue; }
  void SetRevision(int32_t AValue) { FRevision = AValue; }

 private:
  int32_t FMajor = 0;
  int32_t FMinor = 0;
  int32_t FBuild = 0;
  int32_t FRevision = 0;
};

}  // namespace Core::Entities
