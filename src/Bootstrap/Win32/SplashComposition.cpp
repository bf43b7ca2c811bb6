#include "Bootstrap/Win32/SplashComposition.h"

#include "Bootstrap/Composition.h"
#include "Bootstrap/ServiceLocator.h"
#include "Infrastructure/Platform/DefaultPorts.h"
#include "Infrastructure/Threading/Win32/Win32MainThread.h"

namespace Bootstrap::Win32 {

Presentation::ViewModels::TSplashPlatform CreateSplashPlatform(std::string ALauncherPath) {
  Presentation::ViewModels::TSplashPlatform platform = CreatePortableSplashPlatform(std::move(ALauncherPath));
  platform.MainThread = std::make_shared<Infrastructure::Threading::Win32::TWin32MainThread>();
  platform.Tasks = std::make_shared<Infrastructure::Threading::Win32::TWin32TaskPool>();
  platform.Shell = Infrastructure::Platform::DefaultProcessLauncher();
  platform.ConfigureFirst = TServiceLocator::GetLaunchSwitches().OpenConfiguration;
  return platform;
}

}  // namespace Bootstrap::Win32
