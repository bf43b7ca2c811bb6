#include "Infrastructure/Platform/DefaultPorts.h"
#include "Infrastructure/Platform/Win32/ElevatedProcessRunner.h"
#include "Infrastructure/Platform/Win32/ShellProcessLauncher.h"
#include "Infrastructure/Platform/Win32/VersionResourceReader.h"
#include "Infrastructure/Platform/Win32/WinHttpClient.h"
#include "Infrastructure/Platform/Win32/WindowsRegistry.h"

namespace Infrastructure::Platform {

std::shared_ptr<Core::Interfaces::IRegistry> DefaultRegistry() {
  return std::make_shared<Win32::TWindowsRegistry>();
}

std::shared_ptr<Core::Interfaces::IVersionResourceReader> DefaultVersionResourceReader() {
  return std::make_shared<Win32::TVersionResourceReader>();
}

std::shared_ptr<Core::Interfaces::IHttpClient> DefaultHttpClient() {
  return std::make_shared<Win32::TWinHttpClient>();
}

std::shared_ptr<Core::Interfaces::IProcessLauncher> DefaultProcessLauncher() {
  return std::make_shared<Win32::TShellProcessLauncher>();
}

std::shared_ptr<Core::Interfaces::IElevatedProcessRunner> DefaultElevatedProcessRunner() {
  return std::make_shared<Win32::TShellElevatedProcessRunner>();
}

}  // namespace Infrastructure::Platform
