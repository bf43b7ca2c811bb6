#pragma once
// The real elevated start of the platform: the shell's "runas" on Windows; an
// inert runner natively (tests and tools only), whose every start fails.
#include <memory>

#include "Core/Interfaces/IElevatedProcessRunner.h"

namespace Infrastructure::Platform {

std::shared_ptr<Core::Interfaces::IElevatedProcessRunner> DefaultElevatedProcessRunner();

}  // namespace Infrastructure::Platform
