#pragma once
// The class name a log line shows for an exception, read from the compiler's
// type name ("N4Core16EFileSystemErrorE" gives "Core::EFileSystemError").
// Only plain and nested class names are read; anything else (templates,
// local classes) is shown as the compiler wrote it. A general demangler
// would cost the executable tens of kilobytes for names exceptions never have.
#include <string>
#include <string_view>

namespace Infrastructure::Logging {

std::string ReadableTypeName(std::string_view AMangled);

}  // namespace Infrastructure::Logging
