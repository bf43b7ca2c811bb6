// A package manifest comes from the update server: any bytes either parse to
// records that stay in order inside the package, with safe names and as many
// pieces as its size needs, or are refused without a crash.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "Infrastructure/Files/ZipExtractor.h"
#include "Infrastructure/Update/PackageManifest.h"

using namespace Infrastructure::Update;

namespace {

void Check(bool ACondition, const char* AWhat) {
  if (ACondition) return;
  std::fprintf(stderr, "fuzz_package_manifest: %s\n", AWhat);
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* AData, size_t ASize) {
  const std::string_view bytes(reinterpret_cast<const char*>(AData), ASize);
  std::string error;
  const std::optional<TPackageManifest> manifest = ParsePackageManifest(bytes, &error);
  if (!manifest) {
    Check(!error.empty(), "a refusal without a reason");
    return 0;
  }
  const uint64_t size = manifest->PackageSize;
  Check(manifest->Pieces.size() == size / TPackageManifest::kPieceSize + (size % TPackageManifest::kPieceSize != 0),
        "a piece count that does not fit the package size");
  uint64_t previousEnd = 0;
  for (const TManifestEntry& entry : manifest->Entries) {
    Check(Infrastructure::Files::SafeRelativePath(entry.Name).has_value(), "an unsafe name was accepted");
    Check(entry.RecordOffset >= previousEnd, "records overlap or are out of order");
    Check(entry.RecordOffset <= size && entry.RecordLength <= size - entry.RecordOffset, "a record past the package");
    previousEnd = entry.RecordOffset + entry.RecordLength;
  }
  return 0;
}
