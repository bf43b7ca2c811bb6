// The platform's SHA-256 and ECDSA P-256 (libcrypto natively, CNG under Wine)
// and the parsers in front of them, against keys and signatures made by the
// openssl tool (tests/fixtures/servers/keys.sh).
#include <gtest/gtest.h>

#include <string>

#include "Core/Errors.h"
#include "Infrastructure/Crypto/DerSignature.h"
#include "Infrastructure/Crypto/HexDigest.h"
#include "Infrastructure/Crypto/PemPublicKey.h"
#include "Infrastructure/Crypto/TrustedKeys.h"
#include "Infrastructure/Platform/Crypto.h"
#include "support/TestServers.h"

using namespace Infrastructure::Crypto;
using Infrastructure::Platform::TSha256;

namespace {

std::string KeyFile(const std::string& AName) {
  const auto content = TestSupport::TestStateFile("keys/" + AName);
  if (!content) throw std::runtime_error("test key file missing: " + AName);
  return *content;
}

TTrustedKeys Trusting(std::initializer_list<const char*> ANames) {
  std::vector<std::string> texts;
  for (const char* name : ANames) texts.push_back(KeyFile(std::string(name) + ".pub.pem"));
  return TTrustedKeys::FromPem({texts.begin(), texts.end()});
}

}  // namespace

