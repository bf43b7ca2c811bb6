#pragma once
// The package fetcher of the update road (see Core/Interfaces/IPackageFetcher.h):
// with a manifest the signed document vouches for, only the records of the
// entries that differ from the installation, fetched as single ranges; else,
// or when the server answers ranges with the whole body, the whole package,
// kept across starts so that the next one continues it.
#include <memory>

#include "Core/Interfaces/IHttpClient.h"
#include "Core/Interfaces/ILoggerService.h"
#include "Core/Interfaces/IPackageFetcher.h"
#include "Infrastructure/Files/RangedDownload.h"

namespace Infrastructure::Update {

class TPackageFetcher : public Core::Interfaces::IPackageFetcher {
 public:
  TPackageFetcher(std::shared_ptr<Core::Interfaces::IHttpClient> AClient,
                  std::shared_ptr<Core::Interfaces::ILoggerService> ALogger, Files::TRetryPolicy APolicy = {});

  Core::Interfaces::TFetchedPackage Fetch(const Core::Interfaces::TPackageFetchRequest& ARequest) override;
  void Discard(const Core::Interfaces::TFetchedPackage& APackage) override;

 private:
  std::shared_ptr<Core::Interfaces::IHttpClient> FClient;
  std::shared_ptr<Core::Interfaces::ILoggerService> FLogger;
  Files::TRetryPolicy FPolicy;
  // Servers that answered a range with the whole body: asked for none again until the next start.
  Files::TRangeSupport FRangeSupport;
};

}  // namespace Infrastructure::Update
