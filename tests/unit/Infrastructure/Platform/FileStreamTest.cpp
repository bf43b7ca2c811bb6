#include "Infrastructure/Platform/FileStream.h"

#include <gtest/gtest.h>

#include "Core/Errors.h"
#include "Infrastructure/Platform/FileSystem.h"
#include "support/TempDir.h"

using namespace Infrastructure::Platform;
using TestSupport::TTempDir;

TEST(FileStream, WritesChunksAndReadsThemBackAnywhere) {
  const TTempDir dir;
  const std::string path = JoinPath(dir.Path(), "Atualização.bin");
  {
    TFileWriter writer(path);
    IByteSink& sink = writer;
    sink.Write("abc");
    sink.Write(std::string("\0\r\n", 3));
    sink.Write(std::string(100000, 'x'));
    EXPECT_EQ(writer.BytesWritten(), 100006u);
    writer.Flush();
    writer.Close();
    writer.Close();  // once closed, nothing more to report
  }
  TFileReader reader(path);
  EXPECT_EQ(reader.Size(), 100006u);
  char buffer[8] = {};
  EXPECT_EQ(reader.Read(buffer, 4), 4u);
  EXPECT_EQ(std::string(buffer, 4), std::string("abc\0", 4));
  EXPECT_EQ(reader.Position(), 4u);
  EXPECT_EQ(reader.ReadAt(100004, buffer, sizeof(buffer)), 2u);  // short only at the end
  EXPECT_EQ(std::string(buffer, 2), "xx");
  EXPECT_EQ(reader.Read(buffer, sizeof(buffer)), 0u);
  reader.Seek(1u << 30);  // past the end: reads nothing, fails nothing
  EXPECT_EQ(reader.Read(buffer, sizeof(buffer)), 0u);
  reader.Seek(3);
  EXPECT_EQ(reader.Read(buffer, 3), 3u);
  EXPECT_EQ(std::string(buffer, 3), std::string("\0\r\n", 3));

  TFileReader moved = std::move(reader);
  EXPECT_FALSE(reader.IsOpen());
  EXPECT_TRUE(moved.IsOpen());
}

TEST(FileStream, CreateModesTruncateRefuseOrAppendToAnExistingFile) {
  const TTempDir dir;
  const std::string path = dir.WriteFile("pacote.zip", "conteúdo antigo");
  EXPECT_THROW(TFileWriter(path, TCreateMode::New), Core::EFileSystemError);
  EXPECT_EQ(ReadFileBytes(path), "conteúdo antigo");
  {
    TFileWriter writer(path);  // truncates before anything is written
    EXPECT_EQ(TFileReader(path).Size(), 0u);
    writer.Write("novo");
  }  // the destructor closes
  EXPECT_EQ(ReadFileBytes(path), "novo");
  const std::string fresh = JoinPath(dir.Path(), "novo.bin");
  TFileWriter(fresh, TCreateMode::New).Close();
  EXPECT_TRUE(FileExists(fresh));

  // Append keeps what is there and lands after whatever another writer added.
  {
    TFileWriter first(path, TCreateMode::Append);
    TFileWriter second(path, TCreateMode::Append);
    first.Write("|um");
    second.Write("|dois");
    first.Write("|três");
  }
  EXPECT_EQ(ReadFileBytes(path), "novo|um|dois|três");
  const std::string appended = JoinPath(dir.Path(), "launcher.log");
  TFileWriter(appended, TCreateMode::Append).Write("linha");
  EXPECT_EQ(ReadFileBytes(appended), "linha");
}

TEST(FileStream, FailuresRaiseFileSystemErrors) {
  const TTempDir dir;
  EXPECT_THROW(TFileReader(JoinPath(dir.Path(), "nada.bin")), Core::EFileSystemError);
  EXPECT_THROW(TFileReader(dir.MakeDir("pasta")), Core::EFileSystemError);
  EXPECT_THROW(TFileWriter(JoinPath(JoinPath(dir.Path(), "sem-pasta"), "x.bin")), Core::EFileSystemError);
  EXPECT_THROW(TFileWriter(dir.MakeDir("outra")), Core::EFileSystemError);
  TFileWriter closed;
  EXPECT_THROW(closed.Write("x"), Core::EFileSystemError);
}
