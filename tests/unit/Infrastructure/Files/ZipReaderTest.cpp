#include "Infrastructure/Files/ZipReader.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "Infrastructure/Files/ZipExtractor.h"
#include "support/TempDir.h"
#include "support/Utf8Path.h"
#include "support/ZipBuilder.h"

using Infrastructure::Files::EZipError;
using Infrastructure::Files::TZipReader;
using TestSupport::TTempDir;
using TestSupport::TZipBuilder;

namespace {

std::string Little(uint64_t AValue, int ABytes) {
  std::string out;
  for (int i = 0; i < ABytes; ++i) out += static_cast<char>((AValue >> (8 * i)) & 0xFF);
  return out;
}

// An end record of its own: entry counts, directory size and offset, comment length.
std::string EndRecord(uint16_t AEntries, uint32_t ASize, uint32_t AOffset, uint16_t ACommentLength) {
  return "PK\x05\x06" + Little(0, 4) + Little(AEntries, 2) + Little(AEntries, 2) + Little(ASize, 4) +
         Little(AOffset, 4) + Little(ACommentLength, 2);
}

std::vector<std::string> Names(const TZipReader& AReader) {
  std::vector<std::string> names;
  for (const auto& entry : AReader.Entries()) names.push_back(entry.Name);
  return names;
}

}  // namespace

// An end record inside the archive comment once made the archive read as
// empty: the extraction answered true and extracted nothing.
TEST(ZipReader, TheEndRecordIsTheOneWhoseCommentRunsToTheEnd) {
  const std::string text = "Pacote de atualização ";
  const auto archive = [](const std::string& AComment) {
    return TZipBuilder().File("um.txt", "um").File("dois.txt", "dois", 0).Comment(AComment).Build();
  };
  // A stored entry holding the record of an empty archive whose comment would
  // run from there to the end of the file.
  const auto withRecordInData = [](uint16_t ACommentLength) {
    return TZipBuilder().File("um.txt", "um").File("dois.txt", EndRecord(0, 0, 0, ACommentLength), 0).Build();
  };
  const std::string sized = withRecordInData(0);
  const size_t recordInData = sized.find("PK\x05\x06");
  const struct {
    const char* name;
    std::string bytes;
  } cases[] = {
      {"empty archive's record closing the comment", archive(text + EndRecord(0, 0, 0, 0))},
      {"empty archive's record inside the comment", archive(text + EndRecord(0, 0, 0, 0) + text)},
      {"record inside the comment, its own comment running to the end", archive(EndRecord(0, 0, 0, 4) + "fim.")},
      {"bytes appended after a comment holding a record", archive(text + EndRecord(0, 0, 0, 0)) + "assinatura"},
      {"bytes appended, ending in a record whose directory is not there",
       archive(text) + "assinatura" + EndRecord(2, 92, 0, 0)},
      {"empty archive's record in an entry's data",
       withRecordInData(static_cast<uint16_t>(sized.size() - recordInData - 22))},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const TTempDir dir;
    const std::string path = dir.WriteFile("pacote.zip", c.bytes);
    const TZipReader reader(path);
    EXPECT_EQ(Names(reader), (std::vector<std::string>{"um.txt", "dois.txt"}));
    EXPECT_EQ(reader.PrefixSize(), 0u);

    const std::string destination = dir.Join("destino");
    if (!Infrastructure::Files::ExtractZipArchive(path, destination)) {
      ADD_FAILURE() << "not extracted";
      continue;
    }
    const std::string extracted = dir.Join("destino/um.txt");
    if (!std::filesystem::exists(TestSupport::PathFromUtf8(extracted))) {
      ADD_FAILURE() << "success with nothing extracted";
      continue;
    }
    EXPECT_EQ(TestSupport::ReadFileBytes(extracted), "um");
  }
}

TEST(ZipReader, ARecordWhoseDirectoryDoesNotAddUpIsRefused) {
  const struct {
    const char* name;
    std::string bytes;
  } cases[] = {
      {"entries without a directory", EndRecord(1, 0, 0, 0)},
      {"a directory without entries", std::string(46, 'x') + EndRecord(0, 46, 0, 0)},
      {"a directory that is not a directory", std::string(46, 'x') + EndRecord(1, 46, 0, 0)},
      {"only an end record inside a comment that does not reach the end", EndRecord(0, 0, 0, 30)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const TTempDir dir;
    const std::string path = dir.WriteFile("pacote.zip", c.bytes);
    EXPECT_THROW(TZipReader{path}, EZipError);
  }
  // A lone record of an empty archive is an empty archive.
  const TTempDir dir;
  EXPECT_TRUE(TZipReader(dir.WriteFile("vazio.zip", EndRecord(0, 0, 0, 0))).Entries().empty());
}
