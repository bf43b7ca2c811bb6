#pragma once
// The real ports of the platform the program is built for. Natively (tests
// and tools only) the Windows-only ports are inert: the registry is empty and
// refuses writes, files have no version resources, every HTTP request and
// every program start fails with a clear text.
#include <memory>

#include "Core/Interfaces/IElevatedProcessRunner.h"
#include "Core/Interfaces/IHttpClient.h"
#include "Core/Interfaces/IProcessLauncher.h"
#include "Core/Interfaces/IRegistry.h"
#include "Core/Interfaces/IVersionResourceReader.h"

namespace Infrastructure::Platform {

std::shared_ptr<Core::Interfaces::IRegistry> DefaultRegistry();
std::shared_ptr<Core::Interfaces::IVersionResourceReader> DefaultVersionResourceReader();
std::shared_ptr<Core::Interfaces::IHttpClient> DefaultHttpClient();
std::shared_ptr<Core::Interfaces::IProcessLauncher> DefaultProcessLauncher();
std::shared_ptr<Core::Interfaces::IElevatedProcessRunner> DefaultElevatedProcessRunner();

}  // namespace Infrastructure::Platform
