#pragma once
#include <string>
#include <string_view>

namespace Core::ValueObjects {

enum class TConnectionType { ODBC, Direct };

enum class TLoginField { None, User, Password };

// One set of database connection settings.
class TConnectionConfig {
public:
  TConnectionType ConnectionType() const { return FConnectionType; }
  void SetConnectionType(TConnectionType AValue) { FConnectionType = AValue; }
  const std::string& Server() const { return FServer; }
  void SetServer(std::string AValue) { FServer = std::move(AValue); }
  const std::string& Database() const { return FDatabase; }
  void SetDatabase(std::string AValue) { FDatabase = std::move(AValue); }
  const std::string& User() const { return FUser; }
  void SetUser(std::string AValue) { FUser = std::move(AValue); }
  const std::string& Password() const { return FPassword; }
  void SetPassword(std::string AValue) { FPassword = std::move(AValue); }
  const std::string& Driver() const { return FDriver; }
  void SetDriver(std::string AValue) { FDriver = std::move(AValue); }
  const std::string& ODBCName() const { return FODBCName; }
  void SetODBCName(std::string AValue) { FODBCName = std::move(AValue); }
  // Set by whoever loads the settings, from Validate; the object never updates it.
  bool IsConfigured() const { return FIsConfigured; }
  void SetIsConfigured(bool AValue) { FIsConfigured = AValue; }

  // The fields the connection type needs are non-empty (blanks count as content;
  // the password is never required).
  bool Validate() const;

  // The login field (user first) that begins or ends with a blank (codes 0 to
  // 32), else None. The configuration file gives its values back trimmed, so
  // such a login tests fine but would be saved as another.
  TLoginField LoginFieldWithEdgeBlanks() const;

  // "DSN=%s;Uid=%s;Pwd=%s;" or "Driver={%s};Server=%s;Database=%s;Uid=%s;Pwd=%s;".
  // A value with ";", "{", "}" or blanks at either end is braced by the ODBC
  // rules, so it can neither break the login nor add attributes.
  std::string BuildConnectionString() const;

  // One attribute value as it goes into a connection string.
  static std::string QuoteValue(std::string_view AValue);

private:
  TConnectionType FConnectionType = TConnectionType::ODBC;
  std::string FServer;
  std::string FDatabase;
  std::string FUser;
  std::string FPassword;
  std::string FDriver;
  std::string FODBCName;
  bool FIsConfigured = false;
};

}  // namespace Core::ValueObjects
