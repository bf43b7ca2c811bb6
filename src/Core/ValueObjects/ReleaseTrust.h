#pragma once
// How far the release information may be trusted with what the launcher downloads and runs.
#include <string_view>

#include "Core/ValueObjects/DownloadCheck.h"

namespace Core::ValueObjects {

enum class TReleaseTrust {
  Unkeyed,     // a build without keys: the document is taken as published, or not at all
  Verified,    // a trusted key signed the document
  Unverified,  // a build with keys got a document whose signature did not verify: nothing it says is used
  Missing,     // a build with keys got no document at all
};

// The catalogue key of the reason a download this trust names may not happen; empty when it may.
// A build with keys downloads only what a verified document published a SHA-256 and a size for:
// the server it distrusts must not be able to switch the checks off by leaving them out, or by
// breaking the signature.
constexpr std::string_view DownloadRefusalKey(TReleaseTrust ATrust, const TDownloadCheck& ACheck) {
  switch (ATrust) {
    case TReleaseTrust::Unkeyed:
      return {};
    case TReleaseTrust::Unverified:
      return "ReleaseUnverified";
    case TReleaseTrust::Verified:
    case TReleaseTrust::Missing:
      break;
  }
  return !ACheck.Sha256.empty() && ACheck.Size >= 0 ? std::string_view{} : "DownloadNotPublished";
}

}  // namespace Core::ValueObjects
