// The command-line switches on arbitrary words (the input split at NUL
// bytes): no crash; every word is a switch read or an unknown kept, never lost.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "Bootstrap/LaunchSwitches.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* AData, size_t ASize) {
  std::vector<std::string> words(1);
  for (size_t i = 0; i < ASize; ++i) {
    if (AData[i] == 0)
      words.emplace_back();
    else
      words.back() += static_cast<char>(AData[i]);
  }
  const Bootstrap::TLaunchSwitches switches = Bootstrap::ParseLaunchSwitches(words);
  size_t nonEmpty = 0, known = 0;
  for (const std::string& word : words) {
    if (word.empty()) continue;
    ++nonEmpty;
    if (Bootstrap::ParseLaunchSwitches({word}).Unknown.empty()) ++known;
  }
  if (switches.Unknown.size() != nonEmpty - known) {
    std::fprintf(stderr, "fuzz_launch_switches: a word was lost or kept twice\n");
    std::abort();
  }
  return 0;
}
