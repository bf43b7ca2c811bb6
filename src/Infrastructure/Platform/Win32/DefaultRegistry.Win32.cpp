#include "Infrastructure/Platform/DefaultRegistry.h"

#include "Infrastructure/Platform/Win32/WindowsRegistry.h"

namespace Infrastructure::Platform {

std::shared_ptr<Core::Interfaces::IRegistry> DefaultRegistry() {
  return std::make_shared<Win32::TWindowsRegistry>();
}

}  // namespace Infrastructure::Platform
