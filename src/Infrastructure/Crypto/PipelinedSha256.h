#pragma once
// SHA-256 of a stream on a thread of its own: the thread that receives the
// bytes only copies them, so a download is not slowed to the speed of the
// hash (under Wine the platform's SHA-256 runs about as fast as a loopback
// download). Memory stays bounded: a writer far ahead of the hash waits.
#include <cstddef>
#include <deque>
#include <exception>
#include <string>

#include "Infrastructure/Platform/Crypto.h"
#include "Infrastructure/Platform/Thread.h"

namespace Infrastructure::Crypto {

class TPipelinedSha256 {
 public:
  TPipelinedSha256();
  // Stops the hashing thread; what it had not hashed yet is dropped.
  ~TPipelinedSha256();
  TPipelinedSha256(const TPipelinedSha256&) = delete;
  TPipelinedSha256& operator=(const TPipelinedSha256&) = delete;

  // Throws Core::EQuorvaneError after Finish, or when hashing failed.
  void Update(const void* AData, size_t ASize);
  // Waits for every byte to be hashed. Once; throws as Update does.
  Platform::TSha256Digest Finish();

 private:
  void Queue(std::string&& AChunk);
  void Run();

  static constexpr size_t kChunkBytes = 1 << 20;
  static constexpr size_t kMaxQueued = 8;  // chunks waiting: 8 MiB at most

  Platform::TSha256 FHash;
  std::string FFilling;  // bytes not yet a whole chunk
  Platform::TMonitor FMonitor;
  std::deque<std::string> FQueue;
  bool FStop = false;
  bool FFinished = false;
  std::exception_ptr FError;
  Platform::TThread FThread;  // last: it starts once everything it uses exists
};

}  // namespace Infrastructure::Crypto
