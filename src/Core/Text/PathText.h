#pragma once
// Paths as text, in the separators of the platform the program is built for.
#include <string>
#include <string_view>

namespace Core::Text {

#ifdef _WIN32
inline constexpr char kPathSeparator = '\\';
inline constexpr std::string_view kPathSeparators = "\\/";
#else
inline constexpr char kPathSeparator = '/';
inline constexpr std::string_view kPathSeparators = "/";
#endif

std::string JoinPath(std::string_view ADirectory, std::string_view AName);
// The folder part without a trailing separator ("" when there is none); a root keeps its separator.
std::string ParentPath(std::string_view APath);
std::string FileNameOf(std::string_view APath);

}  // namespace Core::Text
