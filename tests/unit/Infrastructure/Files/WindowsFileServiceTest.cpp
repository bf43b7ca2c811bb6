#include "Infrastructure/Files/WindowsFileService.h"

#include <gtest/gtest.h>

#include "Core/Errors.h"
#include "Infrastructure/Platform/FileSystem.h"
#include "support/MemoryRegistry.h"
#include "support/TempDir.h"

using Core::Interfaces::TRegistryHive;
using Core::Interfaces::TRegistryValueType;
using Core::Interfaces::TVersionResource;
using Infrastructure::Files::NormalizeVersionText;
using Infrastructure::Files::TFileServicePorts;
using Infrastructure::Files::TWindowsFileService;
using Infrastructure::Platform::JoinPath;
using TestSupport::TMemoryRegistry;
using TestSupport::TTempDir;

namespace {

class TFixedVersionResources : public Core::Interfaces::IVersionResourceReader {
public:
  explicit TFixedVersionResources(TVersionResource AResource) : FResource(std::move(AResource)) {}
  TVersionResource Read(const std::string&) override { return FResource; }

private:
  TVersionResource FResource;
};

const std::string kVersionKey = "SOFTWARE\\QuorvaneSoft\\Zentaro";

}  // namespace

TEST(FileServiceVersions, NormalizesVersionTextsPartByPart) {
  const struct {
    const char* text;
    const char* expected;
  } cases[] = {
      {"1.0.0.5", "1.0.0.5"},    {"2.3", "2.3.0.0"},           {"1.2.3.4.5", "1.2.3.4"},
      {"1, 0, 0, 5", "0.0.0.0"}, {"1.0.0.5 ", "1.0.0.0"},      {"   ", "0.0.0.0"},
      {"", "0.0.0.0"},           {" 7.8", "7.8.0.0"},          {"$10.x1.0X2.-3", "16.1.2.-3"},
      {"1..3", "1.0.3.0"},       {"1 2.3", "0.3.0.0"},         {"99999999999.1", "0.1.0.0"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(NormalizeVersionText(c.text), c.expected);
  }
}

TEST(FileServiceVersions, StringTableThenFixedPartThenRegistry) {
  using TFixed = std::array<uint16_t, 4>;
  const struct {
    const char* name;
    TVersionResource resource;
    const char* registryValue;  // nullptr: no value
    const char* expected;
  } cases[] = {
      {"string table wins", {"1.2", TFixed{9, 9, 9, 9}}, "5.0", "1.2.0.0"},
      {"unreadable string falls to the fixed part", {"1, 0, 0, 5", TFixed{3, 4, 5, 6}}, nullptr, "3.4.5.6"},
      {"empty string falls to the fixed part", {"", TFixed{65535, 0, 1, 2}}, nullptr, "65535.0.1.2"},
      {"no string table", {std::nullopt, TFixed{7, 0, 0, 1}}, nullptr, "7.0.0.1"},
      {"zero fixed part falls to the registry", {std::nullopt, TFixed{0, 0, 0, 0}}, "4.1", "4.1.0.0"},
      {"no resource, registry with blanks", {}, " 2.0.1 ", "2.0.0.0"},
      {"no resource, registry normalised", {}, "2.0.1", "2.0.1.0"},
      {"nothing anywhere", {}, nullptr, "0.0.0.0"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    auto registry = std::make_shared<TMemoryRegistry>();
    if (c.registryValue) registry->Put(TRegistryHive::CurrentUser, kVersionKey, "CurrentVersion", c.registryValue);
    TWindowsFileService service({registry, std::make_shared<TFixedVersionResources>(c.resource), nullptr, "", {}});
    EXPECT_EQ(service.ReadVersionFromFile("app.exe"), c.expected);
  }
}

TEST(FileServiceVersions, RegistryValueOfAnotherTypeReachesTheCaller) {
  auto registry = std::make_shared<TMemoryRegistry>();
  registry->Put(TRegistryHive::CurrentUser, kVersionKey, "CurrentVersion", "5", TRegistryValueType::DWord);
  TWindowsFileService service({registry, std::make_shared<TFixedVersionResources>(TVersionResource{}), nullptr, "", {}});
  EXPECT_THROW(service.ReadVersionFromFile("app.exe"), Core::ERegistryError);
}

namespace {

// A launcher in "<temp>/<ALauncherFolder>" and three fixed folders below "<temp>/fixed".
struct TLayout {
  explicit TLayout(std::string ALauncherFolder = "Quorvane/app")
      : Folder(std::move(ALauncherFolder)), Launcher(Temp.WriteFile(Folder + "/QuorvaneSoftLauncher.exe", "")) {}

  TWindowsFileService Service() const {
    return TWindowsFileService({std::make_shared<TMemoryRegistry>(), nullptr, nullptr, Launcher,
                                {Temp.MakeDir("fixed/Execs"), Temp.MakeDir("fixed/Exec"), Temp.MakeDir("fixed")}});
  }
  std::string Beside(const std::string& AName) const { return Temp.WriteFile(Folder + "/" + AName, ""); }

  TTempDir Temp;
  std::string Folder;
  std::string Launcher;
};

}  // namespace

TEST(FileServiceExecutable, CandidatesBesideTheLauncherComeFirstInTableOrder) {
  const TLayout layout;
  layout.Temp.WriteFile("fixed/Execs/QuorvaneSoftZentaro.exe", "");
  const std::string generic = layout.Beside("QuorvaneSoft.exe");
  EXPECT_EQ(layout.Service().GetApplicationExecutable(), generic);
  const std::string preferred = layout.Beside("QuorvaneSoftZentaro.exe");
  EXPECT_EQ(layout.Service().GetApplicationExecutable(), preferred);
}

TEST(FileServiceExecutable, FixedFoldersInTheirOrderThenTheFilter) {
  const TLayout layout;
  const std::string inRoot = layout.Temp.WriteFile("fixed/QuorvaneSoft Zentaro.exe", "");
  EXPECT_EQ(layout.Service().GetApplicationExecutable(), inRoot);
  const std::string inExec = layout.Temp.WriteFile("fixed/Exec/QuorvaneSoft.exe", "");
  EXPECT_EQ(layout.Service().GetApplicationExecutable(), inExec);
}

TEST(FileServiceExecutable, FilterLooksAtTheWholePathCaseSensitivelyAndSkipsTheLauncher) {
  {
    const TLayout layout;  // the folder path carries the word
    layout.Beside("QUORVANESOFTLAUNCHER.EXE");  // the launcher itself, in another case
    layout.Beside("notes.txt");
    const std::string other = layout.Beside("Sistema.EXE");
    EXPECT_EQ(layout.Service().GetApplicationExecutable(), other);
  }
  {
    const TLayout layout("plain");
    layout.Beside("quorvane-tools.exe");  // the word only in lower case
    EXPECT_EQ(layout.Service().GetApplicationExecutable(), "");
    EXPECT_THROW(layout.Service().GetApplicationPath(), Core::EArgumentError);
    const std::string found = layout.Beside("Quorvane Ferramentas.exe");
    EXPECT_EQ(layout.Service().GetApplicationExecutable(), found);
    EXPECT_EQ(layout.Service().GetApplicationPath(), Infrastructure::Platform::ParentPath(layout.Launcher));
  }
}
