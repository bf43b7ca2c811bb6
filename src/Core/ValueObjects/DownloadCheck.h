#pragma once
#include <cstdint>
#include <string>

namespace Core::ValueObjects {

// What the release document says a download must be. Empty / negative: not said.
struct TDownloadCheck {
  std::string Sha256;  // as published; valid only as 64 hex digits (either case)
  int64_t Size = -1;   // exact size in bytes when >= 0
  bool IsEmpty() const { return Sha256.empty() && Size < 0; }
};

// ProxyRefused: the network's proxy still asked for authentication (407)
// after the user's own credentials were offered. FolderNotWritable and
// DiskFull: the file could not be written where it was to go, which is no
// fault of the network.
enum class TDownloadVerdict {
  Ok,
  Failed,
  TooLarge,
  WrongSize,
  DigestMismatch,
  InvalidDigest,
  ProxyRefused,
  FolderNotWritable,
  DiskFull,
};

}  // namespace Core::ValueObjects
