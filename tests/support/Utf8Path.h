#pragma once
// std::filesystem paths from and to UTF-8 text, for test code only (the product
// uses the file-system port instead).
#include <filesystem>
#include <string>
#include <string_view>

namespace TestSupport {

inline std::filesystem::path PathFromUtf8(std::string_view AText) {
  return std::filesystem::path(std::u8string(AText.begin(), AText.end()));
}

inline std::string PathToUtf8(const std::filesystem::path& APath) {
  const std::u8string text = APath.u8string();
  return std::string(text.begin(), text.end());
}

}  // namespace TestSupport
