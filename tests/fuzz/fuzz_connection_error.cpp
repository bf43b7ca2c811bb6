// The driver's message as the configuration window shows it, from arbitrary
// bytes: no crash, one line, never longer than the status has room for, and
// valid UTF-8 stays valid (a cut never splits a character).
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "Core/Text/Unicode.h"
#include "Presentation/ViewModels/DatabaseConfigForm.h"

namespace {

void Check(bool ACondition, const char* AWhat) {
  if (ACondition) return;
  std::fprintf(stderr, "fuzz_connection_error: %s\n", AWhat);
  std::abort();
}

bool ValidUtf8(std::string_view AText) {
  for (size_t position = 0; position < AText.size();) {
    char32_t codePoint = 0;
    const size_t length = Core::Text::DecodeUtf8(AText, position, codePoint);
    if (length == 0) return false;
    position += length;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* AData, size_t ASize) {
  const std::string message(reinterpret_cast<const char*>(AData), ASize);
  const std::string detail = Presentation::ViewModels::ConnectionErrorDetail(message);
  Check(detail.find('\n') == std::string::npos && detail.find('\r') == std::string::npos, "more than one line");
  Check(detail.size() <= Presentation::ViewModels::MaxConnectionErrorDetail + 3, "longer than the status allows");
  if (ValidUtf8(message)) Check(ValidUtf8(detail), "valid UTF-8 came out broken");
  Check(Presentation::ViewModels::ConnectionErrorDetail(detail).size() <= detail.size() + 3, "not stable");
  return 0;
}
