#pragma once
#include <string_view>

#include "Core/ValueObjects/DownloadCheck.h"

namespace Core::ValueObjects {

// The catalogue key of the message for a download that did not verify (each
// takes the file's address as %s); empty for Ok and Failed, whose roads say
// what they always said.
constexpr std::string_view DownloadVerdictKey(TDownloadVerdict AVerdict) {
  switch (AVerdict) {
    case TDownloadVerdict::TooLarge:
      return "DownloadTooLarge";
    case TDownloadVerdict::WrongSize:
      return "DownloadSizeMismatch";
    case TDownloadVerdict::DigestMismatch:
      return "DownloadDigestMismatch";
    case TDownloadVerdict::InvalidDigest:
      return "DownloadDigestInvalid";
    case TDownloadVerdict::ProxyRefused:
      return "DownloadProxyRefused";
    case TDownloadVerdict::Ok:
    case TDownloadVerdict::Failed:
      break;
  }
  return {};
}

}  // namespace Core::ValueObjects
