#pragma once
// The decisions of the ODBC editor window, kept out of the Win32 code so they
// can be tested: what the fields must hold, which driver is offered first,
// and what a confirmation or a connection test is built from.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "Core/ValueObjects/ConnectionConfig.h"
#include "Core/ValueObjects/DSNConfig.h"

namespace Presentation::ViewModels {

// What the editor's controls hold, as typed.
struct TODBCEditorFields {
  std::optional<std::string> Driver;  // the selected list entry; nullopt: none selected
  std::string DSNName;
  std::string Description;
  std::string Server;
  std::string User;
  std::string Password;
  std::string Database;
};

enum class TODBCEditorControl { None, DSNName, Server, Database, Driver };

// The first failing check: its message key and the control that takes the focus.
struct TODBCEditorCheck {
  std::string MessageKey;  // empty: the input is complete
  TODBCEditorControl Focus = TODBCEditorControl::None;
  bool Passed() const { return MessageKey.empty(); }
};

// Codes 0 to 32 removed at both ends.
std::string Trimmed(std::string_view AText);

// Name, server, database, then the driver; description, login and password are optional.
TODBCEditorCheck ValidateODBCEditorInput(const TODBCEditorFields& AFields);

// The last driver whose name holds "SQL Server" (exact case), else the first;
// -1 for an empty list.
int PreselectedDriverIndex(const std::vector<std::string>& ADrivers);

// Where a data source's stored driver is in the list (exact name first, then
// without regard to case); -1 when it is not installed, so the user picks one
// instead of the data source silently moving to another driver.
int StoredDriverIndex(const std::vector<std::string>& ADrivers, const std::string& AStoredDriver);

// The data source record from the trimmed fields; a trusted connection exactly
// when no login was given.
Core::ValueObjects::TDSNConfig BuildDSNConfig(const TODBCEditorFields& AFields);

// The test connects through the driver directly, with the trimmed values.
Core::ValueObjects::TConnectionConfig BuildTestConnectionConfig(const TODBCEditorFields& AFields);

// The status texts of a confirmation: creating and, in edit mode, rewriting.
const char* SaveSuccessKey(bool AEditMode);
const char* SaveErrorKey(bool AEditMode);

}  // namespace Presentation::ViewModels
