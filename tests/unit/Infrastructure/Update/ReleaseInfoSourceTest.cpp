// Where the release information comes from and how its document reads, over a
// scripted HTTP port. The WinHTTP client and the loopback server take the same
// road under Wine (tests/windows).
#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>

#include "Infrastructure/Update/ReleaseInfoSource.h"
#include "support/ScriptedHttpClient.h"
#include "support/TempDir.h"
#include "support/TestServers.h"

using Core::Interfaces::EReleaseInfoError;
using Core::Interfaces::TReleaseInfo;
using Infrastructure::Update::TReleaseInfoSource;
using TestSupport::TScriptedHttpClient;
using TestSupport::TTempDir;

namespace {

void ExpectInfo(const TReleaseInfo& AInfo, const std::string& AMinimum, const std::string& APackage,
                const std::string& ABde) {
  EXPECT_EQ(AInfo.MinimumVersion, AMinimum);
  EXPECT_EQ(AInfo.PackageUrl, APackage);
  EXPECT_EQ(AInfo.BdeUrl, ABde);
}

std::string Utf16LEWithMark(std::string_view AAscii) {
  std::string bytes = "\xFF\xFE";
  for (char c : AAscii) bytes += {c, '\0'};
  return bytes;
}

std::string ErrorOf(TReleaseInfoSource& ASource) {
  try {
    ASource.GetReleaseInfo();
  } catch (const EReleaseInfoError& e) {
    return e.what();
  }
  ADD_FAILURE() << "no error";
  return {};
}

}  // namespace

