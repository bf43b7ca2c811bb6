// The release information from a real INI file over WinHTTP and the loopback
// test server.
#include <gtest/gtest.h>

#include <fstream>
#include <memory>

#include "Infrastructure/Platform/Win32/WinHttpClient.h"
#include "Infrastructure/Update/ReleaseInfoSource.h"
#include "support/TempDir.h"
#include "support/TestServers.h"
#include "support/Utf8Path.h"

using Core::Interfaces::EReleaseInfoError;
using Infrastructure::Update::TReleaseInfoSource;
using TestSupport::TTempDir;

namespace {

std::string Base() {
  return "http://127.0.0.1:" + TestSupport::TestServerValue("http.port").value_or("0");
}

TReleaseInfoSource SourceFor(const TTempDir& ADir, const std::string& AUrl) {
  const std::string ini =
      ADir.WriteFile("Config.ini", "[BancoDados]\r\nUsuario=sa\r\n[Atualizacao]\r\nURL=" + AUrl + "\r\n");
  return TReleaseInfoSource(std::make_shared<Infrastructure::Platform::Win32::TWinHttpClient>(), ini, {5000, 2000, 5});
}

}  // namespace

TEST(ReleaseInfoOnWindows, ReadsTheDocumentAtTheConfiguredUrl) {
  const TTempDir dir;
  const auto info = SourceFor(dir, Base() + "/release").GetReleaseInfo();
  EXPECT_EQ(info.MinimumVersion, "2.5.0.1");
  EXPECT_EQ(info.PackageUrl, Base() + "/files/pacote.zip");
  EXPECT_EQ(info.BdeUrl, Base() + "/files/bde_install.exe");

  // A document of the site's own, behind two redirects, in UTF-16 with its mark.
  std::string document = "\xFF\xFE";
  for (char c : std::string("[Atualizacao]\r\nVersaoMinima=3.1\r\n")) document += {c, '\0'};
  {
    std::ofstream out(TestSupport::PathFromUtf8(TestSupport::HostPath(
                          TestSupport::TestServerValue("http.root").value_or("") + "/versao-utf16.ini")),
                      std::ios::binary);
    out << document;
  }
  const auto own = SourceFor(dir, Base() + "/redirect/2/files/versao-utf16.ini").GetReleaseInfo();
  EXPECT_EQ(own.MinimumVersion, "3.1");
  EXPECT_EQ(own.PackageUrl, "");
  EXPECT_EQ(own.BdeUrl, "");
}

TEST(ReleaseInfoOnWindows, EveryFailureIsAnErrorWithItsReason) {
  const TTempDir dir;
  const struct {
    std::string Url;
    const char* Reason;
  } cases[] = {
      {Base() + "/status/404", "código 404"},
      {Base() + "/status/500", "código 500"},
      {Base() + "/files/nao-existe.ini", "código 404"},
      {Base() + "/bytes/70000", "limite"},
      {Base() + "/bytes/100", "[Atualizacao]"},
      {Base() + "/slow/5", "tempo limite"},
      {"http://127.0.0.1:" + TestSupport::TestServerValue("http.closed_port").value_or("0") + "/v.ini",
       "Não foi possível conectar"},
      {"isto não é um endereço", "Endereço inválido"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Url);
    try {
      SourceFor(dir, c.Url).GetReleaseInfo();
      ADD_FAILURE() << "no error";
    } catch (const EReleaseInfoError& e) {
      EXPECT_NE(std::string(e.what()).find(c.Reason), std::string::npos) << e.what();
    }
  }
}
