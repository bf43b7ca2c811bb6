#include "Infrastructure/Platform/Paths.h"

namespace Infrastructure::Platform {

std::filesystem::path PathFromUtf8(std::string_view AText) {
  return std::filesystem::path(std::u8string(AText.begin(), AText.end()));
}

std::string PathToUtf8(const std::filesystem::path& APath) {
  const std::u8string text = APath.u8string();
  return std::string(text.begin(), text.end());
}

std::string ModuleDirectory() { return PathToUtf8(PathFromUtf8(ModuleFileName()).parent_path()); }

}  // namespace Infrastructure::Platform
