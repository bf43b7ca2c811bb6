#include "Infrastructure/Platform/Win32/VersionResourceReader.h"

#include <windows.h>

#include <vector>

#include "Infrastructure/Platform/Win32/WinText.h"

namespace Infrastructure::Platform::Win32 {

Core::Interfaces::TVersionResource TVersionResourceReader::Read(const std::string& AFilePath) {
  Core::Interfaces::TVersionResource result;
  const std::wstring path = ToWide(AFilePath);
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
  if (size == 0) return result;
  std::vector<BYTE> block(size, 0);
  if (!GetFileVersionInfoW(path.c_str(), 0, size, block.data())) return result;

  wchar_t* text = nullptr;
  UINT length = 0;
  if (VerQueryValueW(block.data(), L"\\StringFileInfo\\041604E4\\FileVersion", reinterpret_cast<void**>(&text),
                     &length) &&
      text != nullptr) {
    // The length may or may not count the terminator; the text ends at the first zero.
    size_t end = 0;
    while (end < length && text[end] != L'\0') ++end;
    result.PortugueseFileVersion = FromWide(std::wstring_view(text, end));
  }

  VS_FIXEDFILEINFO* fixed = nullptr;
  if (VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &length) && fixed != nullptr &&
      length >= sizeof(VS_FIXEDFILEINFO))
    result.FixedFileVersion = {HIWORD(fixed->dwFileVersionMS), LOWORD(fixed->dwFileVersionMS),
                               HIWORD(fixed->dwFileVersionLS), LOWORD(fixed->dwFileVersionLS)};
  return result;
}

}  // namespace Infrastructure::Platform::Win32
