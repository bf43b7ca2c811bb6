#include "Infrastructure/Platform/DefaultPorts.h"
#include "Infrastructure/Platform/Win32/VersionResourceReader.h"
#include "Infrastructure/Platform/Win32/WindowsRegistry.h"

namespace Infrastructure::Platform {

std::shared_ptr<Core::Interfaces::IRegistry> DefaultRegistry() { return std::make_shared<Win32::TWindowsRegistry>(); }

std::shared_ptr<Core::Interfaces::IVersionResourceReader> DefaultVersionResourceReader() {
  return std::make_shared<Win32::TVersionResourceReader>();
}

}  // namespace Infrastructure::Platform
