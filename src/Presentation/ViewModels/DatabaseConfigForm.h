#pragma once
// The decisions of the database configuration window, kept out of the Win32
// code so they can be tested: which rows a connection type shows, the settings
// read from the fields, what the status line says after each action, and which
// list entries are offered and selected.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "Core/Interfaces/IDatabaseService.h"
#include "Core/Interfaces/ITranslator.h"
#include "Core/ValueObjects/ConnectionConfig.h"

namespace Presentation::ViewModels {

// The window's rows, top to bottom.
enum class TDatabaseConfigRow : int {
  ConnectionTypeLabel,
  ConnectionType,
  ODBCLabel,
  ODBC,  // the data-source list and the create button
  DriverLabel,
  Driver,
  ServerLabel,
  Server,
  UserLabel,
  User,
  PasswordLabel,
  Password,
  DatabaseLabel,
  Database,
  Status,
};
inline constexpr int DatabaseConfigRowCount = 15;

// Index 0 of the type list is ODBC, every other index the direct connection.
bool DatabaseConfigRowVisible(TDatabaseConfigRow ARow, int AConnectionTypeIndex);

// The fields as the window holds them: edits as typed, lists as selected ("" without selection).
struct TDatabaseConfigFields {
  int ConnectionTypeIndex = 0;
  std::string ODBCName;
  std::string Driver;
  std::string Server;
  std::string User;
  std::string Password;
  std::string Database;
};

// Every field is taken whatever the type, and nothing is trimmed: a login with
// blanks around it is tested with them (SaveRefusal stops its save).
Core::ValueObjects::TConnectionConfig ReadConnectionConfig(const TDatabaseConfigFields& AFields);

struct TDatabaseConfigStatus {
  std::string Text;
  uint32_t Colour = 0;  // alpha-red-green-blue
};

// "ConnectionSuccess", or "ConnectionError" with the driver's message.
TDatabaseConfigStatus TestStatus(const Core::Interfaces::ITranslator& ATranslator,
                                 const Core::Interfaces::TDatabaseConnectionResult& AResult);
// Why the window does not save these settings, and the field to put the
// cursor in: "ConfigIncomplete" for settings that do not validate,
// "ConfigLoginEdgeBlanks" for a user or password with blanks at either end
// (the file would keep it trimmed, another login than the one tested).
// Nothing when the settings can be saved.
struct TDatabaseConfigRefusal {
  TDatabaseConfigStatus Status;
  std::optional<TDatabaseConfigRow> Focus;
};
std::optional<TDatabaseConfigRefusal> SaveRefusal(const Core::Interfaces::ITranslator& ATranslator,
                                                  const Core::ValueObjects::TConnectionConfig& AConfig);
// The refusal's status, else "ConfigSaved".
TDatabaseConfigStatus SaveStatus(const Core::Interfaces::ITranslator& ATranslator,
                                 const Core::ValueObjects::TConnectionConfig& AConfig);
TDatabaseConfigStatus ODBCCreatedStatus(const Core::Interfaces::ITranslator& ATranslator);

// A driver's message fit for the status line: the "[vendor][component]" tags
// that open each line dropped, blanks and line breaks collapsed to one blank,
// a line repeated by the driver manager shown once, and a message longer than
// the status has room for (about four lines) cut at a blank with "…".
inline constexpr size_t MaxConnectionErrorDetail = 160;
std::string ConnectionErrorDetail(const std::string& AMessage);

// The SQL Server drivers the application is made for, then the installed
// drivers that are not among them, so a machine with another driver ("SQL
// Server", "ODBC Driver 18 for SQL Server") can still connect directly.
std::vector<std::string> DriverItems(const std::vector<std::string>& AInstalled);
// The first SQL Server driver of the list that is installed, else the first entry.
int DriverSelection(const std::vector<std::string>& AItems, const std::vector<std::string>& AInstalled);

// The entry to select after a data source was created: the first that equals
// AName without regard to case, else the first entry (-1 for an empty list).
int DataSourceSelection(const std::vector<std::string>& AList, const std::string& AName);

}  // namespace Presentation::ViewModels
