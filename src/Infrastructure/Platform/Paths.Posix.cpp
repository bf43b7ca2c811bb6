#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "Core/Errors.h"
#include "Infrastructure/Platform/Paths.h"

namespace Infrastructure::Platform {

std::string ModuleFileName() { return PathToUtf8(std::filesystem::read_symlink("/proc/self/exe")); }

void ReplaceFileAtomically(const std::string& ASource, const std::string& ADestination) {
  if (std::rename(ASource.c_str(), ADestination.c_str()) != 0)
    throw Core::EFileSystemError("Não foi possível substituir \"" + ADestination + "\": " + std::strerror(errno));
}

}  // namespace Infrastructure::Platform
