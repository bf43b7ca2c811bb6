#pragma once
#include <string>
#include <utility>

namespace Core::ValueObjects {

// Where a data source lives: HKEY_CURRENT_USER or HKEY_LOCAL_MACHINE.
enum class TODSNType { User, System };

// The settings of one ODBC data source. The password is carried for the
// caller only; it is never written to the registry.
class TDSNConfig {
 public:
  static constexpr const char* DefaultDriver = "SQL Server";
  static constexpr const char* DefaultServer = "(local)";
  static constexpr const char* DefaultDescription = "DSN criado automaticamente pelo QuorvaneSoft Launcher";

  const std::string& DSNName() const { return FDSNName; }
  void SetDSNName(std::string AValue) { FDSNName = std::move(AValue); }
  // A driver name as the installed-driver list shows it, not a library path.
  const std::string& Driver() const { return FDriver; }
  void SetDriver(std::string AValue) { FDriver = std::move(AValue); }
  const std::string& Server() const { return FServer; }
  void SetServer(std::string AValue) { FServer = std::move(AValue); }
  const std::string& Database() const { return FDatabase; }
  void SetDatabase(std::string AValue) { FDatabase = std::move(AValue); }
  const std::string& Description() const { return FDescription; }
  void SetDescription(std::string AValue) { FDescription = std::move(AValue); }
  bool TrustedConnection() const { return FTrustedConnection; }
  void SetTrustedConnection(bool AValue) { FTrustedConnection = AValue; }
  const std::string& User() const { return FUser; }
  void SetUser(std::string AValue) { FUser = std::move(AValue); }
  const std::string& Password() const { return FPassword; }
  void SetPassword(std::string AValue) { FPassword = std::move(AValue); }

 private:
  std::string FDSNName;
  std::string FDriver = DefaultDriver;
  std::string FServer = DefaultServer;
  std::string FDatabase;
  std::string FDescription = DefaultDescription;
  bool FTrustedConnection = false;
  std::string FUser;
  std::string FPassword;
};

}  // namespace Core::ValueObjects
