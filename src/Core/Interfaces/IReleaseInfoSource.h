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
  // A trusted key's signature was verified; false from a build that trusts none.
  bool Signed = false;
};

// The release information could not be obtained; what() says why, in Portuguese.
class EReleaseInfoError : public Core::EQuorvaneError {
 public:
  using Core::EQuorvaneError::EQuorvaneError;
};

class IReleaseInfoSource {
 public:
  virtual ~IReleaseInfoSource() = default;
  // A missing value is an empty text. Throws EReleaseInfoError when the
  // information cannot be fetched or read: the caller logs the text and goes
  // on with three empty values.
  virtual TReleaseInfo GetReleaseInfo() = 0;
};

}  // namespace Core::Interfaces
