// The support log's text on arbitrary bytes: no crash, no hang; a line is one
// line (a single CR LF, at its end); a password written as "Pwd=<value>;"
// never survives, whatever surrounds it; the class-name reader gives back
// either a readable name or the name as compiled.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "Infrastructure/Logging/LogText.h"
#include "Infrastructure/Logging/TypeName.h"

using namespace Infrastructure::Logging;

namespace {

void Check(bool ACondition, const char* AWhat) {
  if (ACondition) return;
  std::fprintf(stderr, "fuzz_log_text: %s\n", AWhat);
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* AData, size_t ASize) {
  const std::string input(reinterpret_cast<const char*>(AData), ASize);

  const std::string line = FormatLogLine({2026, 1, 2, 3, 4, 5, 6}, 7, "INFO", input);
  Check(line.size() >= 2 && line.compare(line.size() - 2, 2, "\r\n") == 0, "line without its end");
  Check(line.find_first_of("\r\n") == line.size() - 2, "a break inside the line");

  // A secret planted in the input never reaches the line.
  const std::string secret = "Q9zSecretoZ9Q";
  const std::string planted =
      input.substr(0, input.size() / 2) + ";Pwd=" + secret + ";" + input.substr(input.size() / 2);
  if (input.find(secret) == std::string::npos)  // the fuzzer may learn the text and write it in the open
    Check(FormatLogLine({}, 1, "INFO", planted).find(secret) == std::string::npos, "password reached the line");

  // The name as compiled (a local type's leading '*' dropped), or one read from it.
  const std::string name = ReadableTypeName(input);
  const std::string compiled = !input.empty() && input[0] == '*' ? input.substr(1) : input;
  Check(name == compiled || (!name.empty() && name.size() <= input.size() * 8 + 32), "type name out of bounds");
  return 0;
}
