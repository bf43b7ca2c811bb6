#pragma once
// Starting a program through the shell, as a user's double click would.
#include <string>

namespace Core::Interfaces {

struct TProcessStartResult {
  bool Started = false;
  // The system's reason when the start failed.
  std::string ErrorMessage;
};

class IProcessLauncher {
 public:
  virtual ~IProcessLauncher() = default;
  // The shell verb "open" on AProgram with AArguments (may be empty). An empty
  // AWorkingDirectory leaves the choice to the shell.
  virtual TProcessStartResult Open(const std::string& AProgram, const std::string& AArguments = {},
                                   const std::string& AWorkingDirectory = {}) = 0;
};

}  // namespace Core::Interfaces
