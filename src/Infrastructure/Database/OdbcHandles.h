#pragma once
// The ODBC API as both targets see it (odbc32 on Windows, unixODBC natively),
// one owner per handle kind, and the diagnostics of a handle. Included only by
// the .cpp files of this folder: <sql.h> needs <windows.h> on Windows.
#ifdef _WIN32
#include <windows.h>
#endif
#include <sql.h>
#include <sqlext.h>

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace Infrastructure::Database::Odbc {

// The W functions take UTF-16 on both targets (unixODBC's SQLWCHAR is 16 bits too).
static_assert(sizeof(SQLWCHAR) == sizeof(char16_t));

// An environment or statement handle, freed when its owner goes.
template <SQLSMALLINT AKind>
class THandle {
 public:
  THandle() = default;
  ~THandle() { Reset(); }
  THandle(THandle&& AOther) noexcept : FHandle(std::exchange(AOther.FHandle, nullptr)) {}
  THandle& operator=(THandle&& AOther) noexcept {
    if (this != &AOther) {
      Reset();
      FHandle = std::exchange(AOther.FHandle, nullptr);
    }
    return *this;
  }
  THandle(const THandle&) = delete;
  THandle& operator=(const THandle&) = delete;

  // Allocates under AParent (SQL_NULL_HANDLE for an environment).
  bool Allocate(SQLHANDLE AParent) {
    Reset();
    SQLHANDLE handle = SQL_NULL_HANDLE;
    if (!SQL_SUCCEEDED(SQLAllocHandle(AKind, AParent, &handle))) return false;
    FHandle = handle;
    return true;
  }
  SQLHANDLE Get() const { return FHandle; }
  explicit operator bool() const { return FHandle != SQL_NULL_HANDLE; }
  void Reset() {
    if (FHandle != SQL_NULL_HANDLE) SQLFreeHandle(AKind, std::exchange(FHandle, nullptr));
  }

 private:
  SQLHANDLE FHandle = SQL_NULL_HANDLE;
};

using TEnvironment = THandle<SQL_HANDLE_ENV>;
using TStatement = THandle<SQL_HANDLE_STMT>;

// A connection handle. A driver refuses to free a handle that is still
// connected, so the connection it opened is closed first.
class TConnection {
 public:
  TConnection() = default;
  ~TConnection() { Reset(); }
  TConnection(const TConnection&) = delete;
  TConnection& operator=(const TConnection&) = delete;

  bool Allocate(SQLHENV AEnvironment) { return FHandle.Allocate(AEnvironment); }
  // SQLDriverConnectW without any dialog.
  SQLRETURN Open(std::u16string_view AConnectionString);
  void Reset();

  SQLHDBC Get() const { return FHandle.Get(); }
  bool IsOpen() const { return FOpen; }

 private:
  THandle<SQL_HANDLE_DBC> FHandle;
  bool FOpen = false;
};

struct TDiagnostic {
  std::string State;    // SQLSTATE, five characters
  std::string Message;  // the driver manager's, driver's or server's text
};

// Every diagnostic record the last call left on the handle.
std::vector<TDiagnostic> Diagnostics(SQLSMALLINT AKind, SQLHANDLE AHandle);
// The messages, one per line (a record without text gives its SQLSTATE).
std::string DiagnosticText(const std::vector<TDiagnostic>& ARecords);

// UTF-16 text as the W functions take it.
inline SQLWCHAR* WideArgument(std::u16string& AText) {
  return reinterpret_cast<SQLWCHAR*>(AText.data());
}

}  // namespace Infrastructure::Database::Odbc
