#include "Core/ValueObjects/ConnectionConfig.h"

#include "Core/Text/TextUtils.h"

namespace Core::ValueObjects {

namespace {

// "{" + value + "}" with every "}" doubled: the only quoting ODBC knows.
std::string Braced(std::string_view AValue) {
  std::string out = "{";
  for (char c : AValue) {
    out += c;
    if (c == '}') out += '}';
  }
  out += '}';
  return out;
}

}  // namespace

bool TConnectionConfig::Validate() const {
  switch (FConnectionType) {
    case TConnectionType::ODBC:
      return !FODBCName.empty() && !FUser.empty();
    case TConnectionType::Direct:
      return !FServer.empty() && !FDatabase.empty() && !FDriver.empty() && !FUser.empty();
  }
  return false;
}

TLoginField TConnectionConfig::LoginFieldWithEdgeBlanks() const {
  const auto hasEdgeBlanks = [](std::string_view AValue) { return Core::Text::Trim(AValue).size() != AValue.size(); };
  if (hasEdgeBlanks(FUser)) return TLoginField::User;
  if (hasEdgeBlanks(FPassword)) return TLoginField::Password;
  return TLoginField::None;
}

std::string TConnectionConfig::QuoteValue(std::string_view AValue) {
  const bool needsBraces =
      AValue.find_first_of(";{}") != std::string_view::npos ||
      (!AValue.empty() && (Core::Text::IsBlank(AValue.front()) || Core::Text::IsBlank(AValue.back())));
  return needsBraces ? Braced(AValue) : std::string(AValue);
}

std::string TConnectionConfig::BuildConnectionString() const {
  if (FConnectionType == TConnectionType::ODBC)
    return "DSN=" + QuoteValue(FODBCName) + ";Uid=" + QuoteValue(FUser) + ";Pwd=" + QuoteValue(FPassword) + ";";
  // The driver always stands in braces; only a "}" inside needs doubling.
  const std::string driver = Braced(FDriver);
  return "Driver=" + driver + ";Server=" + QuoteValue(FServer) + ";Database=" + QuoteValue(FDatabase) +
         ";Uid=" + QuoteValue(FUser) + ";Pwd=" + QuoteValue(FPassword) + ";";
}

}  // namespace Core::ValueObjects
