#pragma once
// UTF-8 <-> wchar_t at the Win32 boundary (wchar_t is UTF-16 on Windows).
#include <windows.h>

#include <string>
#include <string_view>

namespace Infrastructure::Platform::Win32 {

std::wstring ToWide(std::string_view AText);
std::string FromWide(std::wstring_view AText);

// The system's own text for a Win32 error code, without the trailing line break.
std::string SystemErrorMessage(DWORD ACode);

// Throws Core::EFileSystemError: AWhat, the path in quotes and the system's
// text, with the reason's kind (in use, access denied, disk full).
[[noreturn]] void ThrowFileError(const std::string& AWhat, const std::string& APath, DWORD ACode);

}  // namespace Infrastructure::Platform::Win32
