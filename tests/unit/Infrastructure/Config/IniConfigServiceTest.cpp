#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "Core/Errors.h"
#include "Infrastructure/Config/IniConfigService.h"
#include "Infrastructure/Config/IniFile.h"
#include "support/TempDir.h"
#include "support/Utf8Path.h"

namespace fs = std::filesystem;
using Infrastructure::Config::TIniConfigService;
using Infrastructure::Config::TIniFile;
using TestSupport::PathFromUtf8;
using TestSupport::PathToUtf8;
using TestSupport::TTempDir;

namespace {

// Relative test paths are written with "/"; the service answers with the system's separator.
std::string Native(const std::string& APath) {
  return PathToUtf8(PathFromUtf8(APath).make_preferred());
}

// A launcher folder "app" and the fixed folders laid out as on disk: three
// subfolders of "Q" and "Q" itself.
struct TLayout {
  TTempDir Temp;

  TIniConfigService Service() const {
    return TIniConfigService(Temp.MakeDir("app"), {Native(Temp.Join("Q/Arquivos")), Native(Temp.Join("Q/Execs")),
                                                   Native(Temp.Join("Q/Exec")), Temp.Join("Q")});
  }
  bool Exists(std::string_view ARelative) const { return fs::exists(PathFromUtf8(Temp.Join(ARelative))); }
};

using TGetter = std::string (TIniConfigService::*)(const std::string&);

const struct {
  const char* name;
  TGetter getter;
  const char* expected;
} kGetters[] = {
    {"GetDatabaseUser", &TIniConfigService::GetDatabaseUser, "sa"},
    {"GetDatabasePassword", &TIniConfigService::GetDatabasePassword, "p@ss w0rd"},
    {"GetDatabaseODBC", &TIniConfigService::GetDatabaseODBC, "MeuDSN"},
    {"GetDatabaseServer", &TIniConfigService::GetDatabaseServer, "srv\\SQLEXPRESS"},
    {"GetDatabaseName", &TIniConfigService::GetDatabaseName, "Vendas"},
    {"GetDatabaseDriver", &TIniConfigService::GetDatabaseDriver, "SQL Server"},
};

const char* const kFullConfig =
    "; written by hand\r\n"
    "[Outra]\r\nUsuario=not this one\r\n"
    "[bancodados]\r\n"
    " usuario = sa \r\n"
    "Senha=  p@ss w0rd  \r\n"
    "ODBC=MeuDSN\r\n"
    "Servidor=srv\\SQLEXPRESS\r\n"
    "banco=Vendas\r\n"
    "DRIVE\t=SQL Server\r\n";

}  // namespace

