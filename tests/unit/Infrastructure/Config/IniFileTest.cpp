#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "Core/Errors.h"
#include "Core/Text/Unicode.h"
#include "Infrastructure/Config/IniFile.h"
#include "support/TempDir.h"
#include "support/Utf8Path.h"

using Infrastructure::Config::TIniEncoding;
using Infrastructure::Config::TIniFile;
using TestSupport::PathFromUtf8;
using TestSupport::ReadFileBytes;
using TestSupport::TTempDir;
using namespace std::string_literals;

namespace {

// "çãé€" and an emoji: two-, three- and four-byte UTF-8, a surrogate pair in UTF-16.
const std::string kPassword = "p\xC3\xA7\xC3\xA3\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80";
const std::string kOtherPassword =
    "\xC3\x87"
    "ed\xC3\xADlia \xE2\x82\xAC 42";

std::string Encode(std::string_view AText, TIniEncoding AEncoding) {
  if (AEncoding == TIniEncoding::Utf8WithMark) return "\xEF\xBB\xBF" + std::string(AText);
  const bool bigEndian = AEncoding == TIniEncoding::Utf16BE;
  std::string out = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
  for (const char16_t unit : Core::Text::Utf8ToUtf16(AText)) {
    const char high = static_cast<char>(unit >> 8), low = static_cast<char>(unit & 0xFF);
    out += bigEndian ? high : low;
    out += bigEndian ? low : high;
  }
  return out;
}

size_t EntriesIn(const std::string& AFolder) {
  size_t count = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(PathFromUtf8(AFolder))) ++count;
  return count;
}

// What a save writes must parse back to the same document.
void ExpectRoundTrip(const TIniFile& AIni) {
  const TIniFile again = TIniFile::Parse(AIni.Serialize());
  EXPECT_EQ(again.Encoding(), AIni.Encoding());
  EXPECT_EQ(again.Sections(), AIni.Sections());
  EXPECT_EQ(again.Serialize(), AIni.Serialize());
}

}  // namespace

TEST(IniFileRead, FollowsTheReadingRules) {
  const TIniFile ini = TIniFile::Parse(
      "Senha=before any header\r\n"
      "[ BancoDados ]\n"
      "  usuario = sa  \n"
      "; Servidor=commented out\n"
      "Servidor\r"  // lone CR ends a line; no "=" is a key with no value
      "BANCO=a=b\r\n"
      "DRIVE\t=\tSQL Server\t\n"
      "Usuario=second occurrence\n"
      "\x00 Porta = 1433 \x00\n"
      "[\n"
      "\n"
      "[bancodados]\n"
      "Senha=under a repeated header\n"
      "[Outra]\n"
      "Chave=1\n"
      "[BANCODADOS]\n"
      "Senha=under another repeated header\n"
      "[Nova]\n"
      "Chave=2\n"s);
  const struct {
    const char* section;
    const char* key;
    const char* expected;
  } cases[] = {
      {"BancoDados", "Usuario", "sa"},
      {"bancodados", "USUARIO", "sa"},
      {"BancoDados", "Servidor", ""},
      {"BancoDados", "BANCO", "a=b"},
      {"BancoDados", "DRIVE", "SQL Server"},
      {"BancoDados", "Porta", "1433"},
      {"BancoDados", "[", ""},
      {"BancoDados", "Senha", "<missing>"},
      {"BancoDados", "; Servidor", "<missing>"},
      {"Outra", "Chave", "1"},
      {"Nova", "Chave", "2"},
      {"Outra", "Senha", "<missing>"},
      {"Ausente", "Chave", "<missing>"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.section) + "/" + c.key);
    EXPECT_EQ(ini.ReadString(c.section, c.key, "<missing>"), c.expected);
  }
  ASSERT_EQ(ini.Sections().size(), 3u);
  EXPECT_EQ(ini.Sections()[0].Name, "BancoDados");
  EXPECT_EQ(ini.Sections()[1].Name, "Outra");
  EXPECT_EQ(ini.Sections()[2].Name, "Nova");
  EXPECT_EQ(ini.ReadString("Ausente", "Chave"), "");
}

