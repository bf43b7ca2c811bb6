#pragma once
// The registry of the platform the program is built for: the Windows registry
// in the process's default view. Natively (tests and tools only) there is no
// registry: every key is missing and every write is refused.
#include <memory>

#include "Core/Interfaces/IRegistry.h"

namespace Infrastructure::Platform {

std::shared_ptr<Core::Interfaces::IRegistry> DefaultRegistry();

}  // namespace Infrastructure::Platform
