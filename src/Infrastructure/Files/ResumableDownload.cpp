#include "Infrastructure/Files/ResumableDownload.h"

#include <algorithm>
#include <memory>

#include "Core/Errors.h"
#include "Infrastructure/Crypto/HexDigest.h"
#include "Infrastructure/Files/RangedTransfer.h"
#include "Infrastructure/Platform/FileStream.h"
#include "Infrastructure/Platform/FileSystem.h"

namespace Infrastructure::Files {

using namespace Core::Interfaces;
using Core::ValueObjects::TDownloadVerdict;

namespace {

constexpr std::string_view kSidecarMagic = "QLRESUME 1";
constexpr std::string_view kPartSuffix = ".part";
constexpr size_t kHexDigits = 64;

bool IsLowerHex(std::string_view AText) {
  return AText.size() == kHexDigits && std::all_of(AText.begin(), AText.end(), [](char c) {
           return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
         });
}

bool HasControl(std::string_view AText) {
  return std::any_of(AText.begin(), AText.end(), [](char c) { return (c >= 0 && c < 0x20) || c == 0x7f; });
}

// The next line of AText without its LF, or nothing when no LF ends it.
std::optional<std::string_view> TakeLine(std::string_view& AText) {
  const size_t end = AText.find('\n');
  if (end == std::string_view::npos) return std::nullopt;
  const std::string_view line = AText.substr(0, end);
  AText.remove_prefix(end + 1);
  return line;
}

std::optional<std::string_view> TakeValue(std::string_view& AText, std::string_view AKey) {
  const auto line = TakeLine(AText);
  if (!line || line->substr(0, AKey.size()) != AKey || line->size() <= AKey.size() || (*line)[AKey.size()] != '=')
    return std::nullopt;
  const std::string_view value = line->substr(AKey.size() + 1);
  if (HasControl(value)) return std::nullopt;
  return value;
}

// The kept prefix that matches APieces, each good piece also fed to AFeed (may be null).
uint64_t CheckPieces(const std::string& APath, const std::vector<Platform::TSha256Digest>& APieces,
                     uint64_t APackageSize, uint32_t APieceSize, Crypto::TPipelinedSha256* AFeed) {
  if (APieceSize == 0) return 0;
  Platform::TFileReader reader(APath);
  const uint64_t length = std::min(reader.Size(), APackageSize);
  std::string piece(APieceSize, '\0');
  uint64_t good = 0;
  for (size_t index = 0; index < APieces.size() && good < length; ++index) {
    const uint64_t want = std::min<uint64_t>(APieceSize, APackageSize - good);
    if (good + want > length) break;  // a piece not all there is fetched again
    size_t got = 0;
    while (got < want) {
      const size_t read = reader.Read(piece.data() + got, static_cast<size_t>(want) - got);
      if (read == 0) break;
      got += read;
    }
    if (got != want || Platform::Sha256Of(std::string_view(piece.data(), got)) != APieces[index]) break;
    if (AFeed) AFeed->Update(piece.data(), got);
    good += want;
  }
  return good;
}

void RemoveQuietly(const std::string& APath) {
  try {
    Platform::RemoveFile(APath);
  } catch (const std::exception&) {
    // Left for the next start's clean-up.
  }
}

bool IsVerificationFailure(TDownloadVerdict AVerdict) {
  return AVerdict == TDownloadVerdict::TooLarge || AVerdict == TDownloadVerdict::WrongSize ||
         AVerdict == TDownloadVerdict::DigestMismatch;
}

// One run from what the folder holds; ADiscardKept starts from 0 whatever it holds.
TResumableResult Run(IHttpClient& AClient, const TResumableRequest& ARequest, const std::string& AHex,
                     TRangeSupport& ASupport, TFetchProgress& AProgress, const TRetryPolicy& APolicy,
                     bool ADiscardKept) {
  TResumableResult result;
  result.Path = ResumablePartPath(ARequest.Folder, AHex);
  const std::string sidecarPath = ResumableSidecarPath(result.Path);
  TRangedSource source{ARequest.Url, ARequest.Size, AHex, {}};

  std::optional<TResumeSidecar> sidecar;
  if (!ADiscardKept && Platform::FileExists(sidecarPath) && Platform::FileExists(result.Path))
    sidecar = ParseResumeSidecar(Platform::ReadFileBytes(sidecarPath));
  const bool samePackage = sidecar && sidecar->Size == ARequest.Size && sidecar->Sha256 == AHex;
  // A validator of another address says nothing of this one's file.
  if (samePackage && sidecar->Url == ARequest.Url) source.Validator = sidecar->Validator;

  auto hash = std::make_unique<Crypto::TPipelinedSha256>();
  uint64_t kept = 0;
  if (samePackage) {
    if (!ARequest.Pieces.empty()) {
      kept = CheckPieces(result.Path, ARequest.Pieces, ARequest.Size, ARequest.PieceSize, hash.get());
    } else if (!source.Validator.empty()) {
      const uint64_t length = Platform::TFileReader(result.Path).Size();
      if (length <= ARequest.Size) {
        kept = length;
        Sha256OfFile(result.Path, kept, [&](const char* AData, size_t ASize) { hash->Update(AData, ASize); });
      }
    }
  }
  if (kept == 0) source.Validator.clear();
  result.KeptBytes = kept;

  const auto writeSidecar = [&](const std::string& AValidator) {
    Platform::WriteFileAtomically(sidecarPath, FormatResumeSidecar({ARequest.Url, ARequest.Size, AHex, AValidator}));
  };
  {
    Platform::TFileWriter file(result.Path, Platform::TCreateMode::Keep);
    file.SetLength(kept);
    file.Close();
  }
  writeSidecar(source.Validator);

  TTransferState state{AClient, source, ASupport, AProgress, APolicy, result.Path};
  state.Next = kept;
  state.End = ARequest.Size;
  state.VerifyWhole = true;
  state.Hash = std::move(hash);
  state.OnValidator = writeSidecar;
  AProgress.Total += static_cast<int64_t>(ARequest.Size - kept);
  static_cast<TRangedResult&>(result) = RunTransfer(state);
  if (result.Outcome == TRangedOutcome::WholeBody)
    result.Outcome = result.Verdict == TDownloadVerdict::Ok ? TRangedOutcome::Ok : TRangedOutcome::Failed;
  return result;
}

}  // namespace

std::string ResumablePartPath(const std::string& AFolder, const std::string& ASha256) {
  std::string hex = ASha256;
  for (char& c : hex)
    if (c >= 'A' && c <= 'F') c = static_cast<char>(c - 'A' + 'a');
  return Platform::JoinPath(AFolder, std::string(kResumablePrefix) + hex + std::string(kPartSuffix));
}

std::string ResumableSidecarPath(const std::string& APartPath) {
  return APartPath + std::string(kSidecarSuffix);
}

std::string ResumableManifestPath(const std::string& APartPath) {
  return APartPath + std::string(kKeptManifestSuffix);
}

bool IsResumableDownloadName(std::string_view AName) {
  if (AName.substr(0, kResumablePrefix.size()) != kResumablePrefix) return false;
  AName.remove_prefix(kResumablePrefix.size());
  if (!IsLowerHex(AName.substr(0, kHexDigits))) return false;
  AName.remove_prefix(std::min(AName.size(), kHexDigits));
  return AName == kPartSuffix || AName == std::string(kPartSuffix) + std::string(kSidecarSuffix) ||
         AName == std::string(kPartSuffix) + std::string(kKeptManifestSuffix);
}

std::string FormatResumeSidecar(const TResumeSidecar& ASidecar) {
  return std::string(kSidecarMagic) + "\nurl=" + ASidecar.Url + "\nsize=" + std::to_string(ASidecar.Size) +
         "\nsha256=" + ASidecar.Sha256 + "\nvalidator=" + ASidecar.Validator + "\n";
}

std::optional<TResumeSidecar> ParseResumeSidecar(std::string_view AText) {
  const auto magic = TakeLine(AText);
  if (!magic || *magic != kSidecarMagic) return std::nullopt;
  const auto url = TakeValue(AText, "url");
  const auto size = TakeValue(AText, "size");
  const auto sha = TakeValue(AText, "sha256");
  const auto validator = TakeValue(AText, "validator");
  if (!url || url->empty() || !size || !sha || !validator || !AText.empty() || !IsLowerHex(*sha)) return std::nullopt;
  // The decimal FormatResumeSidecar writes: no sign, no leading zero, below 2^63.
  if (size->empty() || size->size() > 18 || ((*size)[0] == '0' && size->size() > 1) ||
      !std::all_of(size->begin(), size->end(), [](char c) { return c >= '0' && c <= '9'; }))
    return std::nullopt;
  TResumeSidecar sidecar;
  sidecar.Url = std::string(*url);
  for (char c : *size) sidecar.Size = sidecar.Size * 10 + static_cast<uint64_t>(c - '0');
  sidecar.Sha256 = std::string(*sha);
  sidecar.Validator = std::string(*validator);
  return sidecar;
}

uint64_t GoodPiecesLength(const std::string& APath, const std::vector<Platform::TSha256Digest>& APieces,
                          uint64_t APackageSize, uint32_t APieceSize) {
  return CheckPieces(APath, APieces, APackageSize, APieceSize, nullptr);
}

TResumableResult DownloadResumablePackage(IHttpClient& AClient, const TResumableRequest& ARequest,
                                          TRangeSupport& ASupport, TFetchProgress& AProgress,
                                          const TRetryPolicy& APolicy) {
  TResumableResult result;
  const auto digest = Crypto::ParseSha256Hex(ARequest.Sha256);
  if (!digest || ARequest.Size == 0) {
    result.Verdict = digest ? TDownloadVerdict::Failed : TDownloadVerdict::InvalidDigest;
    result.ErrorMessage =
        digest ? "Tamanho publicado inválido" : "SHA-256 publicado inválido: \"" + ARequest.Sha256 + "\"";
    return result;
  }
  const std::string hex = Crypto::ToHex(*digest);
  try {
    result = Run(AClient, ARequest, hex, ASupport, AProgress, APolicy, false);
    // Kept bytes that made the whole wrong (no piece digests to find them): once more from nothing.
    if (IsVerificationFailure(result.Verdict) && result.KeptBytes > 0) {
      const TResumableResult again = Run(AClient, ARequest, hex, ASupport, AProgress, APolicy, true);
      const int attempts = result.Attempts + again.Attempts;
      const uint64_t fetched = result.BytesFetched + again.BytesFetched;
      result = again;
      result.Attempts = attempts;
      result.BytesFetched = fetched;
    }
  } catch (const Core::EFileSystemError& e) {
    result.Outcome = TRangedOutcome::Failed;
    result.Verdict = e.Kind() == Core::TFileErrorKind::AccessDenied ? TDownloadVerdict::FolderNotWritable
                     : e.Kind() == Core::TFileErrorKind::DiskFull   ? TDownloadVerdict::DiskFull
                                                                    : TDownloadVerdict::Failed;
    result.ErrorMessage = e.what();
  } catch (const std::exception& e) {
    result.Outcome = TRangedOutcome::Failed;
    result.Verdict = TDownloadVerdict::Failed;
    result.ErrorMessage = e.what();
  }
  if (result.Path.empty()) result.Path = ResumablePartPath(ARequest.Folder, hex);
  if (IsVerificationFailure(result.Verdict)) DiscardResumableDownload(ARequest.Folder, hex);
  return result;
}

void DiscardResumableDownload(const std::string& AFolder, const std::string& ASha256) {
  const std::string part = ResumablePartPath(AFolder, ASha256);
  RemoveQuietly(ResumableSidecarPath(part));
  RemoveQuietly(ResumableManifestPath(part));
  RemoveQuietly(part);
}

void DiscardOtherResumableDownloads(const std::string& AFolder, const std::string& AKeepSha256) {
  try {
    std::string keep = AKeepSha256;
    for (char& c : keep)
      if (c >= 'A' && c <= 'F') c = static_cast<char>(c - 'A' + 'a');
    for (const Platform::TDirectoryEntry& entry : Platform::ListDirectory(AFolder)) {
      if (entry.IsDirectory || !IsResumableDownloadName(entry.Name)) continue;
      if (!keep.empty() && entry.Name.substr(kResumablePrefix.size(), kHexDigits) == keep) continue;
      RemoveQuietly(Platform::JoinPath(AFolder, entry.Name));
    }
  } catch (const std::exception&) {
  }
}

}  // namespace Infrastructure::Files
