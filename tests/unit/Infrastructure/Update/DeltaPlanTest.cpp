// The plan of a delta update: which installed files already are the package's
// entries, and which byte ranges of the package bring the others.
#include "Infrastructure/Update/DeltaPlan.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "Infrastructure/Files/ZipReader.h"
#include "Infrastructure/Platform/FileSystem.h"
#include "support/FolderLink.h"
#include "support/ManifestBuilder.h"
#include "support/TempDir.h"
#include "support/Utf8Path.h"
#include "support/ZipBuilder.h"

#ifndef _WIN32
#include <unistd.h>
#endif

using Infrastructure::Update::FindPackageMismatch;
using Infrastructure::Update::PlanDelta;
using Infrastructure::Update::TByteRange;
using Infrastructure::Update::TDeltaLimits;
using Infrastructure::Update::TDeltaPlan;
using Infrastructure::Update::TManifestEntry;
using Infrastructure::Update::TPackageManifest;

namespace {

constexpr bool kNamesIgnoreCase = Infrastructure::Platform::kPathSeparator == '\\';

std::vector<std::string> NamesOf(const TPackageManifest& AManifest, const std::vector<size_t>& AEntries) {
  std::vector<std::string> names;
  for (const size_t i : AEntries) names.push_back(AManifest.Entries[i].Name);
  return names;
}

TEST(DeltaPlan, FetchesEveryEntryTheInstalledFileIsNot) {
  TestSupport::TTempDir dir;
  const std::string app = dir.MakeDir("app");
  TestSupport::TZipBuilder package;
  package.File("igual.txt", "conteúdo igual")
      .File("tamanho.txt", "conteúdo novo, mais longo")
      .File("mesmo-tamanho.txt", "versão 2")
      .File("faltando.txt", "novo")
      .File("Leiame.TXT", "leia-me")
      .Folder("Dados/")
      .File("Dados/Sub/igual.dat", std::string(70000, 'd'), 0)
      .File("plugins/modulo.dll", "módulo")
      .File("pasta.txt", "no lugar de uma pasta")
      .File("repetido.txt", "primeiro")
      .File("repetido.txt", "último");
  package.WriteTo(dir.Join("pacote.zip"));
  const TPackageManifest manifest = TestSupport::ManifestOfZip(dir.Join("pacote.zip"));
  ASSERT_EQ(FindPackageMismatch(manifest, dir.Join("pacote.zip")), std::nullopt);

  dir.WriteFile("app/igual.txt", "conteúdo igual");
  dir.WriteFile("app/tamanho.txt", "curto");
  dir.WriteFile("app/mesmo-tamanho.txt", "versão 1");
  dir.WriteFile("app/leiame.txt", "leia-me");
  dir.WriteFile("app/Dados/Sub/igual.dat", std::string(70000, 'd'));
  dir.MakeDir("app/pasta.txt");
  dir.WriteFile("app/repetido.txt", "último");  // the later entry of a name is the one staged
  // The same module, but reached through a link: never read, so never taken as installed.
  dir.WriteFile("fora/modulo.dll", "módulo");
  const TestSupport::TFolderLink link(dir.Join("app/plugins"), dir.Join("fora"));
  ASSERT_TRUE(link.Made());

  const TDeltaPlan plan = PlanDelta(manifest, app, {0, 100, 100});
  std::vector<std::string> expected = {"tamanho.txt", "mesmo-tamanho.txt", "faltando.txt", "plugins/modulo.dll",
                                       "pasta.txt"};
  if (!kNamesIgnoreCase) expected.insert(expected.begin() + 3, "Leiame.TXT");
  EXPECT_EQ(NamesOf(manifest, plan.Entries), expected);
  EXPECT_FALSE(plan.WholePackage);
  EXPECT_EQ(plan.PackageSize, manifest.PackageSize);

  // Exactly the changed records: touching ones make one range, nothing else is fetched.
  uint64_t records = 0;
  for (const size_t i : plan.Entries) {
    const TManifestEntry& entry = manifest.Entries[i];
    records += entry.RecordLength;
    EXPECT_TRUE(std::any_of(plan.Ranges.begin(), plan.Ranges.end(), [&](const TByteRange& R) {
      return R.Offset <= entry.RecordOffset && entry.RecordOffset + entry.RecordLength <= R.Offset + R.Length;
    })) << entry.Name;
  }
  EXPECT_EQ(plan.FetchBytes, records);
  uint64_t sum = 0;
  for (size_t i = 0; i < plan.Ranges.size(); ++i) {
    sum += plan.Ranges[i].Length;
    if (i > 0) {
      EXPECT_GT(plan.Ranges[i].Offset, plan.Ranges[i - 1].Offset + plan.Ranges[i - 1].Length);
    }
  }
  EXPECT_EQ(sum, plan.FetchBytes);

  // With the changes in place nothing is left to fetch.
  TestSupport::TZipBuilder same;
  same.File("igual.txt", "conteúdo igual").Folder("Dados/").File("Dados/Sub/igual.dat", std::string(70000, 'd'));
  same.WriteTo(dir.Join("igual.zip"));
  const TDeltaPlan nothing = PlanDelta(TestSupport::ManifestOfZip(dir.Join("igual.zip")), app);
  EXPECT_TRUE(nothing.Entries.empty());
  EXPECT_TRUE(nothing.Ranges.empty());
  EXPECT_EQ(nothing.FetchBytes, 0u);
  EXPECT_FALSE(nothing.WholePackage);
}

#ifndef _WIN32
TEST(DeltaPlan, AFileThatCannotBeReadCountsAsChanged) {
  if (::geteuid() == 0) GTEST_SKIP() << "root reads any file";
  TestSupport::TTempDir dir;
  TestSupport::TZipBuilder().File("trancado.txt", "igual").WriteTo(dir.Join("pacote.zip"));
  const std::string file = dir.WriteFile("app/trancado.txt", "igual");
  std::filesystem::permissions(TestSupport::PathFromUtf8(file), std::filesystem::perms::none);
  const TDeltaPlan plan = PlanDelta(TestSupport::ManifestOfZip(dir.Join("pacote.zip")), dir.Join("app"));
  EXPECT_EQ(plan.Entries, std::vector<size_t>{0});
}
#endif

// Ten records of 100 bytes, one every 1000 bytes, none installed.
TPackageManifest Spaced(uint64_t APackageSize) {
  TPackageManifest manifest;
  manifest.PackageSize = APackageSize;
  for (int i = 0; i < 10; ++i) {
    TManifestEntry entry;
    entry.Name = "arquivo" + std::to_string(i) + ".dat";
    entry.RecordOffset = i * 1000;
    entry.RecordLength = 100;
    manifest.Entries.push_back(entry);
  }
  return manifest;
}

TEST(DeltaPlan, MergesNearRangesCapsTheRequestsAndFetchesWholeBeyondTheShare) {
  TestSupport::TTempDir dir;
  struct TCase {
    const char* Name;
    uint64_t PackageSize;
    TDeltaLimits Limits;
    bool Whole;
    std::vector<TByteRange> Ranges;
  };
  const TCase cases[] = {
      {"gaps above the threshold stay gaps",
       100000,
       {899, 64, 50},
       false,
       {{0, 100},
        {1000, 100},
        {2000, 100},
        {3000, 100},
        {4000, 100},
        {5000, 100},
        {6000, 100},
        {7000, 100},
        {8000, 100},
        {9000, 100}}},
      {"gaps up to the threshold are fetched", 100000, {900, 64, 50}, false, {{0, 9100}}},
      {"too many requests: gaps of one size merge alike", 100000, {0, 4, 50}, false, {{0, 9100}}},
      {"more than the share: the whole package", 1999, {0, 64, 50}, true, {{0, 1999}}},
      {"exactly the share: still ranges",
       2000,
       {0, 64, 50},
       false,
       {{0, 100},
        {1000, 100},
        {2000, 100},
        {3000, 100},
        {4000, 100},
        {5000, 100},
        {6000, 100},
        {7000, 100},
        {8000, 100},
        {9000, 100}}},
      {"merging for the request cap passes the share", 12000, {0, 1, 50}, true, {{0, 12000}}},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    const TDeltaPlan plan = PlanDelta(Spaced(c.PackageSize), dir.Path(), c.Limits);
    EXPECT_EQ(plan.WholePackage, c.Whole);
    EXPECT_EQ(plan.Ranges, c.Ranges);
    uint64_t sum = 0;
    for (const TByteRange& range : plan.Ranges) sum += range.Length;
    EXPECT_EQ(plan.FetchBytes, sum);
    EXPECT_EQ(plan.Entries.size(), 10u);
  }
  // The smallest gaps merge first, whatever their place.
  EXPECT_EQ(Infrastructure::Update::MergeRanges({{0, 10}, {20, 10}, {530, 10}, {560, 10}, {870, 10}}, 0, 3),
            (std::vector<TByteRange>{{0, 30}, {530, 40}, {870, 10}}));
}

TEST(DeltaPlan, NamesDecideBeforeAnyFileIsRead) {
  TestSupport::TTempDir dir;
  TPackageManifest manifest = Spaced(1000000);
  // A name beyond ASCII reads as UTF-8 or CP437 by what only the central directory says.
  manifest.Entries[3].Name = "Relat\xC3\xB3rio.txt";
  const TDeltaPlan plan = PlanDelta(manifest, dir.Path());
  EXPECT_TRUE(plan.WholePackage);
  EXPECT_EQ(plan.Ranges, (std::vector<TByteRange>{{0, 1000000}}));
  // A name staging refuses refuses the plan: the package would be refused anyway.
  for (const char* name : {"../fora.txt", "C:/x.dll", "Dados/NUL.txt"}) {
    SCOPED_TRACE(name);
    manifest.Entries[3].Name = name;
    EXPECT_THROW(PlanDelta(manifest, dir.Path()), Infrastructure::Files::EZipError);
  }
}

}  // namespace
