#pragma once
// How one call of the logger becomes one line of the support log.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "Infrastructure/Platform/ProcessInfo.h"

namespace Infrastructure::Logging {

// Longer messages are cut there (on a character boundary) with a note of
// what was left out: one runaway message must not rotate the log away.
inline constexpr size_t kMaxLogMessageBytes = 16 * 1024;

// AMessage with every password value replaced by "***": the value after
// "Senha", "Pwd", "Password" or "Passwd" (also as the end of a longer name,
// such as a window's password field) followed by "=" or ":", up to ";" or
// the end of the line, braces and quotes respected; and the password of a
// URL's "user:password@".
std::string MaskSecrets(std::string_view AMessage);

// "<date> <time.ms>\t<thread>\t<level>\t<class>\t<message>\r\n", with the
// message's secrets masked, its line breaks and control characters made
// blanks and its length limited. The class is what precedes " - " in the
// messages the launcher writes ("CheckBDE - Verificando BDE"), else "-".
std::string FormatLogLine(const Platform::TLocalTime& ATime, uint32_t AThreadId, std::string_view ALevel,
                          std::string_view AMessage);

}  // namespace Infrastructure::Logging
