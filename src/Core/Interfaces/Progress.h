#pragma once
#include <cstdint>
#include <functional>

namespace Core::Interfaces {

// (current, total): bytes received and the announced length, or rescaled values.
using TProgressProc = std::function<void(int64_t ACurrent, int64_t ATotal)>;

}  // namespace Core::Interfaces
