#include "Infrastructure/Update/ReleaseInfoSource.h"

#include <algorithm>
#include <utility>

#include "Core/Text/TextUtils.h"
#include "Infrastructure/Config/IniFile.h"

namespace Infrastructure::Update {

using namespace Core::Interfaces;
using Infrastructure::Config::TIniFile;

namespace {

constexpr std::string_view kSection = "Atualizacao";

}  // namespace

TReleaseInfoSource::TReleaseInfoSource(std::shared_ptr<IHttpClient> AHttpClient, std::string AConfigPath,
                                       THttpOptions AOptions)
    : FHttpClient(std::move(AHttpClient)), FConfigPath(std::move(AConfigPath)), FOptions(AOptions) {}

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
  return info;
}

TReleaseInfo TReleaseInfoSource::GetReleaseInfo() {
  const std::string url = ResolveUrl();
  if (!FHttpClient) throw EReleaseInfoError("Nenhum cliente HTTP para obter as informações de versão");
  TMemorySink document(kMaxDocumentSize);
  const THttpResult answer = FHttpClient->Get(url, document, FOptions);
  const std::string where = " (" + url + ")";
  if (!answer.Completed)
    throw EReleaseInfoError("Falha ao obter as informações de versão" + where + ": " + answer.ErrorMessage);
  if (!answer.Succeeded())
    throw EReleaseInfoError("O servidor de informações de versão respondeu com o código " +
                            std::to_string(answer.StatusCode) + where);
  try {
    return ParseDocument(document.Data());
  } catch (const EReleaseInfoError& e) {
    throw EReleaseInfoError(e.what() + where);
  }
}

}  // namespace Infrastructure::Update
