#include "Infrastructure/Logging/DebugLoggerService.h"

#include <typeinfo>

#include "Infrastructure/Logging/LogText.h"
#include "Infrastructure/Logging/TypeName.h"
#include "Infrastructure/Platform/ProcessInfo.h"

namespace Infrastructure::Logging {

void TDebugLoggerService::Info(const std::string& AMessage) {
  Log("INFO", AMessage);
}
void TDebugLoggerService::Warning(const std::string& AMessage) {
  Log("WARN", AMessage);
}
void TDebugLoggerService::Debug(const std::string& AMessage) {
  Log("DEBUG", AMessage);
}

void TDebugLoggerService::Error(const std::string& AMessage, const std::exception* AException) {
  Log("ERROR", ComposeError(AMessage, AException));
}

std::string TDebugLoggerService::ComposeError(const std::string& AMessage, const std::exception* AException) {
  if (AException == nullptr) return AMessage;
  return AMessage + " | Exception: " + ReadableTypeName(typeid(*AException).name()) + " - " + AException->what();
}

bool TDebugLoggerService::StartSupportLog(const std::string& APath, uint64_t AMaxBytes, int AKeep) {
  auto file = std::make_unique<TRotatingLogFile>(APath, AMaxBytes, AKeep);
  if (!file->Open()) return false;
  const std::lock_guard<std::mutex> lock(FCS);
  FLogFile = APath;
  FFile = std::move(file);
  FIsLogging = true;
  return true;
}

bool TDebugLoggerService::SupportLogActive() const {
  const std::lock_guard<std::mutex> lock(FCS);
  return FFile && FFile->IsOpen();
}

void TDebugLoggerService::Log(const std::string& ALevel, const std::string& AMessage) {
  if (!FIsLogging) return;
  const std::lock_guard<std::mutex> lock(FCS);
  if (!FFile) return;
  try {
    FFile->Append(FormatLogLine(Platform::LocalTimeNow(), Platform::CurrentThreadId(), ALevel, AMessage));
  } catch (...) {
    // A log line must never be the reason the launcher stops (out of memory included).
  }
}

}  // namespace Infrastructure::Logging
