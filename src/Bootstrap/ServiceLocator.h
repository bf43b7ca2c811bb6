#pragma once
#include <memory>

#include "Bootstrap/LaunchSwitches.h"
#include "Core/Interfaces/IBDEService.h"
#include "Core/Interfaces/IConfigService.h"
#include "Core/Interfaces/IFileService.h"
#include "Core/Interfaces/ILoggerService.h"
#include "Core/Interfaces/ITranslator.h"

namespace Bootstrap {

// The process-wide services, created once before the first window and released
// after the message loop. The registry holds one reference to each; every
// consumer keeps its own. Getters never create a service: an empty slot gives
// an empty reference.
class TServiceLocator {
public:
  TServiceLocator() = delete;

  // The support log starts here when ASwitches or the INI file ask for it.
  static void RegisterServices(const TLaunchSwitches& ASwitches = {});
  // Releases config, file service, translator, logger, BDE service, in that order.
  static void CancelRegistrationServices();

  static std::shared_ptr<Core::Interfaces::IConfigService> GetConfigService();
  static std::shared_ptr<Core::Interfaces::IFileService> GetFileService();
  static std::shared_ptr<Core::Interfaces::ITranslator> GetTranslator();
  static std::shared_ptr<Core::Interfaces::ILoggerService> GetLoggerService();
  static std::shared_ptr<Core::Interfaces::IBDEService> GetBDEService();
  // The switches the launcher was started with.
  static const TLaunchSwitches& GetLaunchSwitches() { return FLaunchSwitches; }

private:
  static inline std::shared_ptr<Core::Interfaces::IConfigService> FConfigService;
  static inline std::shared_ptr<Core::Interfaces::IFileService> FFileService;
  static inline std::shared_ptr<Core::Interfaces::ITranslator> FTranslator;
  static inline std::shared_ptr<Core::Interfaces::ILoggerService> FLoggerService;
  static inline std::shared_ptr<Core::Interfaces::IBDEService> FBDEService;
  static inline TLaunchSwitches FLaunchSwitches;
};

// Registration for the lifetime of a scope: the program entry's first and last act.
class TServiceRegistration {
public:
  explicit TServiceRegistration(const TLaunchSwitches& ASwitches = {}) { TServiceLocator::RegisterServices(ASwitches); }
  ~TServiceRegistration() { TServiceLocator::CancelRegistrationServices(); }
  TServiceRegistration(const TServiceRegistration&) = delete;
  TServiceRegistration& operator=(const TServiceRegistration&) = delete;
};

}  // namespace Bootstrap
