#pragma once
// What the support log and the command line need from the running process
// and its system.
#include <cstdint>
#include <string>
#include <vector>

namespace Infrastructure::Platform {

struct TLocalTime {
  int Year = 0, Month = 0, Day = 0, Hour = 0, Minute = 0, Second = 0, Millisecond = 0;
};
TLocalTime LocalTimeNow();

uint32_t CurrentThreadId();

// The system's name and version as support reads it ("Windows 10.0.19045",
// with Wine's version when the launcher runs under it).
std::string OperatingSystemVersion();

// The user's local application-data folder (%LOCALAPPDATA% on Windows);
// empty when the system names none.
std::string LocalAppDataDirectory();

// The program's arguments after its own name, split as the system splits them.
std::vector<std::string> CommandLineArguments();

}  // namespace Infrastructure::Platform
