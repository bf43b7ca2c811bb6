#include "support/TestServers.h"

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "Core/Text/TextUtils.h"
#include "support/Utf8Path.h"

namespace TestSupport {

std::string HostPath(const std::string& ALinuxPath) {
#ifdef _WIN32
  std::string path = "Z:" + ALinuxPath;
  for (char& c : path)
    if (c == '/') c = '\\';
  return path;
#else
  return ALinuxPath;
#endif
}

std::optional<std::string> TestServerValue(const std::string& AName) {
  const char* state = std::getenv("QL_TEST_STATE");
  if (state == nullptr || *state == '\0') return std::nullopt;
  std::ifstream in(PathFromUtf8(HostPath(std::string(state) + "/" + AName)), std::ios::binary);
  if (!in) return std::nullopt;
  std::ostringstream content;
  content << in.rdbuf();
  return std::string(Core::Text::Trim(content.str()));
}

}  // namespace TestSupport
