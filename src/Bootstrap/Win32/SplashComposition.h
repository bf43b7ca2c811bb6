#pragma once
// The splash's platform on Windows.
#include <string>

#include "Infrastructure/Platform/FileSystem.h"
#include "Presentation/ViewModels/Splash.h"

namespace Bootstrap::Win32 {

// Call on the user-interface thread, which must pump messages: the hand-over
// window belongs to the thread that creates it.
Presentation::ViewModels::TSplashPlatform CreateSplashPlatform(
    std::string ALauncherPath = Infrastructure::Platform::ModuleFileName());

}  // namespace Bootstrap::Win32
