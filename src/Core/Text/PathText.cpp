#include "Core/Text/PathText.h"

namespace Core::Text {

namespace {
bool IsSeparator(char c) { return kPathSeparators.find(c) != std::string_view::npos; }
}  // namespace

std::string JoinPath(std::string_view ADirectory, std::string_view AName) {
  std::string out(ADirectory);
  if (!out.empty() && !IsSeparator(out.back())) out += kPathSeparator;
  while (!AName.empty() && IsSeparator(AName.front())) AName.remove_prefix(1);
  out += AName;
  return out;
}

std::string ParentPath(std::string_view APath) {
  const size_t last = APath.find_last_of(kPathSeparators);
  if (last == std::string_view::npos) return {};
  size_t end = last;
  while (end > 0 && IsSeparator(APath[end - 1])) --end;
  // "/x" and "C:\x" keep their root separator.
  if (end == 0 || (end == 2 && APath[1] == ':' && kPathSeparator == '\\')) return std::string(APath.substr(0, end + 1));
  return std::string(APath.substr(0, end));
}

std::string FileNameOf(std::string_view APath) {
  const size_t last = APath.find_last_of(kPathSeparators);
  return std::string(last == std::string_view::npos ? APath : APath.substr(last + 1));
}

}  // namespace Core::Text
