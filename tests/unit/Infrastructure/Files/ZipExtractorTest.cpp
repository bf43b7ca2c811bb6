#include "Infrastructure/Files/ZipExtractor.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <set>

#include "support/TempDir.h"
#include "support/Utf8Path.h"
#include "support/ZipBuilder.h"

using Infrastructure::Files::ExtractZipArchive;
using TestSupport::PathFromUtf8;
using TestSupport::PathToUtf8;
using TestSupport::TTempDir;
using TestSupport::TZipBuilder;
using TestSupport::TZipBuilderEntry;

namespace {

constexpr uint16_t kUtf8Flag = 0x0800;

// Every file and folder below ARoot, "/"-separated, folders with a trailing "/".
std::set<std::string> Tree(const std::string& ARoot) {
  std::set<std::string> out;
  const auto root = PathFromUtf8(ARoot);
  for (const auto& item : std::filesystem::recursive_directory_iterator(root)) {
    std::string relative = PathToUtf8(std::filesystem::relative(item.path(), root).generic_u8string());
    if (item.is_directory()) relative += '/';
    out.insert(relative);
  }
  return out;
}

bool Exists(const std::string& APath) {
  return std::filesystem::exists(PathFromUtf8(APath));
}

std::string Pattern(size_t ASize, unsigned ASeed) {
  std::string out(ASize, '\0');
  uint32_t state = ASeed * 2654435761u + 1;
  for (char& c : out) {
    state = state * 1103515245u + 12345u;
    c = static_cast<char>(state >> 24);
  }
  return out;
}

TZipBuilderEntry Entry(std::string AName, std::string AData, uint16_t AMethod = 8) {
  TZipBuilderEntry entry;
  entry.Name = std::move(AName);
  entry.Data = std::move(AData);
  entry.Method = AMethod;
  return entry;
}

class ZipExtractorTest : public testing::Test {
 protected:
  // The destination's parent does not exist either: the chain is created.
  std::string Destination() const { return FDir.Join("instalacao/Aplicacao"); }
  std::string Archive(const TZipBuilder& ABuilder) const {
    const std::string path = FDir.Join("pacote.zip");
    ABuilder.WriteTo(path);
    return path;
  }
  bool Extract(const TZipBuilder& ABuilder) const { return ExtractZipArchive(Archive(ABuilder), Destination()); }
  std::string Read(std::string_view ARelative) const {
    return TestSupport::ReadFileBytes(PathToUtf8(PathFromUtf8(Destination()) / PathFromUtf8(ARelative)));
  }

