#pragma once
// The real ports of the platform the program is built for. Natively (tests and
// tools only) the Windows-only ports are inert: the registry is empty and
// refuses writes, files have no version resources.
#include <memory>

#include "Core/Interfaces/IRegistry.h"
#include "Core/Interfaces/IVersionResourceReader.h"

namespace Infrastructure::Platform {

std::shared_ptr<Core::Interfaces::IRegistry> DefaultRegistry();
std::shared_ptr<Core::Interfaces::IVersionResourceReader> DefaultVersionResourceReader();

}  // namespace Infrastructure::Platform
