#include <gtest/gtest.h>

#include <algorithm>

#include "Core/Errors.h"
#include "Infrastructure/Platform/FileSystem.h"
#include "support/FolderLink.h"
#include "support/TempDir.h"

using namespace Infrastructure::Platform;
using TestSupport::TTempDir;

TEST(FileSystemPaths, JoinParentAndName) {
  const std::string sep(1, kPathSeparator);
  EXPECT_EQ(JoinPath("a", "b"), "a" + sep + "b");
  EXPECT_EQ(JoinPath("a" + sep, "b"), "a" + sep + "b");
  EXPECT_EQ(JoinPath("", "b"), "b");
  EXPECT_EQ(ParentPath("a" + sep + "b" + sep + "c.ini"), "a" + sep + "b");
  EXPECT_EQ(ParentPath("c.ini"), "");
  EXPECT_EQ(ParentPath(sep + "x"), sep);
  EXPECT_EQ(FileNameOf("a" + sep + "c.ini"), "c.ini");
  if (kPathSeparator == '\\') {
    EXPECT_EQ(ParentPath("C:\\QuorvaneSoft"), "C:\\");
    EXPECT_EQ(ParentPath("C:\\"), "C:\\");
    EXPECT_EQ(ParentPath("C:/QuorvaneSoft/Execs"), "C:/QuorvaneSoft");
  }
}

TEST(FileSystem, CreatesFoldersWritesReadsAndLists) {
  const TTempDir dir;
  const std::string nested = JoinPath(JoinPath(dir.Path(), "Configuração"), "Ação");
  CreateDirectories(nested);
  CreateDirectories(nested);  // already there: nothing to do
  EXPECT_TRUE(DirectoryExists(nested));
  EXPECT_FALSE(FileExists(nested));

  const std::string file = JoinPath(nested, "Olá.ini");
  const std::string content("a\0b\r\nç", 7);
  WriteFileAtomically(file, content);
  EXPECT_TRUE(FileExists(file));
  EXPECT_EQ(ReadFileBytes(file), content);
  WriteFileAtomically(file, "novo");
  EXPECT_EQ(ReadFileBytes(file), "novo");

  const auto entries = ListDirectory(nested);
  ASSERT_EQ(entries.size(), 1u);  // no temporary file left behind
  EXPECT_EQ(entries[0].Name, "Olá.ini");
  EXPECT_FALSE(entries[0].IsDirectory);

  EXPECT_TRUE(RemoveFile(file));
  EXPECT_FALSE(FileExists(file));
  EXPECT_TRUE(RemoveFile(file));  // already gone
}

TEST(FileSystem, FailuresRaiseFileSystemErrors) {
  const TTempDir dir;
  const std::string missing = JoinPath(dir.Path(), "nada.ini");
  EXPECT_THROW(ReadFileBytes(missing), Core::EFileSystemError);
  EXPECT_TRUE(ListDirectory(missing).empty());
  // A file standing where a folder must go.
  const std::string blocker = dir.WriteFile("bloqueio", "x");
  EXPECT_THROW(CreateDirectories(JoinPath(blocker, "sub")), Core::EFileSystemError);
  // Writing into a folder that does not exist fails and leaves nothing behind.
  EXPECT_THROW(WriteFileAtomically(JoinPath(JoinPath(dir.Path(), "nao-existe"), "a.ini"), "x"), Core::EFileSystemError);
  // A folder in the way of the target: the write fails, the folder stays as it was.
  const std::string folder = dir.MakeDir("pasta.ini");
  EXPECT_THROW(WriteFileAtomically(folder, "x"), Core::EFileSystemError);
  EXPECT_TRUE(DirectoryExists(folder));
  const auto entries = ListDirectory(dir.Path());
  EXPECT_EQ(entries.size(), 2u);
}

// A link to a folder is told from the folder, an exclusive creation refuses
// both, and a removal of a tree never reaches what a link points at, whether
// the link is the tree itself or inside it.
TEST(FileSystem, LinksAreToldApartAndNeverEntered) {
  const TTempDir dir;
  const std::string canary = dir.WriteFile("alvo/canario.txt", "fica");
  const std::string target = dir.Join("alvo");
  dir.WriteFile("arvore/comum.txt", "vai");
  const TestSupport::TFolderLink inside(dir.Join("arvore/link"), target);
  const TestSupport::TFolderLink alone(dir.Join("link"), target);
  if (!inside.Made() || !alone.Made()) GTEST_SKIP() << "this system cannot make a folder link here";
  EXPECT_TRUE(IsLink(dir.Join("link")));
  EXPECT_FALSE(IsLink(target));
  EXPECT_FALSE(IsLink(canary));
  EXPECT_FALSE(IsLink(dir.Join("nada")));

  for (const std::string& taken : {target, dir.Join("link")}) {
    SCOPED_TRACE(taken);
    EXPECT_THROW(CreateNewDirectory(taken), Core::EFileSystemError);
  }
  CreateNewDirectory(dir.Join("nova"));
  EXPECT_TRUE(DirectoryExists(dir.Join("nova")));
  EXPECT_THROW(CreateNewDirectory(dir.Join("nova")), Core::EFileSystemError);

  RemoveDirectoryTree(dir.Join("link"));
  RemoveDirectoryTree(dir.Join("arvore"));
  EXPECT_EQ(TestSupport::ReadFileBytes(canary), "fica");
  EXPECT_FALSE(FileExists(dir.Join("arvore/comum.txt")));
}

TEST(FileSystem, ModulePathNamesThisTestProgram) {
  const std::string self = ModuleFileName();
  EXPECT_TRUE(FileExists(self)) << self;
  EXPECT_EQ(JoinPath(ModuleDirectory(), FileNameOf(self)), self);
}
