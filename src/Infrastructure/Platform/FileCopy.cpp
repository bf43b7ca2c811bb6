// The copy-then-replace of the file-system port, shared by the update service
// and the start-up roads; the one-step replacement is each platform's own.
#include <memory>

#include "Core/Errors.h"
#include "Infrastructure/Platform/FileStream.h"
#include "Infrastructure/Platform/FileSystem.h"

namespace Infrastructure::Platform {

namespace {
constexpr size_t kCopyBlock = 256 * 1024;
}

void CopyFileReplacing(const std::string& ASource, const std::string& ADestination,
                       const Core::Interfaces::TSleepProc& ASleep, int AAttempts, uint32_t APauseMs) {
  const std::string temporary = ADestination + ".novo";
  try {
    TFileReader source(ASource);
    TFileWriter copy(temporary, TCreateMode::Truncate);
    const std::unique_ptr<char[]> buffer(new char[kCopyBlock]);
    for (;;) {
      const size_t read = source.Read(buffer.get(), kCopyBlock);
      if (read == 0) break;
      copy.Write(buffer.get(), read);
    }
    copy.Close();
  } catch (const std::exception&) {
    RemoveFile(temporary);
    throw;
  }
  for (int attempt = 1;; ++attempt) {
    try {
      ReplaceFileAtomically(temporary, ADestination);
      return;
    } catch (const std::exception&) {
      if (attempt >= AAttempts) {
        RemoveFile(temporary);
        throw;
      }
    }
    if (ASleep) ASleep(APauseMs);
  }
}

}  // namespace Infrastructure::Platform
