#pragma once
#include <windows.h>

#include "Core/Interfaces/IElevatedProcessRunner.h"

namespace Infrastructure::Platform::Win32 {

// SEE_MASK_NOCLOSEPROCESS | SEE_MASK_NOASYNC | SEE_MASK_FLAG_NO_UI: a handle to
// wait on, a start that is finished when the call returns (the caller may be a
// pool thread that ends soon), and failures as results rather than dialogs.
inline constexpr ULONG kElevatedStartMask = 0x540;

// ShellExecuteExW with the verb "runas".
class TShellElevatedProcessRunner : public Core::Interfaces::IElevatedProcessRunner {
 public:
  Core::Interfaces::TElevatedStart StartElevated(const std::string& AFile,
                                                 const std::string& AWorkingDirectory) override;
};

}  // namespace Infrastructure::Platform::Win32
