#include "Infrastructure/Platform/Win32/WinText.h"

#include "Core/Errors.h"
#include "Core/Text/TextUtils.h"
#include "Core/Text/Unicode.h"

namespace Infrastructure::Platform::Win32 {

static_assert(sizeof(wchar_t) == sizeof(char16_t));

std::wstring ToWide(std::string_view AText) {
  const std::u16string text = Core::Text::Utf8ToUtf16(AText);
  return std::wstring(text.begin(), text.end());
}

std::string FromWide(std::wstring_view AText) {
  return Core::Text::Utf16ToUtf8(std::u16string_view(reinterpret_cast<const char16_t*>(AText.data()), AText.size()));
}

std::string SystemErrorMessage(DWORD ACode) {
  wchar_t* buffer = nullptr;
  const DWORD length =
      FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                     nullptr, ACode, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  std::string text;
  if (length != 0 && buffer != nullptr) text = FromWide(std::wstring_view(buffer, length));
  if (buffer != nullptr) LocalFree(buffer);
  text = std::string(Core::Text::Trim(text));
  if (text.empty()) text = "código " + std::to_string(ACode);
  return text;
}

}  // namespace Infrastructure::Platform::Win32

namespace Infrastructure::Platform::Win32 {

void ThrowFileError(const std::string& AWhat, const std::string& APath, DWORD ACode) {
  Core::TFileErrorKind kind = Core::TFileErrorKind::Other;
  switch (ACode) {
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_USER_MAPPED_FILE:
      kind = Core::TFileErrorKind::InUse;
      break;
    case ERROR_ACCESS_DENIED:
    case ERROR_WRITE_PROTECT:
      kind = Core::TFileErrorKind::AccessDenied;
      break;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      kind = Core::TFileErrorKind::DiskFull;
      break;
    default:
      break;
  }
  throw Core::EFileSystemError(AWhat + " \"" + APath + "\": " + SystemErrorMessage(ACode), kind, APath);
}

}  // namespace Infrastructure::Platform::Win32
