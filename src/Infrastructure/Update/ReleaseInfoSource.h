#pragma once
// The release information: a small INI document fetched over HTTP(S) once per
// start-up check.
//
//   [Atualizacao]
//   VersaoMinima=2.5.0.1
//   UrlPacote=https://.../pacote.zip
//   UrlBDE=https://.../bde_install.exe
//
// Its address is key "URL" of section "Atualizacao" in the launcher's INI
// file, else kDefaultUrl.
#include <memory>
#include <string>
#include <string_view>

#include "Core/Interfaces/IHttpClient.h"
#include "Core/Interfaces/IReleaseInfoSource.h"

namespace Infrastructure::Update {

class TReleaseInfoSource : public Core::Interfaces::IReleaseInfoSource {
 public:
  // The publisher's own address for the document; a site that wants another
  // one sets [Atualizacao] URL in the launcher's INI file.
  static constexpr std::string_view kDefaultUrl = "https://atualizacoes.quorvanesoft.com.br/launcher/versao.ini";
  // A release document is a few hundred bytes; anything much larger is not one.
  static constexpr size_t kMaxDocumentSize = 64 * 1024;
  // Start-up waits for this fetch, so it gets shorter time-outs than a download.
  static Core::Interfaces::THttpOptions DefaultOptions() { return {15000, 30000, 5}; }

  TReleaseInfoSource(std::shared_ptr<Core::Interfaces::IHttpClient> AHttpClient, std::string AConfigPath,
                     Core::Interfaces::THttpOptions AOptions = DefaultOptions());

  // Throws Core::Interfaces::EReleaseInfoError.
  Core::Interfaces::TReleaseInfo GetReleaseInfo() override;

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
  Core::Interfaces::THttpOptions FOptions;
};

}  // namespace Infrastructure::Update
