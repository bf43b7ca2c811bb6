// Staging from a package fetched in part: only the chosen records are staged,
// and only when their bytes and headers are the manifest's.
#include "Infrastructure/Files/PartialPackageStaging.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "Infrastructure/Files/PackageSwap.h"
#include "Infrastructure/Platform/FileSystem.h"
#include "support/ManifestBuilder.h"
#include "support/TempDir.h"
#include "support/ZipBuilder.h"

using namespace Infrastructure::Files;
using Infrastructure::Update::TByteRange;
using Infrastructure::Update::TPackageManifest;
using TestSupport::TZipBuilderEntry;

namespace {

TZipBuilderEntry Entry(std::string AName, std::string AData, uint16_t AMethod = 8) {
  TZipBuilderEntry entry;
  entry.Name = std::move(AName);
  entry.Data = std::move(AData);
  entry.Method = AMethod;
  return entry;
}

std::string Bytes(size_t ASize, unsigned ASeed) {
  std::string out(ASize, '\0');
  for (size_t i = 0; i < ASize; ++i) out[i] = static_cast<char>((i * 131 + ASeed * 7 + (i >> 9)) & 0xFF);
  return out;
}

struct TPartial {
  TestSupport::TTempDir Dir;
  TPackageManifest Manifest;
  std::string Destination = Dir.MakeDir("app");

  // Builds APackage, its manifest, and the partial file holding the records of AChosen.
  std::string Write(const TestSupport::TZipBuilder& APackage, const std::vector<size_t>& AChosen) {
    APackage.WriteTo(Dir.Join("pacote.zip"));
    Manifest = TestSupport::ManifestOfZip(Dir.Join("pacote.zip"));
    std::vector<TByteRange> ranges;
    for (const size_t i : AChosen)
      ranges.push_back({Manifest.Entries[i].RecordOffset, Manifest.Entries[i].RecordLength});
    TestSupport::WritePartialPackage(Dir.Join("pacote.zip"), ranges, Dir.Join("parcial.part"));
    return Dir.Join("parcial.part");
  }
};

TEST(PartialPackageStaging, StagesTheChosenRecordsOfEveryKindAndNothingElse) {
  TPartial partial;
  TZipBuilderEntry described = Entry("Dados/descritor.bin", Bytes(5000, 1));
  described.DataDescriptor = true;
  TZipBuilderEntry bare = Entry("Dados/sem-assinatura.bin", Bytes(3000, 2));
  bare.DataDescriptor = true;
  bare.DescriptorSignature = false;
  TZipBuilderEntry wide = Entry("Dados/zip64.bin", Bytes(4000, 3), 0);
  wide.Zip64 = true;
  TZipBuilderEntry both = Entry("Dados/zip64-descritor.bin", Bytes(6000, 4));
  both.Zip64 = both.DataDescriptor = true;
  TestSupport::TZipBuilder package;
  package.File("App.exe", Bytes(70000, 5))
      .Folder("Dados/")
      .Folder("Vazia/")
      .File("Dados/guardado.bin", Bytes(2000, 6), 0)
      .Add(described)
      .Add(bare)
      .Add(wide)
      .Add(both)
      .File("Outros/leiame.txt", "não escolhido");
  const std::string file = partial.Write(package, {3, 4, 5, 6, 7});

  const TStagedPackage staged = StagePartialPackage(file, partial.Manifest, {3, 4, 5, 6, 7}, partial.Destination);
  EXPECT_EQ(Infrastructure::Platform::ParentPath(staged.Folder), partial.Destination);
  const auto path = [](const char* A) { return Infrastructure::Platform::JoinPath("Dados", A); };
  EXPECT_EQ(staged.Files,
            (std::vector<std::string>{path("guardado.bin"), path("descritor.bin"), path("sem-assinatura.bin"),
                                      path("zip64.bin"), path("zip64-descritor.bin")}));
  EXPECT_EQ(staged.Folders, (std::vector<std::string>{"Dados", "Vazia"}));
  EXPECT_EQ(staged.Bytes, 2000u + 5000 + 3000 + 4000 + 6000);
  EXPECT_EQ(TestSupport::FolderSnapshot(staged.Folder),
            (std::map<std::string, std::string>{{"Dados", "<pasta>"},
                                                {"Vazia", "<pasta>"},
                                                {"Dados/guardado.bin", Bytes(2000, 6)},
                                                {"Dados/descritor.bin", Bytes(5000, 1)},
                                                {"Dados/sem-assinatura.bin", Bytes(3000, 2)},
                                                {"Dados/zip64.bin", Bytes(4000, 3)},
                                                {"Dados/zip64-descritor.bin", Bytes(6000, 4)}}));
  DiscardStaging(staged.Folder);
}

TEST(PartialPackageStaging, ARecordThatIsNotTheManifestsStagesNothing) {
  struct TCase {
    const char* Name;
    TestSupport::TZipBuilder Package;
    std::function<void(TPackageManifest&, std::string&)> Damage;  // the manifest, the partial file's bytes
    const char* Message;
  };
  TestSupport::TZipBuilder sound;
  sound.File("a.dat", Bytes(3000, 1)).File("b.dat", Bytes(4000, 2)).File("c.dat", "c", 0);
  TZipBuilderEntry badCrc = Entry("b.dat", Bytes(4000, 2));
  badCrc.Crc32 = 0x12345678;  // both headers agree, the contents do not
  TestSupport::TZipBuilder damaged;
  damaged.File("a.dat", Bytes(3000, 1)).Add(badCrc).File("c.dat", "c", 0);
  const TCase cases[] = {
      {"a byte of a record changed", sound,
       [](TPackageManifest& M, std::string& B) { B[M.Entries[1].RecordOffset + 40] ^= 1; }, "SHA-256"},
      {"a record that was never fetched", sound,
       [](TPackageManifest& M, std::string& B) {
         B.replace(M.Entries[1].RecordOffset, M.Entries[1].RecordLength, M.Entries[1].RecordLength, '\0');
       },
       "SHA-256"},
      {"a partial file cut short", sound,
       [](TPackageManifest& M, std::string& B) { B.resize(M.Entries[1].RecordOffset + 10); }, "termina antes"},
      {"a local header naming another file", sound,
       [](TPackageManifest& M, std::string&) { M.Entries[1].Name = "a.dat"; }, "outro nome"},
      {"another method than the manifest's", sound, [](TPackageManifest& M, std::string&) { M.Entries[1].Method = 0; },
       "método, tamanho ou CRC-32"},
      {"another size than the manifest's", sound,
       [](TPackageManifest& M, std::string&) { M.Entries[1].UncompressedSize = 4001; }, "método, tamanho ou CRC-32"},
      {"contents whose CRC-32 does not match", damaged, {}, "CRC-32 não confere"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    TPartial partial;
    const std::string file = partial.Write(c.Package, {0, 1, 2});
    std::string bytes = TestSupport::ReadFileBytes(file);
    if (c.Damage) c.Damage(partial.Manifest, bytes);
    Infrastructure::Platform::WriteFileAtomically(file, bytes);
    try {
      StagePartialPackage(file, partial.Manifest, {0, 1, 2}, partial.Destination);
      ADD_FAILURE() << "staged";
    } catch (const EZipError& e) {
      EXPECT_NE(std::string(e.what()).find(c.Message), std::string::npos) << e.what();
    }
    EXPECT_TRUE(TestSupport::FolderSnapshot(partial.Destination).empty()) << "no staging folder left";
  }
}

}  // namespace
