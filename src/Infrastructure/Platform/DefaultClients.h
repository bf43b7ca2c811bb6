#pragma once
// The HTTP client and the process launcher of the platform the program is
// built for. Natively (tests and tools only) both are inert: every GET and
// every start fails with a clear text.
#include <memory>

#include "Core/Interfaces/IHttpClient.h"
#include "Core/Interfaces/IProcessLauncher.h"

namespace Infrastructure::Platform {

std::shared_ptr<Core::Interfaces::IHttpClient> DefaultHttpClient();
std::shared_ptr<Core::Interfaces::IProcessLauncher> DefaultProcessLauncher();

}  // namespace Infrastructure::Platform
