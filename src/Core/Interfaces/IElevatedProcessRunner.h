#pragma once
// Starting a program with administrator rights through the shell ("runas"),
// and waiting for it.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace Core::Interfaces {

enum class TProcessWaitResult { Ended, TimedOut, Failed };

// A started process. Its handle is closed by Close or, at the latest, when the
// object goes.
class IStartedProcess {
 public:
  virtual ~IStartedProcess() = default;
  // Waits at most AMilliseconds for the process to end.
  virtual TProcessWaitResult Wait(uint32_t AMilliseconds) = 0;
  virtual bool Terminate(uint32_t AExitCode) = 0;
  // The exit code once the process has ended; nullopt while it runs.
  virtual std::optional<uint32_t> ExitCode() = 0;
  virtual void Close() = 0;
};

enum class TElevatedStartStatus {
  Failed,
  // The shell reports success but hands over no process (the program was
  // passed to one that was already running, for instance).
  StartedWithoutProcess,
  StartedWithProcess
};

struct TElevatedStart {
  TElevatedStartStatus Status = TElevatedStartStatus::Failed;
  std::string ErrorMessage;                  // the system's text when Failed
  std::unique_ptr<IStartedProcess> Process;  // only with StartedWithProcess
};

class IElevatedProcessRunner {
 public:
  virtual ~IElevatedProcessRunner() = default;
  // The shell verb "runas" on AFile, no parameters, AWorkingDirectory as the
  // working folder, a normal window, no error dialog of the shell's own.
  virtual TElevatedStart StartElevated(const std::string& AFile, const std::string& AWorkingDirectory) = 0;
};

}  // namespace Core::Interfaces
