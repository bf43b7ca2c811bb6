#include "Infrastructure/Platform/DefaultElevatedProcessRunner.h"
#include "Infrastructure/Platform/Win32/ElevatedProcessRunner.h"

namespace Infrastructure::Platform {

std::shared_ptr<Core::Interfaces::IElevatedProcessRunner> DefaultElevatedProcessRunner() {
  return std::make_shared<Win32::TShellElevatedProcessRunner>();
}

}  // namespace Infrastructure::Platform
