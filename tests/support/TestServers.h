#pragma once
// What the loopback peers started by scripts/test-servers.sh left for the
// tests: one small file per fact (a port, a path) in $QL_TEST_STATE.
#include <optional>
#include <string>

namespace TestSupport {

// The trimmed content of $QL_TEST_STATE/<AName>, or nullopt when the test run
// started no such peer.
std::optional<std::string> TestServerValue(const std::string& AName);

// The bytes of $QL_TEST_STATE/<AName> as they are, or nullopt.
std::optional<std::string> TestStateFile(const std::string& AName);

// A Linux path as this program sees it (through Wine's Z: drive on Windows).
std::string HostPath(const std::string& ALinuxPath);

// "http://127.0.0.1:<port><APath>" on the loopback HTTP test server.
std::string TestHttpUrl(const std::string& APath);

// Puts a file into the HTTP test server's folder (served as /files/<AName>,
// /nolength/<AName>, /chunked/<AName>) and answers AName. Throws when it cannot.
std::string ServeTestFile(const std::string& AName, const std::string& AContent);

// The bytes of a file the HTTP test server wrote into its folder (its
// range.log, say), or nullopt.
std::optional<std::string> ServedFileBytes(const std::string& AName);

// Why nginx (tests/fixtures/servers/nginx.sh) is not there to test against,
// or nullopt when it is.
std::optional<std::string> NginxUnavailable();

// "http://127.0.0.1:<nginx port><APath>".
std::string TestNginxUrl(const std::string& APath);

// Puts a file into nginx's folder (served as /<AName>) and answers AName.
// Throws when it cannot.
std::string ServeNginxFile(const std::string& AName, const std::string& AContent);

}  // namespace TestSupport
