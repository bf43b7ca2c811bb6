#include "Infrastructure/Crypto/PipelinedSha256.h"

#include <algorithm>

#include "Core/Errors.h"

namespace Infrastructure::Crypto {

TPipelinedSha256::TPipelinedSha256() : FThread([this] { Run(); }) {
  FFilling.reserve(kChunkBytes);
}

TPipelinedSha256::~TPipelinedSha256() {
  {
    const Platform::TMonitorLock lock(FMonitor);
    FStop = true;
  }
  FMonitor.NotifyAll();
  // FThread, the first member to go, waits for the thread.
}

void TPipelinedSha256::Update(const void* AData, size_t ASize) {
  if (FFinished) throw Core::EQuorvaneError("SHA-256 já concluído");
  const char* data = static_cast<const char*>(AData);
  while (ASize > 0) {
    const size_t take = std::min(ASize, kChunkBytes - FFilling.size());
    FFilling.append(data, take);
    data += take;
    ASize -= take;
    if (FFilling.size() == kChunkBytes) {
      Queue(std::move(FFilling));
      FFilling = std::string();
      FFilling.reserve(kChunkBytes);
    }
  }
}

void TPipelinedSha256::Queue(std::string&& AChunk) {
  Platform::TMonitorLock lock(FMonitor);
  FMonitor.WaitUntil([this] { return FQueue.size() < kMaxQueued || FError; });
  if (FError) std::rethrow_exception(FError);
  FQueue.push_back(std::move(AChunk));
  lock.Unlock();
  FMonitor.NotifyAll();
}

Platform::TSha256Digest TPipelinedSha256::Finish() {
  if (FFinished) throw Core::EQuorvaneError("SHA-256 já concluído");
  FFinished = true;
  if (!FFilling.empty()) Queue(std::move(FFilling));
  const Platform::TMonitorLock lock(FMonitor);
  FMonitor.WaitUntil([this] { return FQueue.empty() || FError; });
  if (FError) std::rethrow_exception(FError);
  return FHash.Finish();
}

void TPipelinedSha256::Run() {
  Platform::TMonitorLock lock(FMonitor);
  for (;;) {
    FMonitor.WaitUntil([this] { return FStop || !FQueue.empty(); });
    if (FStop) return;
    std::string chunk = std::move(FQueue.front());
    lock.Unlock();
    std::exception_ptr error;
    try {
      FHash.Update(chunk.data(), chunk.size());
    } catch (...) {
      error = std::current_exception();
    }
    lock.Lock();
    // Popped only once hashed: an empty queue means every byte is in the hash.
    FQueue.pop_front();
    if (error) {
      FError = error;
      FQueue.clear();
    }
    FMonitor.NotifyAll();
  }
}

}  // namespace Infrastructure::Crypto
