#include "Infrastructure/Update/ReleaseInfoSource.h"

#include <algorithm>
#include <utility>

#include "Core/Text/TextUtils.h"
#include "Infrastructure/Config/IniFile.h"
#include "Infrastructure/Platform/SystemClock.h"

namespace Infrastructure::Update {

using namespace Core::Interfaces;
using Infrastructure::Config::TIniFile;

namespace {

constexpr std::string_view kSection = "Atualizacao";

// A size in bytes: decimal digits only; an empty value is "not said" (-1).
int64_t ReadSize(const TIniFile& ADocument, std::string_view AKey) {
  const std::string text(Core::Text::Trim(ADocument.ReadString(kSection, std::string(AKey))));
  if (text.empty()) return -1;
  if (text.size() > 18 || text.find_first_not_of("0123456789") != std::string::npos)
    throw EReleaseInfoError("O documento de informações de versão tem um valor inválido em " + std::string(AKey) +
                            ": \"" + text + "\"");
  return std::stoll(text);
}

}  // namespace

TReleaseInfoSource::TReleaseInfoSource(std::shared_ptr<IHttpClient> AHttpClient, std::string AConfigPath,
                                       THttpOptions AOptions, Crypto::TTrustedKeys AKeys)
    : FHttpClient(std::move(AHttpClient)),
      FConfigPath(std::move(AConfigPath)),
      FOptions(AOptions),
      FKeys(std::move(AKeys)) {}

std::string TReleaseInfoSource::ResolveUrl() const {
  std::string url;
  if (!FConfigPath.empty()) {
    try {
      url = std::string(Core::Text::Trim(TIniFile::Load(FConfigPath).ReadString(kSection, "URL")));
    } catch (const std::exception& e) {
      throw EReleaseInfoError(std::string("Não foi possível ler o endereço das informações de versão: ") + e.what());
    }
  }
  return url.empty() ? std::string(kDefaultUrl) : url;
}

TReleaseInfo TReleaseInfoSource::ParseDocument(std::string_view ADocument) {
  const TIniFile document = TIniFile::Parse(ADocument);
  const auto& sections = document.Sections();
  const bool hasSection = std::any_of(sections.begin(), sections.end(), [](const Config::TIniSection& ASection) {
    return Core::Text::SameTextAscii(ASection.Name, kSection);
  });
  if (!hasSection)
    throw EReleaseInfoError("O documento de informações de versão não tem a seção [" + std::string(kSection) + "]");
  TReleaseInfo info;
  info.MinimumVersion = document.ReadString(kSection, "VersaoMinima");
  info.PackageUrl = document.ReadString(kSection, "UrlPacote");
  info.BdeUrl = document.ReadString(kSection, "UrlBDE");
  // A digest is kept as published: a malformed one fails the download it guards.
  info.PackageCheck.Sha256 = Core::Text::Trim(document.ReadString(kSection, "Sha256Pacote"));
  info.PackageCheck.Size = ReadSize(document, "TamanhoPacote");
  info.BdeCheck.Sha256 = Core::Text::Trim(document.ReadString(kSection, "Sha256BDE"));
  info.BdeCheck.Size = ReadSize(document, "TamanhoBDE");
  info.ManifestCheck.Sha256 = Core::Text::Trim(document.ReadString(kSection, "Sha256Manifesto"));
  info.ManifestCheck.Size = ReadSize(document, "TamanhoManifesto");
  return info;
}

std::string TReleaseInfoSource::Fetch(const std::string& AUrl, size_t ALimit, const THttpOptions& AOptions,
                                      const std::string& AWhat) {
  TMemorySink body(ALimit);
  const THttpResult answer = FHttpClient->Get(AUrl, body, AOptions);
  const std::string where = " (" + AUrl + ")";
  if (!answer.Completed) throw EReleaseInfoError("Falha ao obter " + AWhat + where + ": " + answer.ErrorMessage);
  if (!answer.Succeeded())
    throw EReleaseInfoError("O servidor respondeu com o código " + std::to_string(answer.StatusCode) + " para " +
                            AWhat + where);
  return body.Data();
}

void TReleaseInfoSource::CheckSignature(const std::string& AUrl, const std::string& ADocument,
                                        const THttpOptions& AOptions) {
  const std::string url = AUrl + ".sig";
  std::string signature;
  try {
    signature = Fetch(url, kMaxSignatureSize, AOptions, "a assinatura das informações de versão");
  } catch (const EReleaseInfoError& e) {
    // A server that withholds the signature must not get the document used as if there were no keys.
    throw EReleaseUnverifiedError(e.what());
  }
  switch (FKeys.Verify(ADocument, signature)) {
    case Crypto::TSignatureCheck::Verified:
      return;
    case Crypto::TSignatureCheck::Malformed:
      throw EReleaseUnverifiedError("A assinatura das informações de versão não é uma assinatura ECDSA P-256 válida (" +
                                    url + ")");
    case Crypto::TSignatureCheck::Untrusted:
      break;
  }
  throw EReleaseUnverifiedError(
      "A assinatura das informações de versão não confere: o documento foi alterado ou foi assinado por uma chave "
      "não confiável (" +
      url + ")");
}

TReleaseInfo TReleaseInfoSource::GetReleaseInfo() {
  const std::string url = ResolveUrl();
  if (!FHttpClient) throw EReleaseInfoError("Nenhum cliente HTTP para obter as informações de versão");
  const uint64_t start = Platform::SteadyMilliseconds();
  const std::string document = Fetch(url, kMaxDocumentSize, FOptions, "as informações de versão");
  if (FKeys.Required()) {
    // The signature shares the document's deadline.
    THttpOptions options = FOptions;
    if (options.DeadlineMs > 0) {
      const uint64_t spent = Platform::SteadyMilliseconds() - start;
      if (spent >= options.DeadlineMs)
        throw EReleaseUnverifiedError("Falha ao obter a assinatura das informações de versão (" + url +
                                      ".sig): O servidor não respondeu dentro do tempo limite");
      options.DeadlineMs -= static_cast<uint32_t>(spent);
    }
    CheckSignature(url, document, options);
  }
  try {
    TReleaseInfo info = ParseDocument(document);
    info.Signed = FKeys.Required();
    return info;
  } catch (const EReleaseInfoError& e) {
    throw EReleaseInfoError(e.what() + std::string(" (") + url + ")");
  }
}

}  // namespace Infrastructure::Update
