// Program entry: the service registry is filled before anything else, the
// windows are created in their order, the message loop runs until the splash
// window closes, and the windows go before the registry is emptied.
#include <windows.h>

#include <exception>

#include "Bootstrap/ServiceLocator.h"
#include "Infrastructure/Platform/ProcessInfo.h"
#include "Infrastructure/Platform/Win32/WinText.h"
#include "Presentation/Views/DSNSelector.h"
#include "Presentation/Views/DatabaseConfig.h"
#include "Presentation/Views/ODBCEditor.h"
#include "Presentation/Views/Splash.h"

namespace {

int RunMessageLoop() {
  MSG message;
  BOOL got;
  while ((got = GetMessageW(&message, nullptr, 0, 0)) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return got == 0 ? static_cast<int>(message.wParam) : 1;
}

void ReleaseWindows() {
  using namespace Presentation::Views;
  frmODBCEditor.reset();
  frmDSNSelector.reset();
  frmDatabaseConfig.reset();
  frmSplash.reset();
}

}  // namespace

int WINAPI wWinMain(HINSTANCE /*AInstance*/, HINSTANCE /*APrevious*/, PWSTR /*ACommandLine*/, int /*AShow*/) {
  using namespace Presentation::Views;
  try {
    Bootstrap::TServiceRegistration registration(
        Bootstrap::ParseLaunchSwitches(Infrastructure::Platform::CommandLineArguments()));
    InitCommonControlsOnce();
    // The first window created is the main window; the other two stay hidden
    // until they are needed.
    frmSplash = std::make_unique<TfrmSplash>();
    frmDSNSelector = std::make_unique<TfrmDSNSelector>(frmSplash->Handle());
    frmODBCEditor = std::make_unique<TfrmODBCEditor>(frmSplash->Handle());
    frmSplash->Show();
    const int exitCode = RunMessageLoop();
    ReleaseWindows();
    return exitCode;
  } catch (const std::exception& e) {
    ReleaseWindows();
    // A service or window that cannot be built stops the start with its reason.
    MessageBoxW(nullptr, Infrastructure::Platform::Win32::ToWide(e.what()).c_str(), L"QuorvaneSoft Launcher",
                MB_ICONERROR | MB_OK);
    return TfrmSplash::ExitFatalError;
  }
}
