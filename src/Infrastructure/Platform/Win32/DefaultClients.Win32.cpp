#include "Infrastructure/Platform/DefaultClients.h"
#include "Infrastructure/Platform/Win32/ShellProcessLauncher.h"
#include "Infrastructure/Platform/Win32/WinHttpClient.h"

namespace Infrastructure::Platform {

std::shared_ptr<Core::Interfaces::IHttpClient> DefaultHttpClient() {
  return std::make_shared<Win32::TWinHttpClient>();
}

std::shared_ptr<Core::Interfaces::IProcessLauncher> DefaultProcessLauncher() {
  return std::make_shared<Win32::TShellProcessLauncher>();
}

}  // namespace Infrastructure::Platform