TEST(Sha256, KnownDigestsWholeAndInPieces) {
  const struct {
    std::string Data;
    const char* Hex;
  } cases[] = {
      {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
      {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
      {std::string(1000000, 'a'), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Data.substr(0, 8));
    EXPECT_EQ(ToHex(Infrastructure::Platform::Sha256Of(c.Data)), c.Hex);
    TSha256 pieces;
    for (size_t at = 0; at < c.Data.size(); at += 4093) pieces.Update(c.Data.data() + at, std::min<size_t>(4093, c.Data.size() - at));
    EXPECT_EQ(ToHex(pieces.Finish()), c.Hex);
  }
  TSha256 finished;
  finished.Finish();
  EXPECT_THROW(finished.Update("x", 1), Core::EQuorvaneError);
}

TEST(Sha256Hex, OnlySixtyFourHexDigits) {
  const std::string good = "BA7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad";
  ASSERT_TRUE(ParseSha256Hex(good));
  EXPECT_EQ(ToHex(*ParseSha256Hex(good)), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
  for (const std::string& bad : {std::string(), good.substr(1), good + "0", " " + good, good.substr(0, 63) + "g",
                                good.substr(0, 63) + "\xC3", std::string(64, '-')}) {
    SCOPED_TRACE(bad);
    EXPECT_FALSE(ParseSha256Hex(bad));
  }
}

TEST(DerSignature, OpensslSignaturesParseAndDamagedOnesDoNot) {
  const std::string good = KeyFile("release.ini.a.sig");
  ASSERT_TRUE(ParseDerSignature(good));
  const std::string r32(32, '\x11');
  const auto der = [](const std::string& R, const std::string& S) {
    const std::string r = std::string("\x02", 1) + static_cast<char>(R.size()) + R;
    const std::string s = std::string("\x02", 1) + static_cast<char>(S.size()) + S;
    return std::string("\x30", 1) + static_cast<char>(r.size() + s.size()) + r + s;
  };
  ASSERT_TRUE(ParseDerSignature(der(r32, r32)));
  EXPECT_EQ((*ParseDerSignature(der(std::string("\x01", 1), r32)))[31], 1);  // short r is padded
  const struct {
    const char* Name;
    std::string Der;
  } cases[] = {
      {"empty", ""},
      {"trailing byte", good + '\0'},
      {"cut", good.substr(0, good.size() - 1)},
      {"not a sequence", "\x31" + good.substr(1)},
      {"negative r", der("\x80" + r32.substr(1), r32)},
      {"zero r", der(std::string("\x00", 1), r32)},
      {"padded r", der(std::string("\x00", 1) + r32, r32)},
      {"r of 33 bytes", der("\x01" + r32, r32)},
      {"one integer", std::string("\x30\x22\x02\x20", 4) + r32},
      {"long length", std::string("\x30\x81\x44", 3) + der(r32, r32).substr(2)},
      {"garbage", "isto não é uma assinatura"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    EXPECT_FALSE(ParseDerSignature(c.Der));
  }
}

TEST(PemPublicKey, ReadsOpensslKeysAndNothingElse) {
  const std::string pem = KeyFile("a.pub.pem");
  ASSERT_TRUE(ParsePemPublicKey(pem));
  std::string crlf;
  for (char c : pem) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
  EXPECT_EQ(ParsePemPublicKey(crlf), ParsePemPublicKey(pem));
  EXPECT_NE(ParsePemPublicKey(KeyFile("b.pub.pem")), ParsePemPublicKey(pem));
  const size_t body = pem.find('\n') + 1;
  const struct {
    const char* Name;
    std::string Text;
  } cases[] = {
      {"private key", KeyFile("a.pem")},
      {"empty", ""},
      {"no end", pem.substr(0, pem.rfind("-----END"))},
      {"a character changed", pem.substr(0, body) + (pem[body] == 'M' ? 'N' : 'M') + pem.substr(body + 1)},
      {"two keys", pem + KeyFile("b.pub.pem")},
      {"not base64", "-----BEGIN PUBLIC KEY-----\n!!!!\n-----END PUBLIC KEY-----\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    EXPECT_FALSE(ParsePemPublicKey(c.Text));
  }
}

TEST(TrustedKeys, AnyListedKeyVerifiesTheExactDocument) {
  const std::string document = KeyFile("release.ini");
  const struct {
    const char* Name;
    TTrustedKeys Keys;
    std::string Document;
    std::string Signature;
    TSignatureCheck Expected;
  } cases[] = {
      {"signed by a", Trusting({"a"}), document, KeyFile("release.ini.a.sig"), TSignatureCheck::Verified},
      {"new key b beside a", Trusting({"a", "b"}), document, KeyFile("release.ini.b.sig"), TSignatureCheck::Verified},
      {"old key a after b", Trusting({"b", "a"}), document, KeyFile("release.ini.a.sig"), TSignatureCheck::Verified},
      {"key not trusted", Trusting({"a", "b"}), document, KeyFile("release.ini.stranger.sig"),
       TSignatureCheck::Untrusted},
      {"only the other key", Trusting({"b"}), document, KeyFile("release.ini.a.sig"), TSignatureCheck::Untrusted},
      {"signature of another document", Trusting({"a"}), document, KeyFile("release-other.ini.a.sig"),
       TSignatureCheck::Untrusted},
      {"one byte changed", Trusting({"a"}), document.substr(0, 20) + 'X' + document.substr(21),
       KeyFile("release.ini.a.sig"), TSignatureCheck::Untrusted},
      {"one byte more", Trusting({"a"}), document + "\n", KeyFile("release.ini.a.sig"), TSignatureCheck::Untrusted},
      {"garbage signature", Trusting({"a"}), document, "garbage", TSignatureCheck::Malformed},
      {"no keys", TTrustedKeys{}, document, KeyFile("release.ini.a.sig"), TSignatureCheck::Untrusted},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    EXPECT_EQ(c.Keys.Verify(c.Document, c.Signature), c.Expected);
  }
}

TEST(TrustedKeys, AnUnreadableKeyStillDemandsASignature) {
  const TTrustedKeys keys = TTrustedKeys::FromPem({"not a key"});
  EXPECT_TRUE(keys.Required());
  EXPECT_TRUE(keys.Keys.empty());
  EXPECT_FALSE(TTrustedKeys{}.Required());
}

TEST(VerifyP256, APointOffTheCurveVerifiesNothing) {
  const auto signature = ParseDerSignature(KeyFile("release.ini.a.sig"));
  ASSERT_TRUE(signature);
  auto key = *ParsePemPublicKey(KeyFile("a.pub.pem"));
  const auto digest = Infrastructure::Platform::Sha256Of(KeyFile("release.ini"));
  ASSERT_TRUE(Infrastructure::Platform::VerifyP256(key, digest, *signature));
  key[63] ^= 1;
  EXPECT_FALSE(Infrastructure::Platform::VerifyP256(key, digest, *signature));
}
