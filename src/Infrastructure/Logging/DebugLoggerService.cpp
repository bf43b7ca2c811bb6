#include "Infrastructure/Logging/DebugLoggerService.h"

#include <cxxabi.h>

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

namespace {

// The class of AException when it is the exception being handled, which is how the launcher logs
// errors (from their catch block); "std::exception" otherwise. Read from the exception machinery,
// not from typeid: the executable is built without run-time type information, which would cost it
// the names of every class and lambda it has.
std::string ClassOf(const std::exception& AException) {
  if (abi::__cxa_current_exception_type() != nullptr) {
    try {
      throw;
    } catch (const std::exception& handled) {
      const std::type_info* type = abi::__cxa_current_exception_type();
      if (&handled == &AException && type != nullptr) return ReadableTypeName(type->name());
    } catch (...) {
    }
  }
  return "std::exception";
}

}  // namespace

std::string TDebugLoggerService::ComposeError(const std::string& AMessage, const std::exception* AException) {
  if (AException == nullptr) return AMessage;
  return AMessage + " | Exception: " + ClassOf(*AException) + " - " + AException->what();
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