  TTempDir FDir;
};

TEST_F(ZipExtractorTest, MissingArchiveFailsWithoutCreatingTheDestination) {
  EXPECT_FALSE(ExtractZipArchive(FDir.Join("nao-existe.zip"), Destination()));
  EXPECT_FALSE(ExtractZipArchive(FDir.MakeDir("pasta.zip"), Destination()));
  EXPECT_FALSE(Exists(FDir.Join("instalacao")));
}

TEST_F(ZipExtractorTest, ExtractsStoredDeflatedAndFolderEntries) {
  const std::string big = Pattern(700 * 1024, 1);  // beyond one read buffer
  TZipBuilder zip;
  zip.File("leia-me.txt", "texto simples", 0)
      .File("App.exe", big, 8)
      .File("bin/dados/tabela.dat", big, 0)
      .File("lib\\win\\modulo.dll", "modulo", 8)  // Windows tools store "\"
      .Folder("vazia/")
      .Folder("logs\\antigos\\")
      .File("vazio.txt", "", 8)
      .File("vazio-armazenado.txt", "", 0);
  ASSERT_TRUE(Extract(zip));

  EXPECT_EQ(Tree(Destination()),
            (std::set<std::string>{"App.exe", "bin/", "bin/dados/", "bin/dados/tabela.dat", "leia-me.txt", "lib/",
                                   "lib/win/", "lib/win/modulo.dll", "logs/", "logs/antigos/", "vazia/", "vazio.txt",
                                   "vazio-armazenado.txt"}));
  EXPECT_EQ(Read("leia-me.txt"), "texto simples");
  EXPECT_EQ(Read("App.exe"), big);
  EXPECT_EQ(Read("bin/dados/tabela.dat"), big);
  EXPECT_EQ(Read("lib/win/modulo.dll"), "modulo");
  EXPECT_EQ(Read("vazio.txt"), "");
}

TEST_F(ZipExtractorTest, AFolderNamedInTwoLetterCasesInstallsIntoAnEmptyFolderAndOverItself) {
  // Windows takes "Dados" and "dados" for one folder, as it does for two files; Linux for two.
  TZipBuilder zip;
  zip.File("Dados/a.txt", "a").File("dados/b.txt", "b").Folder("DADOS/vazia/").File("dados/A.TXT", "a2");
  for (int round = 0; round < 2; ++round) {
    SCOPED_TRACE(round == 0 ? "into an empty folder" : "over the installed copy");
    ASSERT_TRUE(Extract(zip));
    EXPECT_EQ(Read("dados/b.txt"), "b");
    EXPECT_EQ(Read("dados/A.TXT"), "a2");
#ifdef _WIN32
    EXPECT_EQ(Read("Dados/a.txt"), "a2");  // the later entry of the same name wins
#else
    EXPECT_EQ(Read("Dados/a.txt"), "a");
#endif
  }
}

TEST_F(ZipExtractorTest, EmptyArchiveCreatesTheDestination) {
  ASSERT_TRUE(Extract(TZipBuilder()));
  EXPECT_TRUE(Tree(Destination()).empty());
}

TEST_F(ZipExtractorTest, ReplacesExistingFilesInArchiveOrderAndKeepsOthers) {
  FDir.WriteFile("instalacao/Aplicacao/App.exe", "versão antiga, bem mais longa que a nova");
  FDir.WriteFile("instalacao/Aplicacao/Config.ini", "[BancoDados]");
  TZipBuilder zip;
  zip.File("App.exe", "primeira", 8).File("App.exe", "segunda", 0);  // the later entry wins
  ASSERT_TRUE(Extract(zip));
  EXPECT_EQ(Read("App.exe"), "segunda");
  EXPECT_EQ(Read("Config.ini"), "[BancoDados]");
  EXPECT_EQ(Tree(Destination()), (std::set<std::string>{"App.exe", "Config.ini"}));
}

TEST_F(ZipExtractorTest, ReadsEveryArchiveLayout) {
  const std::string big = Pattern(300 * 1024, 2);
  struct TCase {
    const char* Name;
    std::function<void(TZipBuilder&)> Shape;
    std::function<void(TZipBuilderEntry&)> EntryShape;
  };
  const auto none = [](auto&) {};
  const TCase cases[] = {
      {"plain", none, none},
      {"longest comment", [](TZipBuilder& z) { z.Comment(std::string(65535, 'c')); }, none},
      {"comment holding an end-record signature",
       [](TZipBuilder& z) { z.Comment("PK\x05\x06 assinatura falsa no comentário"); }, none},
      {"self-extractor prefix", [](TZipBuilder& z) { z.Prefix("MZ" + Pattern(5000, 3)); }, none},
      {"prefix with adjusted offsets", [](TZipBuilder& z) { z.Prefix("MZ" + Pattern(5000, 4), true); }, none},
      {"data descriptors", none, [](TZipBuilderEntry& e) { e.DataDescriptor = true; }},
      {"ZIP64 entries", none, [](TZipBuilderEntry& e) { e.Zip64 = true; }},
      {"ZIP64 entries behind a prefix", [](TZipBuilder& z) { z.Prefix("MZ" + Pattern(777, 5)); },
       [](TZipBuilderEntry& e) { e.Zip64 = true; }},
      {"ZIP64 with data descriptors", none,
       [](TZipBuilderEntry& e) {
         e.Zip64 = true;
         e.DataDescriptor = true;
       }},
      {"ZIP64 end records only", [](TZipBuilder& z) { z.Zip64End(); }, none},
      {"deflate level 0 (stored blocks)", [](TZipBuilder& z) { z.Level(0); }, none},
      {"deflate level 9", [](TZipBuilder& z) { z.Level(9); }, none},
      {"unknown extra fields", none, [](TZipBuilderEntry& e) { e.Extra = std::string("\x99\x99\x03\x00xyz", 7); }},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    TZipBuilder zip;
    c.Shape(zip);
    for (auto entry : {Entry("a/um.bin", big, 8), Entry("dois.txt", "dois", 0), Entry("tres.txt", "três", 8)}) {
      c.EntryShape(entry);
      zip.Add(entry);
    }
    ASSERT_TRUE(Extract(zip));
    EXPECT_EQ(Read("a/um.bin"), big);
    EXPECT_EQ(Read("dois.txt"), "dois");
    EXPECT_EQ(Read("tres.txt"), "três");
    std::filesystem::remove_all(PathFromUtf8(Destination()));
  }
}

TEST_F(ZipExtractorTest, DecodesEntryNames) {
  // Info-ZIP's Unicode path field: version 1, CRC-32 of the stored name, the UTF-8 name.
  const auto unicodePath = [](uint32_t ACrc, std::string_view AUtf8) {
    std::string extra("\x75\x70", 2);
    const size_t length = 5 + AUtf8.size();
    extra += static_cast<char>(length & 0xFF);
    extra += static_cast<char>(length >> 8);
    extra += '\x01';
    for (int shift = 0; shift < 32; shift += 8) extra += static_cast<char>((ACrc >> shift) & 0xFF);
    extra += AUtf8;
    return extra;
  };
  TZipBuilderEntry utf8 = Entry("Configuração/Ação.ini", "utf8");
  utf8.Flags = kUtf8Flag;
  TZipBuilderEntry cp437 = Entry("Relat\xA2rio \x87\xE1.txt", "cp437");  // ó ç ß
  TZipBuilderEntry infoZip = Entry("Acao.txt", "extra");
  infoZip.Extra = unicodePath(TestSupport::Crc32("Acao.txt"), "Ação.txt");
  TZipBuilderEntry stale = Entry("Antigo.txt", "stale");  // renamed after the extra field was written
  stale.Extra = unicodePath(TestSupport::Crc32("Outro.txt"), "Outro.txt");
  TZipBuilderEntry unix = Entry("Edição.txt", "unix");  // Info-ZIP on Linux: UTF-8 without the flag
  unix.Host = 3;
  TZipBuilderEntry unixCp437 = Entry("Sess\x84o.txt", "not UTF-8");  // ä
  unixCp437.Host = 3;
  TZipBuilderEntry dos = Entry("Edição.txt", "dos");  // the same bytes from DOS are CP437
  TZipBuilder zip;
  zip.Add(utf8).Add(cp437).Add(infoZip).Add(stale).Add(unix).Add(unixCp437).Add(dos);
  ASSERT_TRUE(Extract(zip));
  EXPECT_EQ(Tree(Destination()),
            (std::set<std::string>{"Configuração/", "Configuração/Ação.ini", "Relatório çß.txt", "Ação.txt",
                                   "Antigo.txt", "Edição.txt", "Sessäo.txt", "Edi├º├úo.txt"}));
  EXPECT_EQ(Read("Ação.txt"), "extra");
}

TEST_F(ZipExtractorTest, OddButSafeNamesStayInside) {
  TZipBuilder zip;
  zip.File("./raiz.txt", "1")
      .File("a//b.txt", "2")
      .File("..a", "3")
      .File("x..y.txt", "4")
      .File(".oculto", "5")
      .File("COM10.txt", "6")
      .File("console.log", "7")
      .File("nul_x", "8")
      .File("com1x.txt", "9");
  ASSERT_TRUE(Extract(zip));
  EXPECT_EQ(Tree(Destination()), (std::set<std::string>{"raiz.txt", "a/", "a/b.txt", "..a", "x..y.txt", ".oculto",
                                                        "COM10.txt", "console.log", "nul_x", "com1x.txt"}));
}

// A bad name anywhere refuses the whole archive before anything is written,
// so the good entry in front of it must not appear either.
TEST_F(ZipExtractorTest, UnsafeNamesRefuseTheWholeArchive) {
  const std::string names[] = {
      "",
      "/etc/passwd",
      "\\Windows\\win.ini",
      "\\\\servidor\\pasta\\x.txt",
      "//servidor/pasta/x.txt",
      "C:\\Windows\\x.dll",
      "C:x.dll",
      "a/C:/x",
      "arquivo.txt:fluxo",
      "arquivo.txt::$DATA",
      "../fora.txt",
      "..\\fora.txt",
      "a/../../fora.txt",
      "a\\..\\..\\fora.txt",
      "a/..",
      "../",
      "...",
      "a/.. /b",
      "a/. ./b",
      "nome.",
      "pasta /x",
      std::string("x\0y.txt", 7),
      "a\tb.txt",
      "a\nb.txt",
      "a\x7f.txt",
      "o que?.txt",
      "a*b",
      "a|b",
      "a<b",
      "a>b",
      "a\"b",
      "CON",
      "con.txt",
      "sub/NUL.dat",
      "Aux",
      "PRN.log",
      "LPT1",
      "com9.txt",
      "CONOUT$",
      "COM\xC2\xB9",  // COM and superscript one
      ".",
      "./",
  };
  for (const std::string& name : names) {
    SCOPED_TRACE(testing::PrintToString(name));
    TZipBuilderEntry bad = Entry(name, "ruim");
    bad.Flags = kUtf8Flag;
    TZipBuilder zip;
    zip.File("bom.txt", "bom").Add(bad).File("depois.txt", "depois");
    EXPECT_FALSE(Extract(zip));
    EXPECT_FALSE(Exists(FDir.Join("instalacao")));
    EXPECT_FALSE(Exists(FDir.Join("fora.txt")));
    std::filesystem::remove_all(PathFromUtf8(FDir.Join("instalacao")));
  }
}

TEST_F(ZipExtractorTest, UnsupportedArchivesWriteNothing) {
  struct TCase {
    const char* Name;
    std::function<void(TZipBuilder&)> Shape;
  };
  const auto last = [](std::function<void(TZipBuilderEntry&)> AChange) {
    return [AChange](TZipBuilder& z) {
      TZipBuilderEntry entry = Entry("ultimo.bin", "conteúdo");
      AChange(entry);
      z.Add(entry);
    };
  };
  const TCase cases[] = {
      {"encrypted", last([](TZipBuilderEntry& e) { e.Flags = 0x0001; })},
      {"strong encryption", last([](TZipBuilderEntry& e) { e.Flags = 0x0041; })},
      {"bzip2", last([](TZipBuilderEntry& e) { e.Method = 12; })},
      {"LZMA", last([](TZipBuilderEntry& e) { e.Method = 14; })},
      {"deflate64", last([](TZipBuilderEntry& e) { e.Method = 9; })},
      {"one volume of several", [](TZipBuilder& z) { z.DiskNumber(1); }},
      {"ZIP64 volume of several",
       [](TZipBuilder& z) {
         z.DiskNumber(2);
         z.Zip64End();
       }},
      {"invalid UTF-8 name", last([](TZipBuilderEntry& e) {
         e.Name = "a\xC3(.txt";
         e.Flags = kUtf8Flag;
       })},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    TZipBuilder zip;
    zip.File("primeiro.txt", "primeiro");
    c.Shape(zip);
    EXPECT_FALSE(Extract(zip));
    EXPECT_FALSE(Exists(FDir.Join("instalacao")));
  }
}

// Damage found while reading the central directory: nothing is written.
TEST_F(ZipExtractorTest, CorruptDirectoryWritesNothing) {
  TZipBuilder good;
  good.File("um.txt", "um").File("dois.txt", "dois");
  const std::string bytes = good.Build();
  const auto patched = [&](size_t AFromEnd, std::string_view AValue) {
    std::string out = bytes;
    out.replace(out.size() - AFromEnd, AValue.size(), AValue);
    return out;
  };
  TZipBuilderEntry shared = Entry("dois.txt", "dois");
  shared.LocalHeaderOffset = 0;  // both entries claim the first local header
  TZipBuilderEntry overlong = Entry("um.txt", Pattern(1000, 6));
  overlong.CompressedSize = 5000;  // runs over the next entry
  TZipBuilderEntry storedSizes = Entry("um.txt", "um", 0);
  storedSizes.UncompressedSize = 3;
  TZipBuilderEntry beyond = Entry("um.txt", "um");
  beyond.LocalHeaderOffset = 1u << 20;

  struct TCase {
    const char* Name;
    std::string Bytes;
  };
  const TCase cases[] = {
      {"empty file", ""},
      {"not an archive", "apenas texto, nada de ZIP aqui, mas longo o bastante para um registro final"},
      {"end record cut off", bytes.substr(0, bytes.size() - 5)},
      {"only the first half", bytes.substr(0, bytes.size() / 2)},
      {"more entries than the directory holds", patched(14, std::string("\x03\x00\x03\x00", 4))},
      {"fewer entries than the directory holds", patched(14, std::string("\x01\x00\x01\x00", 4))},
      {"directory size beyond the file", patched(10, std::string("\xFF\x7F\x00\x00", 4))},
      {"directory offset wrong", patched(6, std::string("\x01\x00\x00\x00", 4))},
      {"two entries sharing one header", TZipBuilder().File("um.txt", "um").Add(shared).Build()},
      {"entry data over the next entry", TZipBuilder().Add(overlong).File("dois.txt", "dois").Build()},
      {"stored sizes that differ", TZipBuilder().Add(storedSizes).Build()},
      {"local header beyond the directory", TZipBuilder().Add(beyond).Build()},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    const std::string path = FDir.WriteFile("pacote.zip", c.Bytes);
    EXPECT_FALSE(ExtractZipArchive(path, Destination()));
    EXPECT_FALSE(Exists(FDir.Join("instalacao")));
  }
}

// Damage found in one entry while extracting: the entries before it stay, the
// good file it would replace stays as it was, and no temporary file is left.
TEST_F(ZipExtractorTest, CorruptEntryNeverReplacesAGoodFile) {
  const std::string content = Pattern(200 * 1024, 7) + std::string(300 * 1024, 'z');
  const std::string deflated = TestSupport::Deflate(content);
  struct TCase {
    const char* Name;
    std::function<void(TZipBuilderEntry&)> Damage;
  };
  const TCase cases[] = {
      {"wrong CRC", [](TZipBuilderEntry& e) { e.Crc32 = 0x12345678; }},
      {"wrong CRC, stored",
       [](TZipBuilderEntry& e) {
         e.Method = 0;
         e.Crc32 = 0x12345678;
       }},
      {"wrong CRC in a data descriptor",
       [](TZipBuilderEntry& e) {
         e.DataDescriptor = true;
         e.Crc32 = 0x12345678;
       }},
      {"inflates past its declared size", [](TZipBuilderEntry& e) { e.UncompressedSize = 1000; }},
      {"inflates short of its declared size", [&](TZipBuilderEntry& e) { e.UncompressedSize = content.size() + 1; }},
      {"compressed size cut short", [&](TZipBuilderEntry& e) { e.CompressedSize = deflated.size() / 2; }},
      {"deflate stream truncated",
       [&](TZipBuilderEntry& e) { e.StoredBytes = deflated.substr(0, deflated.size() / 2); }},
      {"invalid deflate data", [](TZipBuilderEntry& e) { e.StoredBytes = std::string(4096, '\xFF'); }},
      {"local name differs", [](TZipBuilderEntry& e) { e.LocalName = "App.exf"; }},
      {"local method differs", [](TZipBuilderEntry& e) { e.LocalMethod = 0; }},
      {"local CRC differs", [](TZipBuilderEntry& e) { e.LocalCrc32 = 1; }},
      {"local size differs", [&](TZipBuilderEntry& e) { e.LocalUncompressedSize = content.size() - 1; }},
      {"local compressed size differs", [&](TZipBuilderEntry& e) { e.LocalCompressedSize = deflated.size() + 1; }},
      {"local ZIP64 size differs",
       [&](TZipBuilderEntry& e) {
         e.Zip64 = true;
         e.LocalUncompressedSize = content.size() + 1;
       }},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    TTempDir dir;
    const std::string destination = dir.Join("app");
    dir.WriteFile("app/App.exe", "versão boa");
    TZipBuilderEntry damaged = Entry("App.exe", content);
    c.Damage(damaged);
    TZipBuilder zip;
    zip.File("primeiro.txt", "primeiro").Add(damaged).File("ultimo.txt", "ultimo");
    const std::string archive = dir.Join("pacote.zip");
    zip.WriteTo(archive);

    // Nothing of the package lands: the folder is exactly as it was.
    EXPECT_FALSE(ExtractZipArchive(archive, destination));
    EXPECT_EQ(Tree(destination), (std::set<std::string>{"App.exe"}));
    EXPECT_EQ(TestSupport::ReadFileBytes(dir.Join("app/App.exe")), "versão boa");
  }
}

TEST_F(ZipExtractorTest, UnwritableTargetsFailAndChangeNothing) {
  // A file stands where a folder must go.
  FDir.WriteFile("instalacao/Aplicacao/sub", "arquivo");
  TZipBuilder zip;
  zip.File("antes.txt", "antes").File("sub/dentro.txt", "x").File("depois.txt", "depois");
  EXPECT_FALSE(Extract(zip));
  EXPECT_EQ(Tree(Destination()), (std::set<std::string>{"sub"}));

  // A folder stands where a file must go.
  FDir.MakeDir("instalacao/Aplicacao/pasta/interna");
  TZipBuilder folder;
  folder.File("pasta", "x");
  EXPECT_FALSE(Extract(folder));
  EXPECT_EQ(Tree(FDir.Join("instalacao/Aplicacao/pasta")), (std::set<std::string>{"interna/"}));

  // The destination itself is a file.
  const std::string file = FDir.WriteFile("destino-arquivo", "x");
  EXPECT_FALSE(ExtractZipArchive(Archive(folder), file));
  EXPECT_EQ(TestSupport::ReadFileBytes(file), "x");
}

TEST_F(ZipExtractorTest, ExtractsLargeEntriesThroughFixedBuffers) {
  // 50 MB that deflate squeezes to a few hundred KB, different in every block,
  // so a misplaced buffer shows in the bytes and not only in the CRC.
  std::string large(50u << 20, '\0');
  for (size_t block = 0; block < large.size(); block += 4096) {
    const std::string stamp = "bloco " + std::to_string(block / 4096) + "\n";
    large.replace(block, stamp.size(), stamp);
  }
  const std::string stored = Pattern(3u << 20, 8);
  TZipBuilder zip;
  zip.Level(1).File("dados/grande.bin", large, 8).File("dados/armazenado.bin", stored, 0);
  ASSERT_TRUE(Extract(zip));
  EXPECT_TRUE(Read("dados/grande.bin") == large);
  EXPECT_TRUE(Read("dados/armazenado.bin") == stored);
}

}  // namespace
