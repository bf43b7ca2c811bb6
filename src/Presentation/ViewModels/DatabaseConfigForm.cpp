#include "Presentation/ViewModels/DatabaseConfigForm.h"

#include <algorithm>
#include <array>
#include <string_view>

#include "App/Constants.h"
#include "Core/Text/TextUtils.h"

namespace Presentation::ViewModels {

using Core::ValueObjects::TConnectionConfig;
using Core::ValueObjects::TConnectionType;

namespace {

constexpr std::array<std::string_view, 2> kFixedDrivers = {"SQL Server Native Client 11.0",
                                                           "ODBC Driver 17 for SQL Server"};

bool ContainsIgnoringCase(const std::vector<std::string>& AList, std::string_view AName) {
  return Core::Text::IndexOfTextAscii(AList, AName) >= 0;
}

// "[unixODBC][Driver Manager]Text" -> "Text".
std::string_view WithoutTags(std::string_view ALine) {
  ALine = Core::Text::Trim(ALine);
  while (!ALine.empty() && ALine.front() == '[') {
    const size_t end = ALine.find(']');
    if (end == std::string_view::npos) break;
    ALine = Core::Text::TrimLeft(ALine.substr(end + 1));
  }
  return ALine;
}

std::string CollapseBlanks(std::string_view AText) {
  std::string out;
  bool blank = false;
  for (const char c : AText) {
    if (Core::Text::IsBlank(c)) {
      blank = true;
      continue;
    }
    if (blank && !out.empty()) out += ' ';
    blank = false;
    out += c;
  }
  return out;
}

}  // namespace

bool DatabaseConfigRowVisible(TDatabaseConfigRow ARow, int AConnectionTypeIndex) {
  const bool odbc = AConnectionTypeIndex == 0;
  switch (ARow) {
    case TDatabaseConfigRow::ODBCLabel:
    case TDatabaseConfigRow::ODBC:
      return odbc;
    case TDatabaseConfigRow::DriverLabel:
    case TDatabaseConfigRow::Driver:
    case TDatabaseConfigRow::ServerLabel:
    case TDatabaseConfigRow::Server:
    case TDatabaseConfigRow::DatabaseLabel:
    case TDatabaseConfigRow::Database:
      return !odbc;
    default:
      return true;
  }
}

TConnectionConfig ReadConnectionConfig(const TDatabaseConfigFields& AFields) {
  TConnectionConfig config;
  config.SetConnectionType(AFields.ConnectionTypeIndex == 0 ? TConnectionType::ODBC : TConnectionType::Direct);
  config.SetUser(AFields.User);
  config.SetPassword(AFields.Password);
  config.SetServer(AFields.Server);
  config.SetDatabase(AFields.Database);
  config.SetDriver(AFields.Driver);
  config.SetODBCName(AFields.ODBCName);
  return config;
}

TDatabaseConfigStatus TestStatus(const Core::Interfaces::ITranslator& ATranslator,
                                 const Core::Interfaces::TDatabaseConnectionResult& AResult) {
  if (AResult.IsConnected) return {ATranslator.Translate("ConnectionSuccess"), App::Constants::ColorSuccess};
  std::string detail = ConnectionErrorDetail(AResult.ErrorMessage);
  if (detail.empty()) detail = ATranslator.Translate("ConnectionTestFailed");
  return {ATranslator.TranslateFormat("ConnectionError", {detail}), App::Constants::ColorError};
}

std::optional<TDatabaseConfigRefusal> SaveRefusal(const Core::Interfaces::ITranslator& ATranslator,
                                                  const TConnectionConfig& AConfig) {
  if (!AConfig.Validate())
    return TDatabaseConfigRefusal{{ATranslator.Translate("ConfigIncomplete"), App::Constants::ColorError}, {}};
  const Core::ValueObjects::TLoginField field = AConfig.LoginFieldWithEdgeBlanks();
  if (field == Core::ValueObjects::TLoginField::None) return std::nullopt;
  return TDatabaseConfigRefusal{
      {ATranslator.Translate("ConfigLoginEdgeBlanks"), App::Constants::ColorError},
      field == Core::ValueObjects::TLoginField::User ? TDatabaseConfigRow::User : TDatabaseConfigRow::Password};
}

TDatabaseConfigStatus SaveStatus(const Core::Interfaces::ITranslator& ATranslator, const TConnectionConfig& AConfig) {
  if (const std::optional<TDatabaseConfigRefusal> refusal = SaveRefusal(ATranslator, AConfig)) return refusal->Status;
  return {ATranslator.Translate("ConfigSaved"), App::Constants::ColorSuccess};
}

TDatabaseConfigStatus ODBCCreatedStatus(const Core::Interfaces::ITranslator& ATranslator) {
  return {ATranslator.Translate("ODBCCreateSimple"), App::Constants::ColorSuccess};
}

std::string ConnectionErrorDetail(const std::string& AMessage) {
  std::vector<std::string> records;
  std::string_view rest = AMessage;
  while (!rest.empty()) {
    const size_t end = rest.find('\n');
    const std::string_view line = rest.substr(0, end);
    rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
    std::string text = CollapseBlanks(WithoutTags(line));
    if (!text.empty() && std::find(records.begin(), records.end(), text) == records.end())
      records.push_back(std::move(text));
  }
  std::string detail;
  for (const std::string& record : records) detail += (detail.empty() ? "" : " ") + record;
  if (detail.size() <= MaxConnectionErrorDetail) return detail;
  // Cut at a blank where one is near, never inside a UTF-8 sequence.
  size_t cut = detail.rfind(' ', MaxConnectionErrorDetail);
  if (cut == std::string::npos || cut < MaxConnectionErrorDetail / 2) {
    cut = MaxConnectionErrorDetail;
    while (cut > 0 && (static_cast<unsigned char>(detail[cut]) & 0xC0) == 0x80) --cut;
  }
  detail.resize(cut);
  return detail + "\xE2\x80\xA6";  // "…"
}

std::vector<std::string> DriverItems(const std::vector<std::string>& AInstalled) {
  std::vector<std::string> items(kFixedDrivers.begin(), kFixedDrivers.end());
  for (const std::string& driver : AInstalled)
    if (!driver.empty() && !ContainsIgnoringCase(items, driver)) items.push_back(driver);
  return items;
}

int DriverSelection(const std::vector<std::string>& AItems, const std::vector<std::string>& AInstalled) {
  for (size_t i = 0; i < AItems.size(); ++i)
    if (AItems[i].find("SQL Server") != std::string::npos && ContainsIgnoringCase(AInstalled, AItems[i]))
      return static_cast<int>(i);
  return AItems.empty() ? -1 : 0;
}

int DataSourceSelection(const std::vector<std::string>& AList, const std::string& AName) {
  const int found = Core::Text::IndexOfTextAscii(AList, AName);
  return found >= 0 || AList.empty() ? found : 0;
}

}  // namespace Presentation::ViewModels
