#include "Infrastructure/Database/OdbcHandles.h"

#include <algorithm>

#include "Core/Text/TextUtils.h"
#include "Core/Text/Unicode.h"

namespace Infrastructure::Database::Odbc {

SQLRETURN TConnection::Open(std::u16string_view AConnectionString) {
  std::u16string text(AConnectionString);
  const SQLRETURN result =
      SQLDriverConnectW(FHandle.Get(), nullptr, WideArgument(text), static_cast<SQLSMALLINT>(text.size()), nullptr, 0,
                        nullptr, SQL_DRIVER_NOPROMPT);
  FOpen = SQL_SUCCEEDED(result);
  return result;
}

void TConnection::Reset() {
  if (FOpen) SQLDisconnect(FHandle.Get());
  FOpen = false;
  FHandle.Reset();
}

std::vector<TDiagnostic> Diagnostics(SQLSMALLINT AKind, SQLHANDLE AHandle) {
  std::vector<TDiagnostic> records;
  if (AHandle == SQL_NULL_HANDLE) return records;
  std::u16string message(512, u'\0');
  for (SQLSMALLINT record = 1;; ++record) {
    SQLWCHAR state[6] = {};
    SQLINTEGER nativeError = 0;
    SQLSMALLINT length = 0;
    SQLRETURN result = SQLGetDiagRecW(AKind, AHandle, record, state, &nativeError, WideArgument(message),
                                      static_cast<SQLSMALLINT>(message.size()), &length);
    if (result == SQL_SUCCESS_WITH_INFO && length >= static_cast<SQLSMALLINT>(message.size())) {
      message.assign(static_cast<size_t>(length) + 1, u'\0');  // the text was cut: read it again whole
      result = SQLGetDiagRecW(AKind, AHandle, record, state, &nativeError, WideArgument(message),
                              static_cast<SQLSMALLINT>(message.size()), &length);
    }
    if (!SQL_SUCCEEDED(result)) break;
    const size_t used = std::min<size_t>(length < 0 ? 0 : static_cast<size_t>(length), message.size());
    std::u16string_view stateText(reinterpret_cast<const char16_t*>(state), 5);
    records.push_back(
        {Core::Text::Utf16ToUtf8(stateText.substr(0, stateText.find(u'\0'))),
         std::string(Core::Text::Trim(Core::Text::Utf16ToUtf8(std::u16string_view(message.data(), used))))});
  }
  return records;
}

std::string DiagnosticText(const std::vector<TDiagnostic>& ARecords) {
  std::string text;
  for (const TDiagnostic& record : ARecords) {
    if (!text.empty()) text += '\n';
    text += record.Message.empty() ? "SQLSTATE " + record.State : record.Message;
  }
  return text;
}

}  // namespace Infrastructure::Database::Odbc
