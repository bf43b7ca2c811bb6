// The WinHTTP client through the project's own loopback proxy
// (tests/fixtures/proxy_server.py), configured as the machine-wide WinHTTP
// proxy in the prefix's registry, where WinHTTP reads it.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Core/Interfaces/IHttpClient.h"
#include "Infrastructure/Files/FileDownload.h"
#include "Infrastructure/Platform/Win32/WinHttpClient.h"
#include "support/TempDir.h"
#include "support/TestServers.h"

using Core::Interfaces::THttpResult;
using Core::Interfaces::TMemorySink;
using Infrastructure::Platform::Win32::TWinHttpClient;

namespace {

constexpr wchar_t kConnections[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\Connections";

// The machine's WinHTTP proxy as "netsh winhttp set proxy" stores it; removed
// again when the fixture goes.
class TWinHttpProxySetting {
 public:
  explicit TWinHttpProxySetting(const std::string& AProxy) {
    std::vector<BYTE> blob;
    const auto dword = [&](DWORD AValue) {
      for (int i = 0; i < 4; ++i) blob.push_back(static_cast<BYTE>(AValue >> (8 * i)));
    };
    dword(0x18);  // the structure's mark
    dword(0);
    dword(2);  // a named proxy
    dword(static_cast<DWORD>(AProxy.size()));
    blob.insert(blob.end(), AProxy.begin(), AProxy.end());
    dword(0);  // no bypass list
    HKEY key;
    Written = RegCreateKeyExW(HKEY_LOCAL_MACHINE, kConnections, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) ==
                  ERROR_SUCCESS &&
              RegSetValueExW(key, L"WinHttpSettings", 0, REG_BINARY, blob.data(), static_cast<DWORD>(blob.size())) ==
                  ERROR_SUCCESS;
    if (Written) RegCloseKey(key);
  }
  ~TWinHttpProxySetting() {
    HKEY key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kConnections, 0, KEY_SET_VALUE, &key) == ERROR_SUCCESS) {
      RegDeleteValueW(key, L"WinHttpSettings");
      RegCloseKey(key);
    }
  }
  bool Written = false;
};

std::string ProxyAddress(const std::string& ABehaviour) {
  const auto port = TestSupport::TestServerValue("proxy." + ABehaviour + ".port");
  EXPECT_TRUE(port.has_value()) << "the proxy test peer left no port for " << ABehaviour;
  return "127.0.0.1:" + port.value_or("1");
}

// The requests the proxy saw for AMarker, as "<behaviour> <method> <target> <auth>".
std::vector<std::string> ProxyLines(const std::string& AMarker) {
  std::vector<std::string> lines;
  const std::string log = TestSupport::TestStateFile("proxy.log").value_or("");
  size_t start = 0;
  while (start < log.size()) {
    size_t end = log.find('\n', start);
    if (end == std::string::npos) end = log.size();
    const std::string line = log.substr(start, end - start);
    if (line.find(AMarker) != std::string::npos) lines.push_back(line);
    start = end + 1;
  }
  return lines;
}

// A query text no earlier run left in the proxy's record.
std::string Marker(const std::string& AName) {
  return AName + "-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(GetTickCount64());
}

struct TProxyOnWindows : ::testing::Test {
  TWinHttpClient Client;
  TestSupport::TTempDir Dir;
};

}  // namespace

TEST_F(TProxyOnWindows, PlainRequestsGoThroughTheConfiguredProxy) {
  const TWinHttpProxySetting setting(ProxyAddress("open"));
  ASSERT_TRUE(setting.Written);
  const std::string marker = Marker("via=open-proxy");
  const std::string url = TestSupport::TestHttpUrl("/bytes/5000?" + marker);
  TMemorySink sink;
  const THttpResult answer = Client.Get(url, sink, {5000, 5000, 5});
  EXPECT_TRUE(answer.Succeeded()) << answer.StatusCode << " " << answer.ErrorMessage;
  EXPECT_EQ(sink.Data().size(), 5000u);
  EXPECT_EQ(ProxyLines(marker), std::vector<std::string>{"open GET " + url + " -"});
}

TEST_F(TProxyOnWindows, HttpsGoesThroughTheProxyAsATunnel) {
  const TWinHttpProxySetting setting(ProxyAddress("open"));
  ASSERT_TRUE(setting.Written);
  // The tunnel reaches a plain HTTP server: the secure handshake fails, but
  // only after the proxy opened the tunnel the client asked for. Named
  // "localhost": Wine opens no tunnel to a host spelled like the proxy's.
  const std::string hostPort = "localhost:" + TestSupport::TestServerValue("http.port").value_or("1");
  TMemorySink sink;
  const size_t before = ProxyLines("open CONNECT " + hostPort).size();
  const THttpResult answer = Client.Get("https://" + hostPort + "/tunnel", sink, {5000, 5000, 5});
  EXPECT_FALSE(answer.Succeeded());
  EXPECT_FALSE(answer.ErrorMessage.empty());
  EXPECT_EQ(ProxyLines("open CONNECT " + hostPort).size(), before + 1) << answer.ErrorMessage;
}

TEST_F(TProxyOnWindows, AProxyThatRefusesTheUserGivesItsOwnVerdictAndMessage) {
  for (const char* behaviour : {"auth", "basic"}) {
    SCOPED_TRACE(behaviour);
    const TWinHttpProxySetting setting(ProxyAddress(behaviour));
    ASSERT_TRUE(setting.Written);
    const std::string marker = Marker(std::string("refused-by=") + behaviour);
    const std::string url = TestSupport::TestHttpUrl("/bytes/100?" + marker);
    TMemorySink sink;
    const THttpResult answer = Client.Get(url, sink, {5000, 5000, 5});
    EXPECT_EQ(answer.StatusCode, 407);
    EXPECT_FALSE(answer.Completed);
    EXPECT_EQ(sink.Data(), "");  // the proxy's own page never reaches the caller
    EXPECT_NE(answer.ErrorMessage.find("proxy"), std::string::npos) << answer.ErrorMessage;
    const auto download = Infrastructure::Files::DownloadVerifiedToFile(Client, url, Dir.Join("pacote.zip"), {"", 100},
                                                                        {}, {5000, 5000, 5});
    EXPECT_EQ(download.Verdict, Core::ValueObjects::TDownloadVerdict::ProxyRefused);
    EXPECT_FALSE(ProxyLines(marker).empty());
  }
}

TEST_F(TProxyOnWindows, AProxyThatAnswersGarbageOrHangsUpIsAClearFailure) {
  for (const char* behaviour : {"garbage", "close"}) {
    SCOPED_TRACE(behaviour);
    const TWinHttpProxySetting setting(ProxyAddress(behaviour));
    ASSERT_TRUE(setting.Written);
    TMemorySink sink;
    const THttpResult answer = Client.Get(TestSupport::TestHttpUrl("/bytes/100"), sink, {5000, 5000, 5});
    EXPECT_FALSE(answer.Succeeded());
    EXPECT_FALSE(answer.ErrorMessage.empty());
    EXPECT_NE(answer.StatusCode, 200);
  }
}
