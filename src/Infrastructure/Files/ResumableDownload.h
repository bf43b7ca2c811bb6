#pragma once
// The whole package, downloaded so that a later start continues it: the bytes
// go into a ".part" file named after the package's published SHA-256, in the
// installation folder, with a small sidecar beside it that says what they are.
// The next start checks what was kept (piece by piece when the manifest's
// piece digests are given, else trusting it only with the server's validator),
// asks for the rest with a range, and always checks the SHA-256 of the whole.
//
// Names, in the installation folder (hidden download prefix kDownloadPrefix):
//   .~ql-download-resume-<sha256, 64 lower-case hex>.part       the bytes
//   .~ql-download-resume-<sha256, 64 lower-case hex>.part.info  the sidecar
//
// Sidecar: UTF-8 text, lines ended by LF, in this order, each once:
//   QLRESUME 1
//   url=<the package's address>
//   size=<published size, decimal>
//   sha256=<published SHA-256, 64 lower-case hex>
//   validator=<ETag or Last-Modified the bytes came with; may be empty>
// No control characters inside a value. Written whole (write and rename)
// before the bytes it vouches for.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "Infrastructure/Files/RangedDownload.h"
#include "Infrastructure/Platform/Crypto.h"

namespace Infrastructure::Files {

inline constexpr std::string_view kResumablePrefix = ".~ql-download-resume-";
inline constexpr std::string_view kSidecarSuffix = ".info";
inline constexpr std::string_view kKeptManifestSuffix = ".manifest";

// The .part file of the package with published SHA-256 ASha256 (any case) in AFolder.
std::string ResumablePartPath(const std::string& AFolder, const std::string& ASha256);
std::string ResumableSidecarPath(const std::string& APartPath);
// The package's manifest kept beside its .part, so the next start checks the kept
// pieces without fetching it again (it is checked against the published digest anew).
std::string ResumableManifestPath(const std::string& APartPath);
// A resumable download's .part, sidecar or kept manifest (not a temporary beside them):
// what a clean-up of the folder's download names must leave for the next start.
bool IsResumableDownloadName(std::string_view AName);

struct TResumeSidecar {
  std::string Url;
  uint64_t Size = 0;
  std::string Sha256;  // lower-case hex
  std::string Validator;
};
std::string FormatResumeSidecar(const TResumeSidecar& ASidecar);
// Nothing for any text FormatResumeSidecar would not write. Never throws.
std::optional<TResumeSidecar> ParseResumeSidecar(std::string_view AText);

struct TResumableRequest {
  std::string Url;
  std::string Folder;  // the installation folder
  uint64_t Size = 0;   // published
  std::string Sha256;  // published: 64 hex digits, required
  // The manifest's piece digests (TPackageManifest::Pieces), or empty.
  std::vector<Platform::TSha256Digest> Pieces;
  uint32_t PieceSize = 1 << 20;
};

struct TResumableResult : TRangedResult {
  // The .part file: on Verdict Ok it is the whole package, verified. The caller
  // uses it and then calls DiscardResumableDownload.
  std::string Path;
  uint64_t KeptBytes = 0;  // taken from an earlier start
};

// Downloads the package of ARequest into its .part file, continuing what an
// earlier start kept. Kept bytes are checked against Pieces and cut back to
// the last good piece; without Pieces they are used only with a validator.
// A resume answered with 200 starts again from 0 with that body. A digest,
// size or length that does not match removes the .part and its sidecar; any
// other failure keeps them for the next start. Outcome is Ok or Failed (also
// after a whole body: Verdict Ok means the package is there). Never throws.
TResumableResult DownloadResumablePackage(Core::Interfaces::IHttpClient& AClient, const TResumableRequest& ARequest,
                                          TRangeSupport& ASupport, TFetchProgress& AProgress,
                                          const TRetryPolicy& APolicy = {});

// The length of APath's prefix whose pieces match APieces (whole pieces of
// APieceSize, the last one shorter when the package ends there), at most
// APackageSize. Throws Core::EFileSystemError when the file cannot be read.
uint64_t GoodPiecesLength(const std::string& APath, const std::vector<Platform::TSha256Digest>& APieces,
                          uint64_t APackageSize, uint32_t APieceSize);

// Removes the .part and sidecar of the package ASha256 in AFolder. Never throws.
void DiscardResumableDownload(const std::string& AFolder, const std::string& ASha256);
// Removes every resumable download in AFolder but that of AKeepSha256 (empty:
// all): a newer release makes older ones useless. Never throws.
void DiscardOtherResumableDownloads(const std::string& AFolder, const std::string& AKeepSha256);

}  // namespace Infrastructure::Files