TEST(IniFileWrite, SetsInPlaceAppendsAndDropsWhatIsNotASectionKey) {
  TIniFile ini = TIniFile::Parse(
      "; comment\r\n"
      "loose=outside any section\r\n"
      "[Outra]\r\n"
      "A = 1\r\n"
      "\r\n"
      "; another comment\r\n"
      "[bancodados]\r\n"
      "Usuario=old\r\n"
      "Senha=x\r\n"
      "usuario=duplicate\r\n");
  ini.WriteString("BancoDados", "USUARIO", "sa");
  ini.WriteString("BancoDados", "DRIVE", "SQL Server");
  ini.WriteString("Nova", "K", "  blanks around  ");
  EXPECT_EQ(ini.Serialize(),
            "[Outra]\r\nA=1\r\n\r\n"
            "[bancodados]\r\nUsuario=sa\r\nSenha=x\r\nusuario=duplicate\r\nDRIVE=SQL Server\r\n\r\n"
            "[Nova]\r\nK=blanks around\r\n\r\n");
  EXPECT_EQ(ini.ReadString("Nova", "K"), "blanks around");
  ExpectRoundTrip(ini);

  EXPECT_EQ(TIniFile().Serialize(), "");
}

TEST(IniFileWrite, RefusesTextThatWouldNotReadBackAndChangesNothing) {
  const std::string secret = "s3cr3t";
  const struct {
    const char* name;
    std::string section, key, value;
  } cases[] = {
      {"CR LF in value", "BancoDados", "Senha", secret + "\r\n[Injected]\r\nODBC=evil"},
      {"LF in value", "BancoDados", "Senha", secret + "\nODBC=evil"},
      {"lone CR in value", "BancoDados", "Senha", secret + "\rODBC=evil"},
      {"NUL in value", "BancoDados", "Senha", secret + std::string(1, '\0') + "x"},
      {"invalid UTF-8 in value", "BancoDados", "Senha", secret + "\xFF"},
      {"LF in key", "BancoDados", "Senha\nODBC", secret},
      {"CR in section", "BancoDados]\r[Outra", "Senha", secret},
      {"= in key", "BancoDados", "Senha=x", secret},
      {"blank around key", "BancoDados", " Senha", secret},
      {"blank around section", "BancoDados ", "Senha", secret},
      {"key read as comment", "BancoDados", ";Senha", secret},
      {"key line read as header", "BancoDados", "[Senha", secret + "]"},
  };
  const std::string original = "[BancoDados]\r\nSenha=old\r\n\r\n";
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TIniFile ini = TIniFile::Parse(original);
    try {
      ini.WriteString(c.section, c.key, c.value);
      ADD_FAILURE() << "accepted";
    } catch (const Core::EArgumentError& error) {
      EXPECT_EQ(std::string(error.what()).find(secret), std::string::npos) << "the message leaks the value";
    }
    EXPECT_EQ(ini.Serialize(), original);
  }

  // Near misses that do read back are accepted.
  TIniFile ini;
  ini.WriteString("[x]", "[Senha", "x");
  ini.WriteString("", "", "] ; = [");
  EXPECT_EQ(ini.ReadString("[x]", "[Senha"), "x");
  EXPECT_EQ(ini.ReadString("", ""), "] ; = [");
  ExpectRoundTrip(ini);
}

TEST(IniFileEncoding, KeepsTheMarkAndRoundTripsNonAsciiPasswords) {
  const struct {
    const char* name;
    TIniEncoding encoding;
  } cases[] = {
      {"UTF-8 with mark", TIniEncoding::Utf8WithMark},
      {"UTF-16 LE", TIniEncoding::Utf16LE},
      {"UTF-16 BE", TIniEncoding::Utf16BE},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TTempDir temp;
    const std::string path = temp.WriteFile(
        "Config.ini", Encode("[Outra]\r\nX=\xC3\xA9\r\n[BancoDados]\r\nSenha=" + kPassword + "\r\n", c.encoding));
    TIniFile ini = TIniFile::Load(path);
    EXPECT_EQ(ini.Encoding(), c.encoding);
    EXPECT_EQ(ini.ReadString("BancoDados", "Senha"), kPassword);

    ini.WriteString("BancoDados", "Senha", kOtherPassword);
    ini.Save(path);
    const std::string saved = ReadFileBytes(path);
    EXPECT_EQ(saved,
              Encode("[Outra]\r\nX=\xC3\xA9\r\n\r\n[BancoDados]\r\nSenha=" + kOtherPassword + "\r\n\r\n", c.encoding));

    const TIniFile reread = TIniFile::Load(path);
    EXPECT_EQ(reread.ReadString("BancoDados", "Senha"), kOtherPassword);
    reread.Save(path);
    EXPECT_EQ(ReadFileBytes(path), saved);
    EXPECT_EQ(EntriesIn(temp.Path()), 1u) << "a temporary file was left behind";
  }
}

