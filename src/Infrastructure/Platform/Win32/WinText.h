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

}  // namespace Infrastructure::Platform::Win32
