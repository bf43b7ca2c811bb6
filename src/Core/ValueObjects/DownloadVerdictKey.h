#pragma once
#include <string>
#include <string_view>

#include "Core/ValueObjects/DownloadCheck.h"

namespace Core::ValueObjects {

// The catalogue key of the message for a download that did not verify or
// could not be written (each takes DownloadVerdictSubject as %s); empty for
// Ok and Failed, whose roads say what they always said.
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
    case TDownloadVerdict::FolderNotWritable:
      return "FolderNotWritable";
    case TDownloadVerdict::DiskFull:
      return "FolderDiskFull";
    case TDownloadVerdict::Ok:
    case TDownloadVerdict::Failed:
      break;
  }
  return {};
}

// The file could not be written: an error of the machine, not a download that was refused.
constexpr bool IsWriteFailure(TDownloadVerdict AVerdict) {
  return AVerdict == TDownloadVerdict::FolderNotWritable || AVerdict == TDownloadVerdict::DiskFull;
}

// What the verdict's message names: the folder the file was to be written in,
// or the address it came from.
inline std::string DownloadVerdictSubject(TDownloadVerdict AVerdict, const std::string& AUrl,
                                          const std::string& AFolder) {
  return IsWriteFailure(AVerdict) ? AFolder : AUrl;
}

}  // namespace Core::ValueObjects
