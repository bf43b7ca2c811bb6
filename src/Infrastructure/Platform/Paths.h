#pragma once
// UTF-8 text <-> std::filesystem::path. A path built from a plain std::string
// would use the ANSI code page on Windows and mangle non-ASCII names.
#include <filesystem>
#include <string>
#include <string_view>

namespace Infrastructure::Platform {

std::filesystem::path PathFromUtf8(std::string_view AText);
std::string PathToUtf8(const std::filesystem::path& APath);

// Full path of the running executable, and its folder.
std::string ModuleFileName();
std::string ModuleDirectory();

// Puts ASource in place of ADestination in one step (the old file stays whole
// until the new one is complete). Throws Core::EFileSystemError on failure.
void ReplaceFileAtomically(const std::string& ASource, const std::string& ADestination);

}  // namespace Infrastructure::Platform
