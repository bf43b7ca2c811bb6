#pragma once
// The release information: a small INI document fetched over HTTP(S) once per
// start-up check.
//
//   [Atualizacao]
//   VersaoMinima=2.5.0.1
//   UrlPacote=https://.../pacote.zip
//   UrlBDE=https://.../bde_install.exe
//   Sha256Pacote=<64 hex digits>     optional: what the downloads must be
//   TamanhoPacote=<bytes>
//   Sha256BDE=<64 hex digits>
//   TamanhoBDE=<bytes>
//   Sha256Manifesto=<64 hex digits>  optional: the package's manifest
//   TamanhoManifesto=<bytes>          (PackageManifest.h), beside it at <UrlPacote>.manifest
//
// A build that trusts keys also fetches <address>.sig, an ECDSA P-256
// signature (DER, as `openssl dgst -sha256 -sign` writes it) of the document's
// exact bytes, and refuses a document no trusted key signed.
//
// Its address is key "URL" of section "Atualizacao" in the launcher's INI
// file, else kDefaultUrl.
#include <memory>
#include <string>
#include <string_view>

#include "Core/Interfaces/IHttpClient.h"
#include "Core/Interfaces/IReleaseInfoSource.h"
#include "Infrastructure/Crypto/TrustedKeys.h"

namespace Infrastructure::Update {

class TReleaseInfoSource : public Core::Interfaces::IReleaseInfoSource {
 public:
  // The publisher's own address for the document; a site that wants another
  // one sets [Atualizacao] URL in the launcher's INI file.
  static constexpr std::string_view kDefaultUrl = "https://atualizacoes.quorvanesoft.com.br/launcher/versao.ini";
  // A release document is a few hundred bytes; anything much larger is not one.
  static constexpr size_t kMaxDocumentSize = 64 * 1024;
  // A DER P-256 signature is at most 72 bytes.
  static constexpr size_t kMaxSignatureSize = 256;
  // Start-up waits for this fetch, so it gets shorter time-outs than a
  // download, and the whole of it (signature included) ends within 15 s.
  static Core::Interfaces::THttpOptions DefaultOptions() { return {15000, 30000, 5, 15000}; }

  // AKeys: what the document must be signed with; none for an unsigned document.
  TReleaseInfoSource(std::shared_ptr<Core::Interfaces::IHttpClient> AHttpClient, std::string AConfigPath,
                     Core::Interfaces::THttpOptions AOptions = DefaultOptions(), Crypto::TTrustedKeys AKeys = {});

  // Throws Core::Interfaces::EReleaseInfoError; EReleaseUnverifiedError when
  // the keys are required and the signature cannot be fetched or does not verify.
  Core::Interfaces::TReleaseInfo GetReleaseInfo() override;
  bool RequiresSignature() const override { return FKeys.Required(); }

  // The document's address: the INI file's value (trimmed), else kDefaultUrl.
  // Throws EReleaseInfoError when the INI file exists but cannot be read.
  std::string ResolveUrl() const;

  // The three values of a document's section "Atualizacao"; a missing key is
  // empty. Throws EReleaseInfoError when the section is missing (an error page
  // or another document in its place).
  static Core::Interfaces::TReleaseInfo ParseDocument(std::string_view ADocument);

 private:
  std::shared_ptr<Core::Interfaces::IHttpClient> FHttpClient;
  std::string FConfigPath;
  // The body of AUrl (at most ALimit bytes); throws EReleaseInfoError naming AWhat.
  std::string Fetch(const std::string& AUrl, size_t ALimit, const Core::Interfaces::THttpOptions& AOptions,
                    const std::string& AWhat);
  void CheckSignature(const std::string& AUrl, const std::string& ADocument,
                      const Core::Interfaces::THttpOptions& AOptions);

  Core::Interfaces::THttpOptions FOptions;
  Crypto::TTrustedKeys FKeys;
};

}  // namespace Infrastructure::Update
