#pragma once
#include "Core/Interfaces/IProcessLauncher.h"

namespace Infrastructure::Platform::Win32 {

// ShellExecuteW with the verb "open" and a normal window.
class TShellProcessLauncher : public Core::Interfaces::IProcessLauncher {
 public:
  Core::Interfaces::TProcessStartResult Open(const std::string& AProgram, const std::string& AArguments = {},
                                             const std::string& AWorkingDirectory = {}) override;
};

}  // namespace Infrastructure::Platform::Win32
