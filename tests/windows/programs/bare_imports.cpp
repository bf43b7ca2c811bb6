// The bare window again, with the launcher's DLL imports: what loading those
// DLLs costs a start under the same system, apart from anything the launcher does.
#include <windows.h>
// After windows.h, which they build on.
#include <bcrypt.h>
#include <commctrl.h>
#include <objbase.h>
#include <shellapi.h>
#include <sql.h>
#include <winhttp.h>

#include "BareWindow.h"

int main(int argc, char**) {
  // Never true: each call only makes the linker import its DLL.
  if (argc > 1000) {
    InitCommonControls();
    RegCloseKey(nullptr);
    BCryptCloseAlgorithmProvider(nullptr, 0);
    SQLFreeHandle(0, nullptr);
    CoUninitialize();
    ShellExecuteW(nullptr, nullptr, nullptr, nullptr, nullptr, 0);
    GetFileVersionInfoSizeW(nullptr, nullptr);
    WinHttpCloseHandle(nullptr);
  }
  return ShowBareWindow(L"QLBareImports");
}
