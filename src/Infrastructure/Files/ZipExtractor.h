#pragma once
// Extraction of a ZIP archive (an application package) into a folder.
#include <optional>
#include <string>
#include <string_view>

namespace Infrastructure::Files {

// Extracts every entry, in archive order, below ADestinationPath, creating the
// folder chain first; "/" and "\" both separate folders in stored names, and
// an existing file of the same name is replaced. False when the archive is
// missing (the destination is then not created), unreadable, unsafe or
// corrupt, or when a file cannot be written. Never throws.
//
// Before anything is written every name is checked, and the whole archive is
// refused when one would leave the destination or cannot be a Windows file
// name, or when an entry is encrypted or uses a method other than stored or
// deflated. Each file is written beside its target under a temporary name and
// moved into place only when its size and CRC-32 match, so a corrupt entry
// never replaces a good file; entries completed before a failure stay.
bool ExtractZipArchive(const std::string& AZipPath, const std::string& ADestinationPath);

// The relative path an entry name stands for, with the platform's separators
// and no trailing one; nothing when the name is refused: empty, absolute
// ("/x", "\x", "\\server\x"), with a drive or any ":", a ".." or other
// all-dots component, a component ending in "." or " " (Windows would drop
// them), characters Windows does not allow in names (control characters,
// <>"|?*), or a Windows device name (CON, NUL, COM1, ...).
std::optional<std::string> SafeRelativePath(std::string_view AName);

}  // namespace Infrastructure::Files
