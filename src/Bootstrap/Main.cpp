// Program entry: the service registry is filled before anything else and
// emptied after the last window has gone.
#include <windows.h>

#include <exception>

#include "Bootstrap/ServiceLocator.h"
#include "Infrastructure/Platform/Win32/WinText.h"

int WINAPI wWinMain(HINSTANCE /*AInstance*/, HINSTANCE /*APrevious*/, PWSTR /*ACommandLine*/, int /*AShow*/) {
  try {
    Bootstrap::TServiceRegistration registration;
    // The windows and the message loop are created here once they exist.
    return 0;
  } catch (const std::exception& e) {
    // A service that cannot be built stops the start before any window shows.
    MessageBoxW(nullptr, Infrastructure::Platform::Win32::ToWide(e.what()).c_str(), L"QuorvaneSoft Launcher",
                MB_ICONERROR | MB_OK);
    return 1;
  }
}
