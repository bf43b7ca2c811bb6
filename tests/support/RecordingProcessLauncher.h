#pragma once
// A process launcher that starts nothing: it records each request and gives
// the answer the test set. The real one is tested under Wine.
#include <string>
#include <vector>

#include "Core/Interfaces/IProcessLauncher.h"

namespace TestSupport {

class TRecordingProcessLauncher : public Core::Interfaces::IProcessLauncher {
 public:
  struct TRequest {
    std::string Program;
    std::string Arguments;
    std::string WorkingDirectory;
  };

  Core::Interfaces::TProcessStartResult Answer{true, {}};
  std::vector<TRequest> Requests;

  Core::Interfaces::TProcessStartResult Open(const std::string& AProgram, const std::string& AArguments = {},
                                             const std::string& AWorkingDirectory = {}) override {
    Requests.push_back({AProgram, AArguments, AWorkingDirectory});
    return Answer;
  }
};

}  // namespace TestSupport