TEST(IniFileEncoding, BytesOutsideUtf8AreWindows1252) {
  TTempDir temp;
  // "Olá!€", the unassigned 0x81 and "Ÿ" in Windows-1252, beside a value in valid UTF-8.
  const std::string path =
      temp.WriteFile("Config.ini", "[BancoDados]\r\nSenha=Ol\xE1!\x80\x81\x9F\r\nUsuario=Jos\xC3\xA9\r\n");
  const std::string password = "Ol\xC3\xA1!\xE2\x82\xAC\xC2\x81\xC5\xB8";
  const TIniFile ini = TIniFile::Load(path);
  EXPECT_EQ(ini.Encoding(), TIniEncoding::NoMark);
  EXPECT_EQ(ini.ReadString("BancoDados", "Senha"), password);
  EXPECT_EQ(ini.ReadString("BancoDados", "Usuario"), "Jos\xC3\xA9");

  ini.Save(path);
  EXPECT_EQ(ReadFileBytes(path), "[BancoDados]\r\nSenha=Ol\xE1!\x80\x81\x9F\r\nUsuario=Jos\xE9\r\n\r\n");
  EXPECT_EQ(TIniFile::Load(path).ReadString("BancoDados", "Senha"), password);
  EXPECT_EQ(TIniFile::Load(path).ReadString("BancoDados", "Usuario"), "Jos\xC3\xA9");
}