TEST(IniConfigService, SearchOrder) {
  const struct {
    const char* name;
    std::vector<std::string> entries;  // a trailing "/" makes a folder
    std::string expected;
  } cases[] = {
      {"any *.ini beside the launcher comes first",
       {"app/zeta.INI", "app/DuzOzadAzez.xml", "Q/Arquivos/Config.ini"},
       "app/zeta.INI"},
      {"a folder named *.ini is no file", {"app/sub.ini/", "app/DuzOzadAzez.xml"}, "app/DuzOzadAzez.xml"},
      {"subfolders of the launcher are not searched", {"app/sub/x.ini", "Q/Exec/Config.ini"}, "Q/Exec/Config.ini"},
      {"the name must end in .ini", {"app/Config.ini.bak", "app/ini", "Q/Config.ini"}, "Q/Config.ini"},
      {"a candidate name beside the launcher", {"app/DuzOzadAzez.xml", "Q/Arquivos/Config.ini"}, "app/DuzOzadAzez.xml"},
      {"folder order before name order",
       {"Q/Execs/Config.ini", "Q/Arquivos/DuzOzadAzez.xml", "Q/DuzOzadAzez.xml"},
       "Q/Arquivos/DuzOzadAzez.xml"},
      {"a later folder", {"Q/DuzOzadAzez.xml", "Q/Execs/Config.ini"}, "Q/Execs/Config.ini"},
      {"name order within a folder", {"Q/Exec/DuzOzadAzez.xml", "Q/Exec/Config.ini"}, "Q/Exec/Config.ini"},
      {"a candidate that is a folder is skipped", {"app/DuzOzadAzez.xml/", "Q/DuzOzadAzez.xml"}, "Q/DuzOzadAzez.xml"},
      {"nothing anywhere", {"Q/Arquivos/"}, "app/Config.ini"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const TLayout layout;
    for (const std::string& entry : c.entries) {
      if (entry.back() == '/')
        layout.Temp.MakeDir(entry.substr(0, entry.size() - 1));
      else
        layout.Temp.WriteFile(entry, "[BancoDados]\r\nUsuario=" + entry + "\r\n");
    }
    TIniConfigService service = layout.Service();
    const std::string expected = Native(layout.Temp.Join(c.expected));
    EXPECT_EQ(service.GetConfigPath(), expected);
    EXPECT_EQ(service.GetInfoFilePath(), expected);
    const bool found = c.expected != "app/Config.ini";
    EXPECT_EQ(service.ConfigExists(""), found);
    EXPECT_EQ(service.GetDatabaseUser(""), found ? c.expected : "");
    if (!found) {
      EXPECT_FALSE(layout.Exists("app/Config.ini")) << "a read created the file";
    }
  }
}

TEST(IniConfigService, FirstIniFileInEnumerationOrderIsTakenUnsorted) {
  const TLayout layout;
  for (const char* name : {"zeta.ini", "Config.ini", "alpha.ini", "middle.ini"})
    layout.Temp.WriteFile(std::string("app/") + name, "[BancoDados]\r\nUsuario=" + std::string(name) + "\r\n");
  std::string first;
  for (const auto& entry : fs::directory_iterator(PathFromUtf8(layout.Temp.Join("app")))) {
    first = PathToUtf8(entry.path());
    break;
  }
  TIniConfigService service = layout.Service();
  EXPECT_EQ(service.GetConfigPath(), first);
  EXPECT_EQ(service.GetDatabaseUser(""), PathToUtf8(PathFromUtf8(first).filename()));
}

TEST(IniConfigService, GettersReadTheirKeyOfBancoDados) {
  const TLayout layout;
  const std::string path = layout.Temp.WriteFile("Q/Execs/Config.ini", kFullConfig);
  TIniConfigService service = layout.Service();
  for (const std::string& argument : {std::string(), path}) {
    for (const auto& g : kGetters) {
      SCOPED_TRACE(std::string(g.name) + "(\"" + argument + "\")");
      EXPECT_EQ((service.*g.getter)(argument), g.expected);
    }
  }

  // Stateless: each call reads the file again.
  layout.Temp.WriteFile("Q/Execs/Config.ini", "[Outra]\r\nUsuario=sa\r\n");
  for (const auto& g : kGetters) {
    SCOPED_TRACE(g.name);
    EXPECT_EQ((service.*g.getter)(path), "");
  }
}

TEST(IniConfigService, OnlyGettersCreateTheFolderOfAPath) {
  const TLayout layout;
  TIniConfigService service = layout.Service();
  const std::string path = layout.Temp.Join("novo/pasta/Config.ini");
  EXPECT_FALSE(service.ConfigExists(path));
  EXPECT_FALSE(layout.Exists("novo"));
  EXPECT_EQ(service.GetDatabaseServer(path), "");
  EXPECT_TRUE(fs::is_directory(PathFromUtf8(layout.Temp.Join("novo/pasta"))));
  EXPECT_FALSE(layout.Exists("novo/pasta/Config.ini"));
}

TEST(IniConfigService, FirstSaveLandsWhereTheSearchPointed) {
  const TLayout layout;
  TIniConfigService service = layout.Service();
  const std::string path = service.GetConfigPath();
  ASSERT_EQ(path, Native(layout.Temp.Join("app/Config.ini")));
  ASSERT_FALSE(service.ConfigExists(path));

  const std::string password = "Senh@ \xC3\xA7\xC3\xA3o \xE2\x82\xAC";
  TIniFile ini = TIniFile::Load(path);
  ini.WriteString("BancoDados", "Senha", "  " + password + "  ");
  ini.Save(path);
  EXPECT_TRUE(service.ConfigExists(""));
  EXPECT_EQ(service.GetConfigPath(), path);
  EXPECT_EQ(service.GetDatabasePassword(""), password);
}

TEST(IniConfigService, NonAsciiFolderAndFileNames) {
  TTempDir temp;
  const std::string launcher = temp.MakeDir("Instala\xC3\xA7\xC3\xA3o \xE2\x82\xAC");
  const std::string folder = temp.MakeDir("Pasta \xC3\x87");
  const std::string file = temp.WriteFile("Pasta \xC3\x87/Config.ini", "[BancoDados]\r\nUsuario=Jos\xC3\xA9\r\n");
  TIniConfigService service(launcher, {folder});
  EXPECT_EQ(service.GetConfigPath(), Native(file));
  EXPECT_EQ(service.GetDatabaseUser(""), "Jos\xC3\xA9");

  const std::string beside = temp.WriteFile("Instala\xC3\xA7\xC3\xA3o \xE2\x82\xAC/configura\xC3\xA7\xC3\xA3o.ini",
                                            "[BancoDados]\r\nUsuario=Maria\r\n");
  EXPECT_EQ(service.GetConfigPath(), Native(beside));
  EXPECT_EQ(service.GetDatabaseUser(""), "Maria");
}

TEST(IniConfigService, FileSystemErrorsReachTheCaller) {
  const TLayout layout;
  TIniConfigService service = layout.Service();

  // A folder cannot be created where a file stands.
  layout.Temp.WriteFile("blocker", "x");
  const std::string underFile = layout.Temp.Join("blocker/Config.ini");
  EXPECT_FALSE(service.ConfigExists(underFile));
  EXPECT_THROW(service.GetDatabaseUser(underFile), Core::EFileSystemError);

  // A folder at the path is no configuration file.
  const std::string folder = layout.Temp.MakeDir("folder.ini");
  EXPECT_FALSE(service.ConfigExists(folder));
  EXPECT_EQ(service.GetDatabaseUser(folder), "");
}

