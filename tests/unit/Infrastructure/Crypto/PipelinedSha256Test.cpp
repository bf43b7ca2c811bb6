#include "Infrastructure/Crypto/PipelinedSha256.h"

#include <gtest/gtest.h>

#include <string>

#include "Core/Errors.h"
#include "Infrastructure/Crypto/HexDigest.h"

namespace {

using Infrastructure::Crypto::ToHex;
using Infrastructure::Crypto::TPipelinedSha256;
using Infrastructure::Platform::Sha256Of;

std::string Pattern(size_t ASize) {
  std::string data(ASize, '\0');
  for (size_t i = 0; i < ASize; ++i) data[i] = static_cast<char>((i * 131 + i / 7) % 251);
  return data;
}

// The digest is the one-pass digest however the stream is cut: across chunk
// borders, more than the queue holds (the writer waits), nothing at all.
TEST(PipelinedSha256, GivesTheDigestOfTheWholeStreamWhateverTheBlocks) {
  const struct {
    const char* Name;
    size_t Size;
    size_t Block;
  } cases[] = {
      {"empty", 0, 1},
      {"one byte", 1, 1},
      {"small blocks across a chunk border", (1 << 20) + 4097, 4096},
      {"one block larger than a chunk", 3 * (1 << 20) + 5, 3 * (1 << 20) + 5},
      {"more than the queue holds", 20 * (1 << 20) + 3, 65536},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    const std::string data = Pattern(c.Size);
    TPipelinedSha256 hash;
    for (size_t offset = 0; offset < data.size(); offset += c.Block)
      hash.Update(data.data() + offset, std::min(c.Block, data.size() - offset));
    EXPECT_EQ(ToHex(hash.Finish()), ToHex(Sha256Of(data)));
  }
}

TEST(PipelinedSha256, RefusesUseAfterFinishAndLetsGoUnfinished) {
  TPipelinedSha256 hash;
  hash.Update("abc", 3);
  EXPECT_EQ(ToHex(hash.Finish()), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
  EXPECT_THROW(hash.Update("d", 1), Core::EQuorvaneError);
  EXPECT_THROW(hash.Finish(), Core::EQuorvaneError);
  // A download cut off half-way drops its hash without finishing it.
  const std::string data = Pattern(5 * (1 << 20));
  TPipelinedSha256 abandoned;
  abandoned.Update(data.data(), data.size());
}

}  // namespace
