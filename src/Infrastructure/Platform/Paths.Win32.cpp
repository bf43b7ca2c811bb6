#include <windows.h>

#include "Core/Errors.h"
#include "Infrastructure/Platform/Paths.h"
#include "Infrastructure/Platform/Win32/WinText.h"

namespace Infrastructure::Platform {

std::string ModuleFileName() {
  std::wstring buffer(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0) return {};
    if (length < buffer.size()) {
      buffer.resize(length);
      return Win32::FromWide(buffer);
    }
    buffer.resize(buffer.size() * 2);  // long-path installations
  }
}

void ReplaceFileAtomically(const std::string& ASource, const std::string& ADestination) {
  if (!MoveFileExW(Win32::ToWide(ASource).c_str(), Win32::ToWide(ADestination).c_str(),
                   MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
    throw Core::EFileSystemError("Não foi possível substituir \"" + ADestination + "\": " +
                                 Win32::SystemErrorMessage(GetLastError()));
}

}  // namespace Infrastructure::Platform
