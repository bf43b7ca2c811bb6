// The resumable download's sidecar on arbitrary bytes: no crash, and what it
// takes is exactly what the writer writes for those values.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "Infrastructure/Files/ResumableDownload.h"

using namespace Infrastructure::Files;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* AData, size_t ASize) {
  const std::string_view text(reinterpret_cast<const char*>(AData), ASize);
  const auto sidecar = ParseResumeSidecar(text);
  if (sidecar && FormatResumeSidecar(*sidecar) != text) {
    std::fprintf(stderr, "fuzz_resume_sidecar: taken, but not as the writer writes it\n");
    std::abort();
  }
  return 0;
}
