#include "Infrastructure/Update/PackageFetcher.h"

#include <optional>
#include <utility>

#include "Core/Text/TextUtils.h"
#include "Infrastructure/Crypto/HexDigest.h"
#include "Infrastructure/Files/PackageSwap.h"
#include "Infrastructure/Files/ResumableDownload.h"
#include "Infrastructure/Files/ZipReader.h"
#include "Infrastructure/Platform/Crypto.h"
#include "Infrastructure/Platform/FileStream.h"
#include "Infrastructure/Platform/FileSystem.h"
#include "Infrastructure/Update/DeltaPlan.h"
#include "Infrastructure/Update/PackageManifest.h"

namespace Infrastructure::Update {

using Core::Interfaces::TFetchedPackage;
using Core::Interfaces::TPackageFetchRequest;
using Core::ValueObjects::TDownloadVerdict;

namespace {

std::string Lower(std::string AText) {
  for (char& c : AText)
    if (c >= 'A' && c <= 'F') c = static_cast<char>(c - 'A' + 'a');
  return AText;
}

// Even with the whole package at hand, only the entries that differ are installed: an unchanged
// file (a DLL in use, say) is not touched.
// Not when a name's reading rests on the central directory alone (outside ASCII): the package
// is then installed whole, as the installer reads it.
void TakeChangedOnly(TFetchedPackage& AResult, std::pair<std::string, TPackageManifest>& AManifest,
                     const TDeltaPlan& APlan) {
  for (const TManifestEntry& entry : AManifest.second.Entries)
    if (!Files::NameReadsAlike(entry.Name)) return;
  AResult.ChangedOnly = true;
  AResult.Manifest = std::move(AManifest.first);
  AResult.Entries = APlan.Entries;
}

}  // namespace

TPackageFetcher::TPackageFetcher(std::shared_ptr<Core::Interfaces::IHttpClient> AClient,
                                 std::shared_ptr<Core::Interfaces::ILoggerService> ALogger, Files::TRetryPolicy APolicy)
    : FClient(std::move(AClient)), FLogger(std::move(ALogger)), FPolicy(std::move(APolicy)) {}

// The resumable download's files of the package with published SHA-256 AHex, when AHex can name them.
static std::optional<std::string> ResumablePart(const std::string& AFolder, const std::string& AHex) {
  std::string part = Files::ResumablePartPath(AFolder, AHex);
  if (!Files::IsResumableDownloadName(Platform::FileNameOf(part))) return std::nullopt;
  return part;
}

// The bytes of AKept when it holds exactly ASize of them; nothing else.
static std::optional<std::string> KeptBytes(const std::string& AKept, int64_t ASize) {
  try {
    if (Platform::QueryPath(AKept) != Platform::TPathState::File) return std::nullopt;
    Platform::TFileReader file(AKept);
    if (file.Size() != static_cast<uint64_t>(ASize)) return std::nullopt;
    std::string bytes(static_cast<size_t>(ASize), '\0');
    size_t got = 0;
    for (size_t read; got < bytes.size() && (read = file.Read(bytes.data() + got, bytes.size() - got)) != 0;)
      got += read;
    if (got != bytes.size()) return std::nullopt;
    return bytes;
  } catch (const std::exception&) {
    return std::nullopt;
  }
}

// The manifest published beside the package, when it is the one the document vouches for and
// describes a package of the published size; nothing (and the whole package is fetched) else.
// A copy kept beside a download a start left cut is used instead of fetching it again, after
// the same check.
static std::optional<std::pair<std::string, TPackageManifest>> FetchManifest(
    Core::Interfaces::IHttpClient& AClient, Core::Interfaces::ILoggerService& ALogger,
    const TPackageFetchRequest& ARequest, const Core::Interfaces::THttpOptions& AOptions, const std::string& AKept) {
  const Core::ValueObjects::TDownloadCheck& check = ARequest.ManifestCheck;
  const std::optional<Platform::TSha256Digest> digest = Crypto::ParseSha256Hex(check.Sha256);
  if (!digest || check.Size <= 0) return std::nullopt;
  const auto published = [&](const std::string& ABytes) {
    return ABytes.size() == static_cast<uint64_t>(check.Size) && Platform::Sha256Of(ABytes) == *digest;
  };
  const std::string url = ARequest.Url + std::string(kManifestSuffix);
  std::string why;
  std::optional<std::string> bytes = AKept.empty() ? std::nullopt : KeptBytes(AKept, check.Size);
  if (!bytes || !published(*bytes)) {
    Core::Interfaces::TMemorySink sink(static_cast<size_t>(check.Size));
    const Core::Interfaces::THttpResult answer = AClient.Get(url, sink, AOptions);
    bytes = sink.Data();
    if (!answer.Succeeded())
      why = answer.ErrorMessage.empty() ? "HTTP " + std::to_string(answer.StatusCode) : answer.ErrorMessage;
    else if (!published(*bytes))
      why = "o tamanho ou o SHA-256 não confere com as informações de atualização";
  }
  std::optional<TPackageManifest> manifest;
  if (why.empty()) {
    manifest = ParsePackageManifest(*bytes, &why);
    if (manifest && static_cast<int64_t>(manifest->PackageSize) != ARequest.Check.Size) {
      manifest.reset();
      why = "descreve um pacote de outro tamanho";
    }
  }
  if (!manifest) {
    ALogger.Warning("Manifesto " + url + " não usado (" + why + "): o pacote é baixado inteiro");
    return std::nullopt;
  }
  return std::make_pair(std::move(*bytes), std::move(*manifest));
}

TFetchedPackage TPackageFetcher::Fetch(const TPackageFetchRequest& ARequest) {
  TFetchedPackage result;
  result.Sha256 = Lower(std::string(Core::Text::Trim(ARequest.Check.Sha256)));
  Files::TRetryPolicy policy = FPolicy;
  policy.IsCancelled = ARequest.IsCancelled;
  // A newer release makes what was kept for an older one useless.
  Files::DiscardOtherResumableDownloads(ARequest.Folder, result.Sha256);

  std::optional<std::pair<std::string, TPackageManifest>> manifest;
  std::optional<TDeltaPlan> plan;
  const std::optional<std::string> resumable = ResumablePart(ARequest.Folder, result.Sha256);
  const std::string keptManifest = resumable ? Files::ResumableManifestPath(*resumable) : std::string();
  if (!FRangeSupport.Refuses(ARequest.Url))
    manifest = FetchManifest(*FClient, *FLogger, ARequest, policy.Http, keptManifest);
  if (manifest) {
    try {
      plan = PlanDelta(manifest->second, ARequest.Folder);
    } catch (const std::exception& e) {
      // The installer refuses such a package with its own words once it is whole.
      FLogger->Warning(std::string("Atualização parcial impossível: ") + e.what());
    }
  }

  Files::TFetchProgress progress;
  progress.Report = ARequest.OnProgress;
  const int64_t packageSize = ARequest.Check.Size;
  // A server that answers ranges with the whole package: said as such.
  progress.OnWholePackage = [&] {
    if (ARequest.OnPlanned) ARequest.OnPlanned(packageSize, packageSize, false);
  };
  if (plan && !plan->WholePackage) {
    progress.Total = static_cast<int64_t>(plan->FetchBytes);
    if (ARequest.OnPlanned) ARequest.OnPlanned(progress.Total, packageSize, true);
    FLogger->Info("Atualização parcial: " + std::to_string(plan->Entries.size()) + " arquivo(s) alterado(s), " +
                  std::to_string(plan->FetchBytes) + " de " + std::to_string(packageSize) + " bytes em " +
                  std::to_string(plan->Ranges.size()) + " pedido(s)");
    result.Path =
        Platform::JoinPath(ARequest.Folder, std::string(Files::kDownloadPrefix) + Files::NewUpdateId() + ".zip.part");
    Files::TRangedSource source{ARequest.Url, static_cast<uint64_t>(packageSize), result.Sha256, {}};
    if (plan->Ranges.empty()) Platform::WriteFileAtomically(result.Path, {});
    bool whole = false;
    for (const TByteRange& range : plan->Ranges) {
      const Files::TRangedResult fetched =
          Files::FetchRange(*FClient, source, FRangeSupport, result.Path, range.Offset, range.Length, progress, policy);
      result.Verdict = fetched.Verdict;
      result.Cancelled = fetched.Cancelled;
      if (fetched.Outcome == Files::TRangedOutcome::WholeBody) {
        // The server sent the whole package instead, checked as such: nothing more to fetch.
        FLogger->Warning("O servidor respondeu o pedido parcial com o pacote inteiro");
        whole = true;
        break;
      }
      if (fetched.Outcome != Files::TRangedOutcome::Ok) {
        FLogger->Error("Falha ao baixar parte do pacote: " + fetched.ErrorMessage);
        Platform::RemoveFile(result.Path);
        result.Path.clear();
        return result;
      }
    }
    if (whole && result.Verdict != TDownloadVerdict::Ok) {
      Platform::RemoveFile(result.Path);
      result.Path.clear();
      return result;
    }
    result.Verdict = TDownloadVerdict::Ok;
    TakeChangedOnly(result, *manifest, *plan);
    return result;
  }

  // The resumable download adds what it still has to fetch (the package less what a cut start kept).
  progress.Total = 0;
  if (ARequest.OnPlanned) ARequest.OnPlanned(packageSize, packageSize, false);
  Files::TResumableRequest request;
  request.Url = ARequest.Url;
  request.Folder = ARequest.Folder;
  request.Size = static_cast<uint64_t>(packageSize);
  request.Sha256 = result.Sha256;
  if (manifest) {
    request.Pieces = manifest->second.Pieces;
    request.PieceSize = TPackageManifest::kPieceSize;
    // Beside what a cut leaves, for the next start to check the pieces with.
    try {
      if (!keptManifest.empty()) Platform::WriteFileAtomically(keptManifest, manifest->first);
    } catch (const std::exception&) {
      // Without it the next start fetches the manifest again.
    }
  }
  const Files::TResumableResult fetched =
      Files::DownloadResumablePackage(*FClient, request, FRangeSupport, progress, policy);
  if (fetched.KeptBytes > 0)
    FLogger->Info("Download retomado: " + std::to_string(fetched.KeptBytes) + " bytes de uma tentativa anterior");
  if (fetched.Verdict != TDownloadVerdict::Ok && !fetched.ErrorMessage.empty())
    FLogger->Error("Falha ao baixar o pacote: " + fetched.ErrorMessage);
  result.Verdict = fetched.Verdict;
  result.Cancelled = fetched.Cancelled;
  if (result.Verdict == TDownloadVerdict::Ok) {
    result.Path = fetched.Path;
    if (plan) TakeChangedOnly(result, *manifest, *plan);
  }
  return result;
}

void TPackageFetcher::Discard(const TFetchedPackage& APackage) {
  if (APackage.Path.empty()) return;
  const std::string folder = Platform::ParentPath(APackage.Path);
  // What a cut start kept of this package (the package itself, when it came whole) is of no more use.
  if (ResumablePart(folder, APackage.Sha256)) Files::DiscardResumableDownload(folder, APackage.Sha256);
  if (Platform::FileExists(APackage.Path)) Platform::RemoveFile(APackage.Path);
}

}  // namespace Infrastructure::Update
