#include <sys/syscall.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <ctime>

#include "Infrastructure/Platform/FileSystem.h"
#include "Infrastructure/Platform/ProcessInfo.h"

namespace Infrastructure::Platform {

TLocalTime LocalTimeNow() {
  const auto now = std::chrono::system_clock::now();
  const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
  std::tm parts{};
  localtime_r(&seconds, &parts);
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
  return {parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday,       parts.tm_hour,
          parts.tm_min,         parts.tm_sec,     static_cast<int>(ms)};
}

uint32_t CurrentThreadId() {
  return static_cast<uint32_t>(::syscall(SYS_gettid));
}

std::string OperatingSystemVersion() {
  utsname name{};
  if (::uname(&name) != 0) return "desconhecido";
  return std::string(name.sysname) + " " + name.release;
}

std::string LocalAppDataDirectory() {
  if (const char* folder = std::getenv("LOCALAPPDATA"); folder != nullptr && *folder != '\0') return folder;
  if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0')
    return JoinPath(JoinPath(home, ".local"), "share");
  return {};
}

std::vector<std::string> CommandLineArguments() {
  return {};
}

}  // namespace Infrastructure::Platform
