#pragma once
// Helpers for tests that run under Wine.
#include <cstdint>
#include <string>

namespace TestSupport {

// Starts a program, waits up to ATimeoutMs and answers its exit code
// (-1 when it did not start, -2 when it had to be stopped at the time-out).
int64_t RunProgram(const std::string& AExecutable, const std::string& AArguments, uint32_t ATimeoutMs);

}  // namespace TestSupport
