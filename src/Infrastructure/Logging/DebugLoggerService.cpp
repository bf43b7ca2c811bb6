#include "Infrastructure/Logging/DebugLoggerService.h"

#include <cxxabi.h>

#include <cstdlib>
#include <memory>
#include <typeinfo>

namespace Infrastructure::Logging {

namespace {

std::string ClassName(const std::exception& AException) {
  const char* mangled = typeid(AException).name();
  int status = 0;
  std::unique_ptr<char, decltype(&std::free)> demangled(abi::__cxa_demangle(mangled, nullptr, nullptr, &status),
                                                        &std::free);
  return status == 0 && demangled ? std::string(demangled.get()) : std::string(mangled);
}

}  // namespace

void TDebugLoggerService::Info(const std::string& AMessage) { Log("INFO", AMessage); }
void TDebugLoggerService::Warning(const std::string& AMessage) { Log("WARN", AMessage); }
void TDebugLoggerService::Debug(const std::string& AMessage) { Log("DEBUG", AMessage); }

void TDebugLoggerService::Error(const std::string& AMessage, const std::exception* AException) {
  Log("ERROR", ComposeError(AMessage, AException));
}

std::string TDebugLoggerService::ComposeError(const std::string& AMessage, const std::exception* AException) {
  if (AException == nullptr) return AMessage;
  return AMessage + " | Exception: " + ClassName(*AException) + " - " + AException->what();
}

void TDebugLoggerService::Log(const std::string& /*ALevel*/, const std::string& /*AMessage*/) {}

}  // namespace Infrastructure::Logging
