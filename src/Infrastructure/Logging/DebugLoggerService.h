#pragma once
#include <atomic>
#include <memory>
#include <mutex>
#include <string>

#include "Core/Interfaces/ILoggerService.h"
#include "Infrastructure/Logging/RotatingLogFile.h"

namespace Infrastructure::Logging {

// The launcher's logger. Until the support log is started its sink emits
// nothing, so a log call never changes behaviour, never fails and never
// blocks; the level operations still prepare the level word and the text for
// the sink. Once started, every call becomes one line of that file.
class TDebugLoggerService : public Core::Interfaces::ILoggerService {
 public:
  TDebugLoggerService() = default;

  void Info(const std::string& AMessage) override;
  void Warning(const std::string& AMessage) override;
  void Error(const std::string& AMessage, const std::exception* AException = nullptr) override;
  void Debug(const std::string& AMessage) override;
  void Log(const std::string& ALevel, const std::string& AMessage) override;

  // "<message> | Exception: <most-derived class> - <what()>", or the message alone. The class is
  // known for the exception being handled (errors are logged from their catch block); for any
  // other it reads "std::exception".
  static std::string ComposeError(const std::string& AMessage, const std::exception* AException);

  // Sends every later call to the support log at APath. False when the file
  // cannot be opened: the logger then stays silent and the launcher goes on.
  bool StartSupportLog(const std::string& APath, uint64_t AMaxBytes = TRotatingLogFile::kDefaultMaxBytes,
                       int AKeep = TRotatingLogFile::kDefaultKeep);
  bool SupportLogActive() const;

 private:
  std::string FLogFile;
  mutable std::mutex FCS;
  std::unique_ptr<TRotatingLogFile> FFile;
  // Read without the lock: a silent logger never waits.
  std::atomic<bool> FIsLogging{false};
};

}  // namespace Infrastructure::Logging
