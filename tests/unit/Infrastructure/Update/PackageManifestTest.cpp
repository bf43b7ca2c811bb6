// The package manifest: what scripts/package-manifest.py writes for real
// archives reads back and matches them, sign-release.sh puts it under the
// signature, and damaged manifests are refused.
#include "Infrastructure/Update/PackageManifest.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "Infrastructure/Crypto/HexDigest.h"
#include "Infrastructure/Update/ReleaseInfoSource.h"
#include "support/ManifestBuilder.h"
#include "support/TempDir.h"
#include "support/ZipBuilder.h"

using Infrastructure::Platform::Sha256Of;
using Infrastructure::Platform::TSha256Digest;
using Infrastructure::Update::FindPackageMismatch;
using Infrastructure::Update::ParsePackageManifest;
using Infrastructure::Update::TManifestEntry;
using Infrastructure::Update::TPackageManifest;
using TestSupport::ReadFileBytes;
using TestSupport::TTempDir;
using TestSupport::TZipBuilder;
using TestSupport::TZipBuilderEntry;

namespace {

constexpr uint32_t kPiece = TPackageManifest::kPieceSize;

#ifdef QL_SOURCE_DIR
#define REQUIRE_SCRIPTS()
std::string Script(const char* AName) {
  return std::string(QL_SOURCE_DIR) + "/scripts/" + AName;
}
int Shell(const std::string& ACommand) {
  return std::system((ACommand + " 2>/dev/null").c_str());
}
#else
// The scripts are publisher tools of the build machine.
#define REQUIRE_SCRIPTS() GTEST_SKIP() << "no scripts in this build"
std::string Script(const char*) {
  return {};
}
int Shell(const std::string&) {
  return -1;
}
#endif

// The manifest the publisher's script writes for AZip.
std::string ManifestOf(const std::string& AZip) {
  const std::string output = AZip + ".manifest";
  EXPECT_EQ(Shell("python3 '" + Script("package-manifest.py") + "' '" + AZip + "' '" + output + "'"), 0);
  return ReadFileBytes(output);
}

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

TEST(PackageManifest, TheScriptsManifestDescribesEveryKindOfEntryAndMatchesItsArchive) {
  REQUIRE_SCRIPTS();
  TTempDir dir;
  const std::string big = Bytes(kPiece + 4321, 1);  // records and pieces that straddle each other
  TZipBuilderEntry described = Entry("Dados/descritor.bin", "com descritor de dados");
  described.DataDescriptor = true;
  TZipBuilderEntry bare = Entry("Dados/descritor-sem-assinatura.bin", Bytes(3000, 5));
  bare.DataDescriptor = true;
  bare.DescriptorSignature = false;
  TZipBuilderEntry wide = Entry("Dados/zip64.bin", "com campos ZIP64", 0);
  wide.Zip64 = true;
  TZipBuilderEntry both = Entry("Dados/zip64-descritor.bin", Bytes(5000, 2));
  both.Zip64 = both.DataDescriptor = true;
  TZipBuilderEntry utf8 = Entry("Relatórios/ação.txt", "nome em UTF-8");
  utf8.Flags = 0x0800;
  const std::string zip = dir.Join("pacote.zip");
  const std::string prefix = "MZ programa de autoextração";
  TZipBuilder()
      .Prefix(prefix, true)
      .Folder("Dados/")
      .File("Dados/grande.bin", big, 0)
      .File("App.exe", Bytes(70000, 3))
      .Add(described)
      .Add(bare)
      .Add(wide)
      .Add(both)
      .Add(utf8)
      .Comment("comentário")
      .WriteTo(zip);

  std::string error;
  const auto manifest = ParsePackageManifest(ManifestOf(zip), &error);
  ASSERT_TRUE(manifest) << error;
  EXPECT_EQ(FindPackageMismatch(*manifest, zip), std::nullopt);
  EXPECT_EQ(manifest->PackageSize, ReadFileBytes(zip).size());
  EXPECT_EQ(manifest->Pieces.size(), 2u);
  ASSERT_EQ(manifest->Entries.size(), 8u);
  const TManifestEntry& large = manifest->Entries[1];
  EXPECT_EQ(large.Name, "Dados/grande.bin");
  EXPECT_EQ(large.Method, 0);
  EXPECT_EQ(large.UncompressedSize, big.size());
  EXPECT_EQ(large.Crc32, TestSupport::Crc32(big));
  EXPECT_EQ(large.ContentSha256, Sha256Of(big));
  EXPECT_EQ(large.RecordLength, 30 + large.Name.size() + big.size());
  EXPECT_EQ(manifest->Entries[7].Name, "Relatórios/ação.txt");
  // The builder writes records back to back after the prefix: each length,
  // data descriptors and ZIP64 fields included, ends where the next begins.
  EXPECT_EQ(manifest->Entries[0].RecordOffset, prefix.size());
  for (size_t i = 0; i + 1 < manifest->Entries.size(); ++i)
    EXPECT_EQ(manifest->Entries[i].RecordOffset + manifest->Entries[i].RecordLength,
              manifest->Entries[i + 1].RecordOffset)
        << manifest->Entries[i].Name;

  // The same manifest against archives that differ from it in one place each.
  std::string changed = big;
  changed[kPiece + 10] ^= 1;
  TZipBuilderEntry sameCrc = Entry("Dados/grande.bin", changed, 0);
  sameCrc.Crc32 = TestSupport::Crc32(big);  // the central directory still agrees
  struct TCase {
    const char* Name;
    std::string Prefix;
    TZipBuilderEntry Large;
    const char* Expected;
  };
  const TCase cases[] = {
      {"one byte of a stored entry", prefix, Entry("Dados/grande.bin", changed, 0), "CRC-32 de \"Dados/grande.bin\""},
      {"one byte behind an unchanged CRC-32", prefix, sameCrc, "SHA-256 do registro de \"Dados/grande.bin\""},
      {"an entry renamed", prefix, Entry("Dados/grandE.bin", big, 0), "nome da entrada 1"},
      {"another prefix of the same length", "ZM" + prefix.substr(2), Entry("Dados/grande.bin", big, 0),
       "SHA-256 do pedaço 0"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    TZipBuilder other;
    other.Prefix(c.Prefix, true).Folder("Dados/").Add(c.Large);
    for (const TZipBuilderEntry& entry : {Entry("App.exe", Bytes(70000, 3)), described, bare, wide, both, utf8})
      other.Add(entry);
    other.Comment("comentário").WriteTo(dir.Join("outro.zip"));
    const auto mismatch = FindPackageMismatch(*manifest, dir.Join("outro.zip"));
    ASSERT_TRUE(mismatch);
    EXPECT_NE(mismatch->find(c.Expected), std::string::npos) << *mismatch;
  }
  EXPECT_TRUE(FindPackageMismatch(*manifest, dir.Join("nenhum.zip")));
}

TEST(PackageManifest, SigningPutsAZipsManifestUnderTheSignatureAndAnExeGetsNone) {
  REQUIRE_SCRIPTS();
  TTempDir dir;
  const std::string key = dir.Join("chave.pem");
  ASSERT_EQ(Shell("openssl ecparam -name prime256v1 -genkey -noout -out '" + key + "'"), 0);
  const std::string document = dir.WriteFile("versao.ini", "[Atualizacao]\nVersaoMinima=2.0\n");
  const std::string zip = dir.Join("pacote.zip");
  TZipBuilder().File("App.exe", Bytes(3000, 4)).File("Dados/a.dat", "a").WriteTo(zip);
  const auto sign = [&](const std::string& APackage) {
    return Shell("bash '" + Script("sign-release.sh") + "' --key '" + key + "' --package '" + APackage + "' '" +
                 document + "' >/dev/null");
  };

  ASSERT_EQ(sign(zip), 0);
  const std::string manifest = ReadFileBytes(zip + ".manifest");
  const auto info = Infrastructure::Update::TReleaseInfoSource::ParseDocument(ReadFileBytes(document));
  EXPECT_EQ(info.ManifestCheck.Sha256, Infrastructure::Crypto::ToHex(Sha256Of(manifest)));
  EXPECT_EQ(info.ManifestCheck.Size, static_cast<int64_t>(manifest.size()));
  EXPECT_FALSE(info.PackageCheck.IsEmpty());

  // The next release ships an executable: the old manifest's keys must not stay behind.
  const std::string exe = dir.WriteFile("Instalador.EXE", "MZ não é um ZIP");
  ASSERT_EQ(sign(exe), 0);
  const auto exeInfo = Infrastructure::Update::TReleaseInfoSource::ParseDocument(ReadFileBytes(document));
  EXPECT_TRUE(exeInfo.ManifestCheck.IsEmpty());
  EXPECT_EQ(exeInfo.PackageCheck.Size, 17);
  EXPECT_FALSE(std::ifstream(exe + ".manifest").good());

  // A package meant as a ZIP that is none is refused before the document changes.
  const std::string before = ReadFileBytes(document);
  EXPECT_NE(sign(dir.WriteFile("falso.zip", "não é um ZIP")), 0);
  EXPECT_EQ(ReadFileBytes(document), before);
}

TEST(PackageManifest, AFiveThousandEntryPackageStaysUnder120BytesAnEntry) {
  REQUIRE_SCRIPTS();
  TTempDir dir;
  TZipBuilder builder;
  char name[64];
  for (int i = 0; i < 5000; ++i) {
    std::snprintf(name, sizeof(name), "Dados/Sub/arquivo_%05d.dat", i);
    builder.File(name, Bytes(200 + (i * 37) % 1800, static_cast<unsigned>(i)));
  }
  const std::string zip = dir.Join("grande.zip");
  builder.WriteTo(zip);
  const std::string bytes = ManifestOf(zip);
  const auto manifest = ParsePackageManifest(bytes);
  ASSERT_TRUE(manifest);
  EXPECT_EQ(FindPackageMismatch(*manifest, zip), std::nullopt);
  // The tests that cannot run the script (under Wine) write what it writes.
  EXPECT_TRUE(TestSupport::EncodeManifest(TestSupport::ManifestOfZip(zip)) == bytes);
  const double perEntry = static_cast<double>(bytes.size()) / 5000;
  std::printf("manifest of 5000 entries, %llu-byte package: %zu bytes, %.1f bytes an entry\n",
              static_cast<unsigned long long>(manifest->PackageSize), bytes.size(), perEntry);
  RecordProperty("BytesPerEntry", std::to_string(perEntry));
  EXPECT_LE(perEntry, 120.0);
}

// Manifests written field by field, for damage the script never makes.
struct TFields {
  uint32_t Version = 1;
  uint64_t PackageSize = 3 * kPiece - 5;
  uint32_t PieceSize = kPiece;
  int64_t PieceCount = 3;
  int64_t EntryCount = -1;  // the entries' own count
  std::vector<TManifestEntry> Entries;
};

using TestSupport::PutLittle;
TSha256Digest Filled(uint8_t AByte) {
  TSha256Digest digest;
  digest.fill(AByte);
  return digest;
}

std::string Encode(const TFields& AFields) {
  std::string out = "QLMF";
  PutLittle(out, AFields.Version, 4);
  PutLittle(out, AFields.PackageSize, 8);
  PutLittle(out, AFields.PieceSize, 4);
  PutLittle(out, static_cast<uint64_t>(AFields.PieceCount), 4);
  PutLittle(out, AFields.EntryCount < 0 ? AFields.Entries.size() : static_cast<uint64_t>(AFields.EntryCount), 4);
  for (int64_t i = 0; i < AFields.PieceCount && i < 3; ++i) out.append(32, static_cast<char>(0xA0 + i));
  for (const TManifestEntry& entry : AFields.Entries) TestSupport::PutManifestEntry(out, entry);
  return out;
}

TFields SoundFields() {
  TFields fields;
  fields.Entries.push_back({"App.exe", 8, 0x12345678, 300000, 0, 200, Filled(1), Filled(2)});
  fields.Entries.push_back({"Dados/", 0, 0, 0, 200, 36, Filled(3), Filled(4)});
  fields.Entries.push_back({"Dados/último.dat", 0, 7, 2 * kPiece, 236, 2 * kPiece + 47, Filled(5), Filled(6)});
  return fields;
}

constexpr size_t kFirstEntry = 28 + 3 * 32;

TEST(PackageManifest, ReadsEveryFieldOfASoundManifest) {
  std::string error;
  const auto manifest = ParsePackageManifest(Encode(SoundFields()), &error);
  ASSERT_TRUE(manifest) << error;
  EXPECT_EQ(manifest->PackageSize, 3u * kPiece - 5);
  ASSERT_EQ(manifest->Pieces.size(), 3u);
  EXPECT_EQ(manifest->Pieces[2], Filled(0xA2));
  const TFields fields = SoundFields();
  ASSERT_EQ(manifest->Entries.size(), fields.Entries.size());
  for (size_t i = 0; i < fields.Entries.size(); ++i) {
    SCOPED_TRACE(i);
    const TManifestEntry &got = manifest->Entries[i], &want = fields.Entries[i];
    EXPECT_EQ(got.Name, want.Name);
    EXPECT_EQ(got.Method, want.Method);
    EXPECT_EQ(got.Crc32, want.Crc32);
    EXPECT_EQ(got.UncompressedSize, want.UncompressedSize);
    EXPECT_EQ(got.RecordOffset, want.RecordOffset);
    EXPECT_EQ(got.RecordLength, want.RecordLength);
    EXPECT_EQ(got.ContentSha256, want.ContentSha256);
    EXPECT_EQ(got.RecordSha256, want.RecordSha256);
  }
  // An empty package: no pieces, no entries.
  TFields empty;
  empty.PackageSize = 0;
  empty.PieceCount = 0;
  EXPECT_TRUE(ParsePackageManifest(Encode(empty)));
}

TEST(PackageManifest, RefusesMalformedManifests) {
  struct TCase {
    const char* Name;
    std::function<void(TFields&)> Change;
    std::function<void(std::string&)> Damage;
  };
  const auto entry = [](size_t I) { return [I](TFields& S) -> TManifestEntry& { return S.Entries[I]; }; };
  const auto rename = [&](std::string AName) { return [=](TFields& S) { entry(1)(S).Name = AName; }; };
  const TCase cases[] = {
      {"nothing", {}, [](std::string& B) { B.clear(); }},
      {"a header cut short", {}, [](std::string& B) { B.resize(27); }},
      {"another magic", {}, [](std::string& B) { B[3] = 'X'; }},
      {"another version", [](TFields& S) { S.Version = 2; }, {}},
      {"another piece size", [](TFields& S) { S.PieceSize = kPiece / 2; }, {}},
      {"a piece too few", [](TFields& S) { S.PieceCount = 2; }, {}},
      {"a piece too many", [](TFields& S) { S.PackageSize = 2 * kPiece; }, {}},
      {"pieces beyond the bytes",
       [](TFields& S) {
         S.PieceCount = 0xFFFFFFFF;
         S.PackageSize = 0xFFFFFFFFull * kPiece;
       },
       {}},
      {"entries beyond the bytes", [](TFields& S) { S.EntryCount = 0xFFFFFFFF; }, {}},
      {"an entry too many", [](TFields& S) { S.EntryCount = 4; }, {}},
      {"an entry too few", [](TFields& S) { S.EntryCount = 2; }, {}},
      {"the last entry cut short", {}, [](std::string& B) { B.pop_back(); }},
      {"a byte after the last entry", {}, [](std::string& B) { B += '\0'; }},
      {"a name length in a longer form than needed",
       {},
       [](std::string& B) { B.replace(kFirstEntry, 1, std::string("\x87\x00", 2)); }},
      {"a varint past 64 bits", {}, [](std::string& B) { B.replace(kFirstEntry, 1, std::string(9, '\xFF') + "\x02"); }},
      {"a method past 16 bits", [&](TFields& S) { entry(0)(S).Method = 0; },
       [](std::string& B) { B.replace(kFirstEntry + 1 + 7, 1, "\x80\x80\x04"); }},
      {"an empty name", rename(""), {}},
      {"a name that climbs out", rename("Dados/../../x"), {}},
      {"an absolute name", rename("/etc/x"), {}},
      {"a name with a drive", rename("C:Dados/"), {}},
      {"a device name", rename("Dados/NUL.txt"), {}},
      {"a name with a control character", rename("Dados\t/"), {}},
      {"a method the launcher cannot extract", [&](TFields& S) { entry(1)(S).Method = 12; }, {}},
      {"records overlapping", [&](TFields& S) { entry(1)(S).RecordOffset = 199; }, {}},
      {"records out of order", [&](TFields& S) { std::swap(S.Entries[0], S.Entries[1]); }, {}},
      {"a record past the package", [&](TFields& S) { entry(2)(S).RecordLength = 3 * kPiece - 5 - 235; }, {}},
      {"a record whose end wraps around", [&](TFields& S) { entry(2)(S).RecordLength = ~uint64_t{0} - 100; }, {}},
      {"a record that begins past the package", [&](TFields& S) { entry(2)(S).RecordOffset = 3 * kPiece; }, {}},
      {"a record shorter than its local header and name", [&](TFields& S) { entry(1)(S).RecordLength = 35; }, {}},
  };
  ASSERT_TRUE(ParsePackageManifest(Encode(SoundFields())));
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    TFields fields = SoundFields();
    if (c.Change) c.Change(fields);
    std::string bytes = Encode(fields);
    if (c.Damage) c.Damage(bytes);
    std::string error;
    EXPECT_FALSE(ParsePackageManifest(bytes, &error));
    EXPECT_NE(error.find("Manifesto do pacote inválido"), std::string::npos) << error;
  }
}

}  // namespace