// The database application reads the shared file in Windows-1252: a save must
// not turn its sections, or a password typed here, into UTF-8 it cannot read.
TEST(IniFileEncoding, UnmarkedFileIsSavedInWindows1252WhenItReadsBackIdentical) {
  // "Cerâmica São João", and “Obrigado” € from the 0x80-0x9F row.
  const std::string applicationAnsi =
      "[Aplicacao]\r\nEmpresa=Cer\xE2mica S\xE3o Jo\xE3o\r\nRodape=\x93Obrigado\x94 \x80\r\n\r\n";
  const std::string company = "Cer\xC3\xA2mica S\xC3\xA3o Jo\xC3\xA3o";
  const std::string applicationUtf8 =
      "[Aplicacao]\r\nEmpresa=" + company + "\r\nRodape=\xE2\x80\x9CObrigado\xE2\x80\x9D \xE2\x82\xAC\r\n\r\n";
  const std::string acai = "A\xC3\xA7\x61\xC3\xAD";  // "Açaí"
  const std::string acaiAnsi = "A\xE7\x61\xED";
  const struct {
    const char* name;
    std::string original;
    std::string password;
    std::string saved;
  } cases[] = {
      {"Windows-1252 file, accented password", applicationAnsi + "[BancoDados]\r\nSenha=antiga\r\n\r\n", acai,
       applicationAnsi + "[BancoDados]\r\nSenha=" + acaiAnsi + "\r\n\r\n"},
      {"new file", "", acai, "[BancoDados]\r\nSenha=" + acaiAnsi + "\r\n\r\n"},
      {"UTF-8 file without mark", applicationUtf8 + "[BancoDados]\r\nSenha=antiga\r\n\r\n", acai,
       applicationAnsi + "[BancoDados]\r\nSenha=" + acaiAnsi + "\r\n\r\n"},
      // "Łódź": Ł and ź have no Windows-1252 byte, so the whole file goes in UTF-8.
      {"character outside Windows-1252", applicationAnsi + "[BancoDados]\r\nSenha=antiga\r\n\r\n",
       "\xC5\x81\xC3\xB3\x64\xC5\xBA", applicationUtf8 + "[BancoDados]\r\nSenha=\xC5\x81\xC3\xB3\x64\xC5\xBA\r\n\r\n"},
      // "Ã©" is C3 A9 in Windows-1252, which would read back as the UTF-8 "é".
      {"Windows-1252 bytes that form UTF-8", applicationAnsi, "\xC3\x83\xC2\xA9",
       applicationUtf8 + "[BancoDados]\r\nSenha=\xC3\x83\xC2\xA9\r\n\r\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TTempDir temp;
    const std::string path = c.original.empty() ? temp.Join("Config.ini") : temp.WriteFile("Config.ini", c.original);
    TIniFile ini = TIniFile::Load(path);
    ini.WriteString("BancoDados", "Senha", c.password);
    ini.Save(path);
    EXPECT_EQ(ReadFileBytes(path), c.saved);

    const TIniFile reread = TIniFile::Load(path);
    EXPECT_EQ(reread.Encoding(), TIniEncoding::NoMark);
    EXPECT_EQ(reread.ReadString("BancoDados", "Senha"), c.password);
    if (!c.original.empty()) {
      EXPECT_EQ(reread.ReadString("Aplicacao", "Empresa"), company);
    }
    reread.Save(path);
    EXPECT_EQ(ReadFileBytes(path), c.saved);
  }
}

TEST(IniFileSave, FailureLeavesTheOldContentAndNoTemporaryFile) {
  TTempDir temp;
  TIniFile ini;
  ini.WriteString("BancoDados", "Senha", "new");

  // The final replace fails: a folder stands where the file would go.
  const std::string folder = temp.MakeDir("Config.ini");
  temp.WriteFile("Config.ini/keep.txt", "kept");
  EXPECT_THROW(ini.Save(folder), Core::EFileSystemError);
  EXPECT_EQ(ReadFileBytes(temp.Join("Config.ini/keep.txt")), "kept");
  EXPECT_EQ(EntriesIn(temp.Path()), 1u);

  // The temporary file cannot be created.
  EXPECT_THROW(ini.Save(temp.Join("missing/Config.ini")), Core::EFileSystemError);

  // A read-only file is refused with a message naming it, as Windows refuses to replace it.
  namespace fs = std::filesystem;
  const std::string old = "[BancoDados]\r\nSenha=old\r\n";
  const std::string readOnly = temp.WriteFile("ReadOnly.ini", old);
  fs::permissions(PathFromUtf8(readOnly), fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                  fs::perm_options::remove);
  try {
    ini.Save(readOnly);
    ADD_FAILURE() << "a read-only file was replaced";
  } catch (const Core::EFileSystemError& error) {
    EXPECT_NE(std::string(error.what()).find(readOnly), std::string::npos) << error.what();
  }
  EXPECT_EQ(ReadFileBytes(readOnly), old);
  EXPECT_EQ(EntriesIn(temp.Path()), 2u);
  fs::permissions(PathFromUtf8(readOnly), fs::perms::owner_write, fs::perm_options::add);
}

// The file is often set up by an administrator for the database application
// too: a save must not hand it the folder's defaults.
TEST(IniFileSave, KeepsTheFilesPermissions) {
#ifdef _WIN32
  GTEST_SKIP() << "attributes and security under Windows: ConfigFileWindowsTest";
#else
  namespace fs = std::filesystem;
  TTempDir temp;
  const std::string path = temp.WriteFile("Config.ini", "[BancoDados]\r\nSenha=old\r\n");
  const fs::perms mode = fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read;
  fs::permissions(PathFromUtf8(path), mode);
  TIniFile ini = TIniFile::Load(path);
  ini.WriteString("BancoDados", "Senha", "new");
  ini.Save(path);
  EXPECT_EQ(TIniFile::Load(path).ReadString("BancoDados", "Senha"), "new");
  EXPECT_EQ(fs::status(PathFromUtf8(path)).permissions(), mode);
#endif
}

TEST(IniFileSave, RewritesInPlaceWhereTheFolderTakesNoTemporaryFile) {
  TTempDir temp;
  // A name at the length limit leaves no room for the temporary file's suffix.
  const std::string path =
      temp.WriteFile(std::string(251, 'c') + ".ini", "[BancoDados]\r\nSenha=a longer old value\r\n");
  TIniFile ini = TIniFile::Load(path);
  ini.WriteString("BancoDados", "Senha", "new");
  ini.Save(path);
  EXPECT_EQ(ReadFileBytes(path), "[BancoDados]\r\nSenha=new\r\n\r\n");
  EXPECT_EQ(EntriesIn(temp.Path()), 1u);
}

TEST(IniFileLoad, MissingFileIsEmptyAndANonFileIsAnError) {
  TTempDir temp;
  const TIniFile missing = TIniFile::Load(temp.Join("absent.ini"));
  EXPECT_TRUE(missing.Sections().empty());
  EXPECT_EQ(missing.Encoding(), TIniEncoding::NoMark);

  const std::string folder = temp.MakeDir("folder.ini");
  try {
    TIniFile::Load(folder);
    ADD_FAILURE() << "a folder was read as a file";
  } catch (const Core::EFileSystemError& error) {
    EXPECT_NE(std::string(error.what()).find(folder), std::string::npos) << error.what();
  }
}

TEST(IniFileBadInput, AnyBytesGiveADocumentThatSavesAndReadsBack) {
  std::mt19937 random(20240611);
  std::string garbage(64 * 1024, '\0');
  for (char& c : garbage) c = static_cast<char>(random());

  const struct {
    const char* name;
    std::string bytes;
  } cases[] = {
      {"binary garbage", garbage},
      {"binary garbage after a UTF-16 mark", "\xFF\xFE" + garbage},
      {"UTF-16 without mark", "[\0B\0D\0]\0\r\0\n\0k\0=\0v\0"s},
      {"only NUL bytes", std::string(1000, '\0')},
      {"NUL bytes inside lines", "[A\0]\0k\0=\0v\0\n[\0]\nx=\0"s},
      {"only line breaks", std::string(1000, '\r') + std::string(1000, '\n')},
      {"only a UTF-8 mark", "\xEF\xBB\xBF"},
      {"only a UTF-16 LE mark", "\xFF\xFE"},
      {"only a UTF-16 BE mark", "\xFE\xFF"},
      {"odd-length UTF-16", "\xFF\xFE[\0A\0]\0\n\0k\0=\0v"s},
      {"lone surrogate in UTF-16", "\xFE\xFF\0[\0A\0]\0\n\0k\0=\xD8\x01"s},
      {"UTF-32 mark", "\xFF\xFE\0\0[\0\0\0A\0\0\0]\0\0\0"s},
      {"cut-off UTF-8 at the end", "[A]\nk=\xE2\x82"},
      {"brackets and signs", "[\n]\n[]\n=\n[]]\n[[]\n=[x]\n;[y]\n[=]\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const TIniFile ini = TIniFile::Parse(c.bytes);
    ExpectRoundTrip(ini);
  }
  EXPECT_EQ(TIniFile::Parse("[\0B\0D\0]\0\r\0\n\0k\0=\0v\0"s).ReadString("BD", "k"), "");
  EXPECT_EQ(TIniFile::Parse("\xFF\xFE[\0A\0]\0\n\0k\0=\0v"s).ReadString("A", "k"), "\xEF\xBF\xBD");
}

TEST(IniFileBadInput, HugeInputStaysLinear) {
  // Sizes where a quadratic step would hang until the CTest time-out and a
  // linear one takes a moment.
  const std::string line(10 * 1024 * 1024, 'x');
  const std::string block(2 * 1024 * 1024, '\0');
  std::string manyKeys = "[BancoDados]\n";
  std::string manySections;
  for (int i = 0; i < 100000; ++i) {
    manyKeys += "k" + std::to_string(i) + "=v\n";
    manySections += "[s" + std::to_string(i) + "]\nk=v\n[s0]\nk=w\n";
  }
  const struct {
    const char* name;
    std::string bytes;
  } cases[] = {
      {"10 MB value", "[BancoDados]\r\nSenha=" + line + "\r\n"},
      {"10 MB header", "[" + line + "]\r\n"},
      {"2 MB of signs", "[BancoDados]\r\n" + std::string(block.size(), '=')},
      {"2 MB of lone CRs", std::string(block.size(), '\r')},
      {"2 MB outside UTF-8", "[BancoDados]\r\nSenha=" + std::string(block.size(), '\xFF')},
      {"2 MB of NUL bytes in UTF-16", "\xFF\xFE" + block},
      {"100000 keys", manyKeys},
      {"100000 sections and repeated headers", manySections},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TIniFile ini = TIniFile::Parse(c.bytes);
    ini.WriteString("BancoDados", "Usuario", "sa");
    const TIniFile again = TIniFile::Parse(ini.Serialize());
    EXPECT_EQ(again.ReadString("BancoDados", "Usuario"), "sa");
  }
  EXPECT_EQ(TIniFile::Parse(cases[0].bytes).ReadString("BancoDados", "Senha"), line);
  EXPECT_EQ(TIniFile::Parse(manyKeys).ReadString("BancoDados", "k99999"), "v");
  EXPECT_EQ(TIniFile::Parse(manySections).ReadString("s0", "k"), "v");
}
