// The launcher's executable is built without run-time type information and with its own handlers
// for the standard library's failures. This program is built the same way and checks that such
// failures still reach a catch of std::exception with a useful text, and that the support log
// still names an exception's class. Exit status: the number of failed checks.
#include <cstddef>
#include <cstdio>
#include <new>
#include <string>
#include <vector>

#include "Core/Errors.h"
#include "Infrastructure/Logging/DebugLoggerService.h"

namespace {

int failures = 0;

void Check(bool AOk, const char* AWhat) {
  if (AOk) return;
  std::printf("FAIL: %s\n", AWhat);
  ++failures;
}

bool Contains(const char* AText, const char* APart) {
  return std::string(AText).find(APart) != std::string::npos;
}

}  // namespace

int main() {
  try {
    Check(std::string().at(1) == 'x', "string::at on an empty string throws");
  } catch (const std::exception& e) {
    Check(e.what() != nullptr && e.what()[0] != '\0', "string::at's error arrives as std::exception with a text");
  }

  try {
    const std::string text("abc");
    Check(text.at(5) == 'x', "string::at past the end throws");
  } catch (const std::exception& e) {
    Check(Contains(e.what(), "basic_string"), "string::at's error names the function");
  }

  try {
    std::vector<int> values;
    values.reserve(values.max_size() + 1);
    Check(false, "vector::reserve beyond max_size throws");
  } catch (const std::exception& e) {
    Check(Contains(e.what(), "vector"), "vector::reserve's error names the function");
  }

  try {
    // More than the process can have: nearly 2 GiB in the 32-bit launcher, 4 EiB in the 64-bit test build.
    const std::size_t impossible = sizeof(void*) == 4 ? std::size_t{0x7FFFFFF0u} : std::size_t{1} << 62;
    void* block = ::operator new(impossible);
    ::operator delete(block);
    Check(false, "an impossible allocation throws");
  } catch (const std::bad_alloc&) {
  } catch (...) {
    Check(false, "an impossible allocation throws std::bad_alloc");
  }

  try {
    throw Core::EFileSystemError("disco cheio");
  } catch (const std::exception& e) {
    const std::string line = Infrastructure::Logging::TDebugLoggerService::ComposeError("Salvar", &e);
    Check(line == "Salvar | Exception: Core::EFileSystemError - disco cheio", "the log names the exception's class");
  }

  std::printf("%d failed\n", failures);
  return failures;
}
