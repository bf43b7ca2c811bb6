#pragma once
// Where the start-up check learns the minimum application version and the
// download addresses of the application package and of the BDE installer.
#include <string>

#include "Core/Errors.h"
#include "Core/ValueObjects/DownloadCheck.h"

namespace Core::Interfaces {

struct TReleaseInfo {
  std::string MinimumVersion;
  std::string PackageUrl;
  std::string BdeUrl;
  // Sha256Pacote/TamanhoPacote and Sha256BDE/TamanhoBDE.
  Core::ValueObjects::TDownloadCheck PackageCheck;
  Core::ValueObjects::TDownloadCheck BdeCheck;
  // Sha256Manifesto/TamanhoManifesto: the package's manifest (<UrlPacote>.manifest).
  Core::ValueObjects::TDownloadCheck ManifestCheck;
  // A trusted key's signature was verified; false from a build that trusts none.
  bool Signed = false;
};

// The release information could not be obtained; what() says why, in Portuguese.
class EReleaseInfoError : public Core::EQuorvaneError {
 public:
  using Core::EQuorvaneError::EQuorvaneError;
};

// A build with keys got the document, but no trusted key's signature for it (a signature missing,
// malformed or not matching): nothing the document says may be used.
class EReleaseUnverifiedError : public EReleaseInfoError {
 public:
  using EReleaseInfoError::EReleaseInfoError;
};

class IReleaseInfoSource {
 public:
  virtual ~IReleaseInfoSource() = default;
  // The document counts only with a trusted key's signature (a build with keys).
  virtual bool RequiresSignature() const { return false; }
  // A missing value is an empty text. Throws EReleaseInfoError when the
  // information cannot be fetched or read (EReleaseUnverifiedError when its
  // signature does not verify): the caller logs the text and goes on with
  // empty values.
  virtual TReleaseInfo GetReleaseInfo() = 0;
};

}  // namespace Core::Interfaces