TEST(ReleaseInfoSource, UrlComesFromTheLauncherIniElseTheCompiledInDefault) {
  const TTempDir dir;
  const std::string defaultUrl(TReleaseInfoSource::kDefaultUrl);
  const struct {
    const char* Name;
    const char* Ini;  // nullptr: no file
    std::string Url;
  } cases[] = {
      {"no file", nullptr, defaultUrl},
      {"no section", "[BancoDados]\r\nUsuario=sa\r\n", defaultUrl},
      {"empty value", "[Atualizacao]\r\nURL=\r\n", defaultUrl},
      {"blank value", "[Atualizacao]\r\nURL=   \r\n", defaultUrl},
      {"value", "[BancoDados]\r\nUsuario=sa\r\n[Atualizacao]\r\nURL = http://127.0.0.1:8080/v.ini \r\n",
       "http://127.0.0.1:8080/v.ini"},
      {"names ignore case", "[ATUALIZACAO]\r\nurl=http://127.0.0.1/a\r\n", "http://127.0.0.1/a"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    const std::string path = dir.Join(std::string(c.Name) + ".ini");
    if (c.Ini != nullptr) dir.WriteFile(std::string(c.Name) + ".ini", c.Ini);
    EXPECT_EQ(TReleaseInfoSource(nullptr, path).ResolveUrl(), c.Url);
  }
  EXPECT_EQ(TReleaseInfoSource(nullptr, "").ResolveUrl(), defaultUrl);
}

TEST(ReleaseInfoSource, AnIniThatCannotBeReadIsAnErrorNotTheDefault) {
  const TTempDir dir;
  TReleaseInfoSource source(std::make_shared<TScriptedHttpClient>(), dir.MakeDir("Config.ini"));
  EXPECT_THROW(source.ResolveUrl(), EReleaseInfoError);
  EXPECT_NE(ErrorOf(source).find("endereço das informações de versão"), std::string::npos);
}

TEST(ReleaseInfoSource, DocumentGivesItsThreeValuesAndEmptyForMissingKeys) {
  const struct {
    const char* Name;
    std::string Document;
    struct {
      std::string MinimumVersion, PackageUrl, BdeUrl;
    } Info;
  } cases[] = {
      {"all",
       "[Atualizacao]\r\nVersaoMinima=2.5.0.1\r\nUrlPacote=http://h/p.zip\r\nUrlBDE=http://h/b.exe\r\n",
       {"2.5.0.1", "http://h/p.zip", "http://h/b.exe"}},
      {"missing keys", "[Atualizacao]\nUrlBDE=http://h/b.exe\n", {"", "", "http://h/b.exe"}},
      {"empty section", "[Atualizacao]\n", {"", "", ""}},
      {"other sections and comments",
       "; versao\n[Outro]\nVersaoMinima=9\n[atualizacao]\nversaominima = 1.2 \nURLPACOTE=http://h/x.exe\n",
       {"1.2", "http://h/x.exe", ""}},
      {"UTF-8 mark", "\xEF\xBB\xBF[Atualizacao]\r\nVersaoMinima=3.0\r\n", {"3.0", "", ""}},
      {"UTF-16 LE", Utf16LEWithMark("[Atualizacao]\r\nVersaoMinima=4\r\n"), {"4", "", ""}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    const TReleaseInfo info = TReleaseInfoSource::ParseDocument(c.Document);
    ExpectInfo(info, c.Info.MinimumVersion, c.Info.PackageUrl, c.Info.BdeUrl);
  }
}

TEST(ReleaseInfoSource, ADocumentWithoutTheSectionIsAnError) {
  // A portal's login page or a moved file answering 200 must not pass for "no minimum version".
  for (const char* document : {"", "<html><body>Entrar</body></html>", "[Outro]\nVersaoMinima=1\n"}) {
    SCOPED_TRACE(document);
    EXPECT_THROW(TReleaseInfoSource::ParseDocument(document), EReleaseInfoError);
  }
}

TEST(ReleaseInfoSource, FetchesTheConfiguredUrlWithShortTimeOuts) {
  const TTempDir dir;
  const std::string ini = dir.WriteFile("Config.ini", "[Atualizacao]\r\nURL=http://127.0.0.1:9/versao.ini\r\n");
  const auto client = std::make_shared<TScriptedHttpClient>();
  client->Answer.Body = "[Atualizacao]\r\nVersaoMinima=2.0.0.0\r\nUrlPacote=http://127.0.0.1:9/p.zip\r\n";
  TReleaseInfoSource source(client, ini);
  ExpectInfo(source.GetReleaseInfo(), "2.0.0.0", "http://127.0.0.1:9/p.zip", "");
  ASSERT_EQ(client->Urls.size(), 1u);
  EXPECT_EQ(client->Urls[0], "http://127.0.0.1:9/versao.ini");
  EXPECT_EQ(client->Options[0].ConnectionTimeoutMs, TReleaseInfoSource::DefaultOptions().ConnectionTimeoutMs);
  EXPECT_EQ(client->Options[0].ResponseTimeoutMs, TReleaseInfoSource::DefaultOptions().ResponseTimeoutMs);
}

TEST(ReleaseInfoSource, EveryFailureIsAnErrorThatSaysWhyAndWhere) {
  const TTempDir dir;
  const std::string ini = dir.WriteFile("Config.ini", "[Atualizacao]\r\nURL=http://127.0.0.1:9/versao.ini\r\n");
  const struct {
    const char* Name;
    TestSupport::TScriptedAnswer Answer;
    const char* Expected;
  } cases[] = {
      {"no connection",
       {200, "", true, 3, "Não foi possível conectar ao servidor", 0},
       "Não foi possível conectar ao servidor"},
      {"404", {404, "[Atualizacao]\nVersaoMinima=1\n", true, 3, "", 0}, "código 404"},
      {"500", {500, "erro", true, 3, "", 0}, "código 500"},
      {"no section", {200, "<html></html>", true, 3, "", 0}, "[Atualizacao]"},
      {"too large",
       {200, "[Atualizacao]\n" + std::string(TReleaseInfoSource::kMaxDocumentSize, ';'), true, 4096, "", 0},
       "limite"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    const auto client = std::make_shared<TScriptedHttpClient>();
    client->Answer = c.Answer;
    TReleaseInfoSource source(client, ini);
    const std::string error = ErrorOf(source);
    EXPECT_NE(error.find(c.Expected), std::string::npos) << error;
    EXPECT_NE(error.find("http://127.0.0.1:9/versao.ini"), std::string::npos) << error;
  }
}

TEST(ReleaseInfoSource, DownloadChecksAreReadAndABadSizeRefusesTheDocument) {
  const auto info = TReleaseInfoSource::ParseDocument(
      "[Atualizacao]\nSha256Pacote= ABCDEF \nTamanhoPacote=1048576\nSha256BDE=xyz\nTamanhoBDE=0\n"
      "Sha256Manifesto=0123abcd\nTamanhoManifesto=4242\n");
  EXPECT_EQ(info.PackageCheck.Sha256, "ABCDEF");  // kept as published; the download refuses it
  EXPECT_EQ(info.PackageCheck.Size, 1048576);
  EXPECT_EQ(info.BdeCheck.Sha256, "xyz");
  EXPECT_EQ(info.BdeCheck.Size, 0);
  EXPECT_EQ(info.ManifestCheck.Sha256, "0123abcd");
  EXPECT_EQ(info.ManifestCheck.Size, 4242);
  const TReleaseInfo bare = TReleaseInfoSource::ParseDocument("[Atualizacao]\n");
  EXPECT_TRUE(bare.PackageCheck.IsEmpty());
  EXPECT_TRUE(bare.ManifestCheck.IsEmpty());
  for (const char* key : {"TamanhoBDE", "TamanhoManifesto"}) {
    for (const char* size : {"-1", "1e6", "12 MB", "9999999999999999999"}) {
      SCOPED_TRACE(std::string(key) + "=" + size);
      EXPECT_THROW(TReleaseInfoSource::ParseDocument(std::string("[Atualizacao]\n") + key + "=" + size + "\n"),
                   EReleaseInfoError);
    }
  }
}

TEST(ReleaseInfoSource, WithKeysOnlyADocumentATrustedKeySignedIsTaken) {
  const auto keyFile = [](const std::string& AName) {
    const auto content = TestSupport::TestStateFile("keys/" + AName);
    if (!content) throw std::runtime_error("test key file missing: " + AName);
    return *content;
  };
  const std::string document = keyFile("release.ini");
  const std::string pemA = keyFile("a.pub.pem");
  const std::string pemB = keyFile("b.pub.pem");
  const auto keys = Infrastructure::Crypto::TTrustedKeys::FromPem({pemA, pemB});
  const TTempDir dir;
  const std::string url = "http://127.0.0.1:9/versao.ini";
  const std::string ini = dir.WriteFile("Config.ini", "[Atualizacao]\r\nURL=" + url + "\r\n");
  using TestSupport::TScriptedAnswer;
  const struct {
    const char* Name;
    TScriptedAnswer Signature;
    const char* Error;  // empty: taken
  } cases[] = {
      {"signed by a", TestSupport::Reply(200, keyFile("release.ini.a.sig")), ""},
      {"signed by the second key", TestSupport::Reply(200, keyFile("release.ini.b.sig")), ""},
      {"no signature", TestSupport::Reply(404, "nada"), "assinatura"},
      {"signature unreachable", {200, "", true, 3, "Não foi possível conectar ao servidor", 0}, "assinatura"},
      {"key not trusted", TestSupport::Reply(200, keyFile("release.ini.stranger.sig")), "não confere"},
      {"signature of another document", TestSupport::Reply(200, keyFile("release-other.ini.a.sig")), "não confere"},
      {"garbage", TestSupport::Reply(200, "<html>não é</html>"), "não é uma assinatura"},
      {"10 MB", TestSupport::Reply(200, std::string(10 * 1024 * 1024, '\x30'), true, 65536), "limite"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    const auto client = std::make_shared<TScriptedHttpClient>();
    client->Answer = TestSupport::Reply(200, document);
    client->AnswersByUrl[url + ".sig"] = c.Signature;
    TReleaseInfoSource source(client, ini, TReleaseInfoSource::DefaultOptions(), keys);
    if (*c.Error == '\0') {
      const TReleaseInfo info = source.GetReleaseInfo();
      EXPECT_TRUE(info.Signed);
      EXPECT_EQ(info.MinimumVersion, "2.5.0.1");
    } else {
      // Every way the signature fails is one the roads refuse to download or run anything on.
      try {
        source.GetReleaseInfo();
        ADD_FAILURE() << "taken";
      } catch (const Core::Interfaces::EReleaseUnverifiedError& e) {
        EXPECT_NE(std::string(e.what()).find(c.Error), std::string::npos) << e.what();
      }
    }
    EXPECT_TRUE(source.RequiresSignature());
    // The signature shares the document's deadline.
    ASSERT_EQ(client->Options.size(), 2u);
    EXPECT_GT(client->Options[1].DeadlineMs, 0u);
    EXPECT_LE(client->Options[1].DeadlineMs, TReleaseInfoSource::DefaultOptions().DeadlineMs);
  }

  // One byte of the document changed on the way: the signature no longer fits.
  const auto client = std::make_shared<TScriptedHttpClient>();
  client->Answer = TestSupport::Reply(200, document + " ");
  client->AnswersByUrl[url + ".sig"] = TestSupport::Reply(200, keyFile("release.ini.a.sig"));
  TReleaseInfoSource tampered(client, ini, TReleaseInfoSource::DefaultOptions(), keys);
  EXPECT_NE(ErrorOf(tampered).find("não confere"), std::string::npos);

  // A build without keys asks for no signature and says the document is unsigned.
  const auto plain = std::make_shared<TScriptedHttpClient>();
  plain->Answer = TestSupport::Reply(200, document);
  const TReleaseInfo unsigned_ = TReleaseInfoSource(plain, ini).GetReleaseInfo();
  EXPECT_FALSE(unsigned_.Signed);
  EXPECT_FALSE(TReleaseInfoSource(plain, ini).RequiresSignature());
  EXPECT_EQ(plain->Urls, std::vector<std::string>{url});
  EXPECT_EQ(TReleaseInfoSource::DefaultOptions().DeadlineMs, 15000u);
}
