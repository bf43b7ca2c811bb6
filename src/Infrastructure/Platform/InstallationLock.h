#pragma once
// The installation lock of the platform: a named mutex on Windows (global, so
// launchers in other sessions of a terminal server see it), an advisory file
// lock elsewhere.
#include <memory>
#include <string>

#include "Core/Interfaces/IUpdateInstaller.h"

namespace Infrastructure::Platform {

std::unique_ptr<Core::Interfaces::IInstallationLock> CreateInstallationLock(const std::string& AFolder);

}  // namespace Infrastructure::Platform
