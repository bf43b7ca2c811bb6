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

// CNG verifies what openssl signed, over the real server: a trusted key, the
// second key of a rotation, and every way a signature can be wrong.
TEST(ReleaseInfoOnWindows, OnlyADocumentSignedByATrustedKeyIsTaken) {
  const TTempDir dir;
  const auto pem = [](const char* AName) { return TestSupport::TestStateFile(std::string("keys/") + AName).value_or(""); };
  const std::string a = pem("a.pub.pem"), b = pem("b.pub.pem");
  const auto keys = Infrastructure::Crypto::TTrustedKeys::FromPem({a, b});
  ASSERT_EQ(keys.Keys.size(), 2u);
  const std::string document = "[Atualizacao]\r\nVersaoMinima=9.1.0.0\r\nSha256Pacote=" + std::string(64, 'a') + "\r\n";
  TestSupport::ServeTestFile("assinado.ini", document);
  TestSupport::ServeTestFile("sem-assinatura.ini", document);
  TestSupport::ServeTestFile("lixo.ini", document);
  TestSupport::ServeTestFile("lixo.ini.sig", "<html>200 OK</html>");
  TestSupport::ServeTestFile("grande.ini", document);
  TestSupport::ServeTestFile("grande.ini.sig", std::string(10 * 1024 * 1024, '0'));
  const auto source = [&](const std::string& APath) {
    const std::string ini = dir.WriteFile("Config.ini", "[Atualizacao]\r\nURL=" + Base() + APath + "\r\n");
    return TReleaseInfoSource(std::make_shared<Infrastructure::Platform::Win32::TWinHttpClient>(), ini,
                              {5000, 5000, 5, 15000}, keys);
  };
  for (const char* path : {"/signed/a/assinado.ini", "/signed/b/assinado.ini"}) {
    SCOPED_TRACE(path);
    const auto info = source(path).GetReleaseInfo();
    EXPECT_TRUE(info.Signed);
    EXPECT_EQ(info.MinimumVersion, "9.1.0.0");
    EXPECT_EQ(info.PackageCheck.Sha256, std::string(64, 'a'));
  }
  const struct {
    const char* Path;
    const char* Reason;
  } cases[] = {
      {"/signed/stranger/assinado.ini", "não confere"},
      {"/files/sem-assinatura.ini", "código 404"},
      {"/files/lixo.ini", "não é uma assinatura"},
      {"/files/grande.ini", "limite"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Path);
    try {
      source(c.Path).GetReleaseInfo();
      ADD_FAILURE() << "no error";
    } catch (const EReleaseInfoError& e) {
      EXPECT_NE(std::string(e.what()).find(c.Reason), std::string::npos) << e.what();
      EXPECT_NE(std::string(e.what()).find("assinatura"), std::string::npos) << e.what();
    }
  }
  // Changed on the server after it was signed: the signature of the old bytes no longer fits.
  TestSupport::ServeTestFile("trocado.ini", document);
  TestSupport::ServeTestFile("trocado.ini.sig",
                             TestSupport::TestStateFile("keys/release.ini.a.sig").value_or(""));
  EXPECT_THROW(source("/files/trocado.ini").GetReleaseInfo(), EReleaseInfoError);
}

// A document that trickles in, and a server that sends nothing, both end at
// the deadline although no single wait runs out.
TEST(ReleaseInfoOnWindows, TheWholeRequestEndsAtItsDeadline) {
  const TTempDir dir;
  for (const std::string path : {"/trickle/30/versao.ini", "/slow/30"}) {
    SCOPED_TRACE(path);
    const std::string ini = dir.WriteFile("Config.ini", "[Atualizacao]\r\nURL=" + Base() + path + "\r\n");
    TReleaseInfoSource source(std::make_shared<Infrastructure::Platform::Win32::TWinHttpClient>(), ini,
                              {5000, 60000, 5, 2000});
    try {
      source.GetReleaseInfo();
      ADD_FAILURE() << "no error";
    } catch (const EReleaseInfoError& e) {
      EXPECT_NE(std::string(e.what()).find("tempo limite"), std::string::npos) << e.what();
    }
  }
}
