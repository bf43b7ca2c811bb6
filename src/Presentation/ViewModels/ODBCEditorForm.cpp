#include "Presentation/ViewModels/ODBCEditorForm.h"

#include "Core/Text/TextUtils.h"

namespace Presentation::ViewModels {

using Core::ValueObjects::TConnectionConfig;
using Core::ValueObjects::TConnectionType;
using Core::ValueObjects::TDSNConfig;

std::string Trimmed(std::string_view AText) {
  return std::string(Core::Text::Trim(AText));
}

TODBCEditorCheck ValidateODBCEditorInput(const TODBCEditorFields& AFields) {
  if (Trimmed(AFields.DSNName).empty()) return {"DSNNameRequired", TODBCEditorControl::DSNName};
  if (Trimmed(AFields.Server).empty()) return {"ServerRequired", TODBCEditorControl::Server};
  if (Trimmed(AFields.Database).empty()) return {"DatabaseRequired", TODBCEditorControl::Database};
  if (!AFields.Driver) return {"SelectDriver", TODBCEditorControl::Driver};
  return {};
}

int PreselectedDriverIndex(const std::vector<std::string>& ADrivers) {
  int selected = ADrivers.empty() ? -1 : 0;
  for (size_t i = 0; i < ADrivers.size(); ++i)
    if (ADrivers[i].find("SQL Server") != std::string::npos) selected = static_cast<int>(i);
  return selected;
}

int StoredDriverIndex(const std::vector<std::string>& ADrivers, const std::string& AStoredDriver) {
  for (size_t i = 0; i < ADrivers.size(); ++i)
    if (ADrivers[i] == AStoredDriver) return static_cast<int>(i);
  return Core::Text::IndexOfTextAscii(ADrivers, AStoredDriver);
}

TDSNConfig BuildDSNConfig(const TODBCEditorFields& AFields) {
  TDSNConfig config;
  config.SetDSNName(Trimmed(AFields.DSNName));
  if (AFields.Driver) config.SetDriver(*AFields.Driver);
  config.SetServer(Trimmed(AFields.Server));
  config.SetDatabase(Trimmed(AFields.Database));
  config.SetDescription(Trimmed(AFields.Description));
  config.SetUser(Trimmed(AFields.User));
  config.SetPassword(Trimmed(AFields.Password));
  config.SetTrustedConnection(config.User().empty());
  return config;
}

TConnectionConfig BuildTestConnectionConfig(const TODBCEditorFields& AFields) {
  TConnectionConfig config;
  config.SetConnectionType(TConnectionType::Direct);
  config.SetServer(Trimmed(AFields.Server));
  config.SetDatabase(Trimmed(AFields.Database));
  config.SetUser(Trimmed(AFields.User));
  config.SetPassword(Trimmed(AFields.Password));
  config.SetDriver(AFields.Driver.value_or(""));
  return config;
}

const char* SaveSuccessKey(bool AEditMode) {
  return AEditMode ? "ODBCUpdateSuccess" : "ODBCCreateSuccess";
}

const char* SaveErrorKey(bool AEditMode) {
  return AEditMode ? "ODBCUpdateError" : "ODBCCreateError";
}

}  // namespace Presentation::ViewModels
