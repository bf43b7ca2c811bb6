#pragma once
// Where the start-up check learns the minimum application version and the
// download addresses of the application package and of the BDE installer.
#include <string>

#include "Core/Errors.h"

namespace Core::Interfaces {

struct TReleaseInfo {
  std::string MinimumVersion;
  std::string PackageUrl;
  std::string BdeUrl;
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
