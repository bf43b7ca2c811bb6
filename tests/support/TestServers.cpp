#include "support/TestServers.h"

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

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

std::optional<std::string> TestStateFile(const std::string& AName) {
  const char* state = std::getenv("QL_TEST_STATE");
  if (state == nullptr || *state == '\0') return std::nullopt;
  std::ifstream in(PathFromUtf8(HostPath(std::string(state) + "/" + AName)), std::ios::binary);
  if (!in) return std::nullopt;
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

std::optional<std::string> TestServerValue(const std::string& AName) {
  const std::optional<std::string> content = TestStateFile(AName);
  if (!content) return std::nullopt;
  return std::string(Core::Text::Trim(*content));
}

std::string TestHttpUrl(const std::string& APath) {
  return "http://127.0.0.1:" + TestServerValue("http.port").value_or("0") + APath;
}

std::string ServeTestFile(const std::string& AName, const std::string& AContent) {
  const auto root = TestServerValue("http.root");
  if (!root) throw std::runtime_error("the HTTP test server is not running");
  std::ofstream out(PathFromUtf8(HostPath(*root + "/" + AName)), std::ios::binary | std::ios::trunc);
  out.write(AContent.data(), static_cast<std::streamsize>(AContent.size()));
  if (!out) throw std::runtime_error("cannot serve " + AName);
  return AName;
}

}  // namespace TestSupport
