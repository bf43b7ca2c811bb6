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

namespace {

std::string ServeInto(const char* ARootValue, const std::string& AName, const std::string& AContent) {
  const auto root = TestServerValue(ARootValue);
  if (!root) throw std::runtime_error(std::string("no test server left ") + ARootValue);
  std::ofstream out(PathFromUtf8(HostPath(*root + "/" + AName)), std::ios::binary | std::ios::trunc);
  out.write(AContent.data(), static_cast<std::streamsize>(AContent.size()));
  if (!out) throw std::runtime_error("cannot serve " + AName);
  return AName;
}

}  // namespace

std::string ServeTestFile(const std::string& AName, const std::string& AContent) {
  return ServeInto("http.root", AName, AContent);
}

std::optional<std::string> ServedFileBytes(const std::string& AName) {
  const auto root = TestServerValue("http.root");
  if (!root) return std::nullopt;
  std::ifstream in(PathFromUtf8(HostPath(*root + "/" + AName)), std::ios::binary);
  if (!in) return std::nullopt;
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

std::optional<std::string> NginxUnavailable() {
  if (const auto reason = TestServerValue("nginx.skip")) return *reason;
  if (!TestServerValue("nginx.port")) return std::string("nginx was not started (no nginx.port in QL_TEST_STATE)");
  return std::nullopt;
}

std::string TestNginxUrl(const std::string& APath) {
  return "http://127.0.0.1:" + TestServerValue("nginx.port").value_or("0") + APath;
}

std::string ServeNginxFile(const std::string& AName, const std::string& AContent) {
  return ServeInto("nginx.root", AName, AContent);
}

}  // namespace TestSupport
