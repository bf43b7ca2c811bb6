#pragma once
#include <functional>
#include <memory>
#include <string>

#include "Core/Interfaces/IConfigService.h"
#include "Core/Interfaces/IDatabaseService.h"
#include "Core/Interfaces/IFileService.h"
#include "Core/Interfaces/ILoggerService.h"
#include "Core/Interfaces/IReleaseInfoSource.h"
#include "Core/Interfaces/ITranslator.h"
#include "Core/ValueObjects/ConnectionConfig.h"
#include "Core/ValueObjects/StartupStatus.h"

namespace Application::UseCases {

class IStartupCheckUseCase {
public:
  virtual ~IStartupCheckUseCase() = default;
  // Never raises an error derived from std::exception: it becomes the status.
  virtual Core::ValueObjects::TStartupStatus Execute() = 0;
  virtual bool NeedsConfiguration() = 0;
  virtual bool NeedsDSNSelection() = 0;
  virtual void SetRuntimeDSN(const std::string& ADSN) = 0;
};

// Creates the database service of one run of Execute.
using TDatabaseServiceFactory = std::function<std::shared_ptr<Core::Interfaces::IDatabaseService>()>;
// Creates the release-information source for the configuration file found.
using TReleaseInfoSourceFactory =
    std::function<std::shared_ptr<Core::Interfaces::IReleaseInfoSource>(const std::string& AConfigPath)>;

// Decides whether the launcher may start the application: is the configuration
// there, must a data source be chosen for this run, can the database be reached,
// which versions are in play and must the application be updated first.
class TStartupCheckUseCase : public IStartupCheckUseCase {
public:
  TStartupCheckUseCase(std::shared_ptr<Core::Interfaces::IConfigService> AConfigService,
                       std::shared_ptr<Core::Interfaces::IFileService> AFileService,
                       std::shared_ptr<Core::Interfaces::ITranslator> ATranslator,
                       std::shared_ptr<Core::Interfaces::ILoggerService> ALogger,
                       TDatabaseServiceFactory ADatabaseServiceFactory,
                       TReleaseInfoSourceFactory AReleaseInfoSourceFactory);

  Core::ValueObjects::TStartupStatus Execute() override;
  bool NeedsConfiguration() override;
  bool NeedsDSNSelection() override;
  void SetRuntimeDSN(const std::string& ADSN) override;

  // Exposed for tests of the decisions; pure apart from the configuration reads.
  Core::ValueObjects::TConnectionConfig LoadConnectionConfig();

 private:
  void RunChecks(Core::ValueObjects::TStartupStatus& AStatus);

  std::shared_ptr<Core::Interfaces::IConfigService> FConfigService;
  std::shared_ptr<Core::Interfaces::IDatabaseService> FDatabaseService;
  std::shared_ptr<Core::Interfaces::IFileService> FFileService;
  std::shared_ptr<Core::Interfaces::ITranslator> FTranslator;
  std::shared_ptr<Core::Interfaces::ILoggerService> FLogger;
  TDatabaseServiceFactory FDatabaseServiceFactory;
  TReleaseInfoSourceFactory FReleaseInfoSourceFactory;
  std::string FConfigPath;
  std::string FRuntimeDSN;
};

}  // namespace Application::UseCases
