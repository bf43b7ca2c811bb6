#pragma once
#include <mutex>
#include <string>

#include "Core/Interfaces/ILoggerService.h"

namespace Infrastructure::Logging {

// The launcher's logger. Its sink emits nothing, so a log call never changes
// behaviour, never fails and never blocks; the level operations still prepare
// the level word and the text for the sink.
class TDebugLoggerService : public Core::Interfaces::ILoggerService {
public:
  TDebugLoggerService() = default;

  void Info(const std::string& AMessage) override;
  void Warning(const std::string& AMessage) override;
  void Error(const std::string& AMessage, const std::exception* AException = nullptr) override;
  void Debug(const std::string& AMessage) override;
  void Log(const std::string& ALevel, const std::string& AMessage) override;

  // "<message> | Exception: <most-derived class> - <what()>", or the message alone.
  static std::string ComposeError(const std::string& AMessage, const std::exception* AException);

private:
  std::string FLogFile;
  std::mutex FCS;  // never entered: the sink has nothing to protect
  int FIsLogging = 0;
};

}  // namespace Infrastructure::Logging
