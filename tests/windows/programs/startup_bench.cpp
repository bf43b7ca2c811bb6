// Start-up road timings under Wine, side by side in one run:
//  1. the package download inside the update road (from "Baixando de" to
//     "Download completo") against the file service's DownloadFile alone, on
//     the same file from the same server;
//  2. StartValidation to the launch on the happy path (no update, BDE
//     present), whose specified pauses add up to 0 ms;
//  3. with the launcher program given: the whole launcher process, from its
//     start to the application it started, against the application started
//     directly (the launcher waits a specified 500 ms before validating).
// Usage: startup_bench <launcher folder> <package URL> <rounds> [launcher program]
// The folder holds Config.ini (data source and release URL) and the
// application; bench/startup/run.sh prepares it all.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "Bootstrap/Composition.h"
#include "Bootstrap/Win32/SplashComposition.h"
#include "Infrastructure/BDE/WindowsBDEService.h"
#include "Infrastructure/Config/IniConfigService.h"
#include "Infrastructure/Files/WindowsFileService.h"
#include "Infrastructure/Logging/DebugLoggerService.h"
#include "Infrastructure/Platform/FileSystem.h"
#include "Infrastructure/Platform/Win32/WinText.h"
#include "Infrastructure/Translator/PortugueseTranslator.h"

using Presentation::ViewModels::TAppState;

namespace {

double NowMs() {
  LARGE_INTEGER frequency, counter;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&counter);
  return 1000.0 * static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

struct TRoadTimes {
  double Start = 0, DownloadBegin = 0, DownloadEnd = 0, Launch = 0;
  bool Launched = false;
  std::string LastMessage;
};

std::shared_ptr<Infrastructure::Files::TWindowsFileService> FileService(const std::string& ALauncher) {
  auto ports = Infrastructure::Files::TFileServicePorts::Defaults();
  ports.LauncherPath = ALauncher;
  ports.ApplicationFolders.clear();
  return std::make_shared<Infrastructure::Files::TWindowsFileService>(ports);
}

// One road from StartValidation, with the real pauses, pumping this thread.
TRoadTimes RunRoad(const std::string& AFolder, const std::string& ABDEFolder) {
  const std::string launcher = Infrastructure::Platform::JoinPath(AFolder, "QuorvaneSoftLauncher.exe");
  auto files = FileService(launcher);
  auto bdePorts = Infrastructure::BDE::TBDEServicePorts::Defaults();
  bdePorts.DefaultBDEDirectory = ABDEFolder;
  const Bootstrap::TSplashServices services{
      std::make_shared<Infrastructure::Config::TIniConfigService>(AFolder, std::vector<std::string>{}), files,
      std::make_shared<Infrastructure::Translator::TPortugueseTranslator>(),
      std::make_shared<Infrastructure::Logging::TDebugLoggerService>(),
      std::make_shared<Infrastructure::BDE::TWindowsBDEService>(files, bdePorts)};
  auto viewModel = Bootstrap::CreateSplashViewModel(services, Bootstrap::Win32::CreateSplashPlatform(launcher));
  TRoadTimes times;
  bool ended = false;
  viewModel->SetOnStateChanged([&](TAppState AState, const std::string& AMessage, int32_t AProgress) {
    times.LastMessage = AMessage;
    if (AState == TAppState::DownloadingApplication && AProgress == 60 && times.DownloadBegin == 0)
      times.DownloadBegin = NowMs();
    if (AState == TAppState::InstallingUpdate && AProgress == 90) times.DownloadEnd = NowMs();
    if (AState == TAppState::Error || AState == TAppState::BDEMissing) ended = true;
  });
  viewModel->SetOnLaunchApplication([&] {
    times.Launch = NowMs();
    times.Launched = ended = true;
  });
  times.Start = NowMs();
  viewModel->StartValidation();
  for (int i = 0; i < 60000 && (!ended || viewModel.use_count() > 1); ++i) {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
  }
  return times;
}

// Whether a visible window of AClass belongs to AProcessId.
bool WindowShown(DWORD AProcessId, const wchar_t* AClass) {
  for (HWND window = FindWindowW(AClass, nullptr); window != nullptr;
       window = FindWindowExW(nullptr, window, AClass, nullptr)) {
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process == AProcessId && IsWindowVisible(window)) return true;
  }
  return false;
}

// Starts AProgram and answers the milliseconds until AMarker exists (-1 on
// failure; no marker: until the program ended), and in AShownMs those until a
// window of AClass was on screen (-1 for none); the program is waited for
// before answering.
double TimeUntilMarker(const std::string& AProgram, const std::string& AMarker, double* AShownMs = nullptr,
                       const wchar_t* AClass = L"TfrmSplash") {
  if (!AMarker.empty()) Infrastructure::Platform::RemoveFile(AMarker);
  std::wstring commandLine = L"\"" + Infrastructure::Platform::Win32::ToWide(AProgram) + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process{};
  const double start = NowMs();
  if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
    return -1;
  double elapsed = -1;
  if (AShownMs != nullptr) *AShownMs = -1;
  for (int i = 0; i < 20000 && elapsed < 0; ++i) {
    if (AShownMs != nullptr && *AShownMs < 0 && WindowShown(process.dwProcessId, AClass)) *AShownMs = NowMs() - start;
    if (AMarker.empty() ? WaitForSingleObject(process.hProcess, 0) == WAIT_OBJECT_0
                        : Infrastructure::Platform::FileExists(AMarker))
      elapsed = NowMs() - start;
    else
      Sleep(1);
  }
  WaitForSingleObject(process.hProcess, 30000);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return elapsed;
}

// The BDE as the launcher program finds it, in AFolder, for the run; the
// value the prefix had comes back afterwards.
class TBDEKeyForRun {
 public:
  explicit TBDEKeyForRun(const std::string& AFolder) {
    RegCreateKeyExW(HKEY_LOCAL_MACHINE, kKey, 0, nullptr, 0, KEY_READ | KEY_SET_VALUE, nullptr, &FKey, nullptr);
    DWORD size = sizeof(FOld) - sizeof(wchar_t);
    FHadValue = RegQueryValueExW(FKey, L"DLLPATH", nullptr, nullptr, reinterpret_cast<BYTE*>(FOld), &size) ==
                ERROR_SUCCESS;
    Set(Infrastructure::Platform::Win32::ToWide(AFolder));
  }
  ~TBDEKeyForRun() {
    if (FHadValue)
      Set(FOld);
    else
      RegDeleteValueW(FKey, L"DLLPATH");
    RegCloseKey(FKey);
  }

 private:
  static constexpr const wchar_t* kKey = L"SOFTWARE\\Borland\\Database Engine";
  void Set(const std::wstring& AValue) {
    RegSetValueExW(FKey, L"DLLPATH", 0, REG_SZ, reinterpret_cast<const BYTE*>(AValue.c_str()),
                   static_cast<DWORD>((AValue.size() + 1) * sizeof(wchar_t)));
  }
  HKEY FKey = nullptr;
  wchar_t FOld[MAX_PATH] = {};
  bool FHadValue = false;
};

double Median(std::vector<double> AValues) {
  std::sort(AValues.begin(), AValues.end());
  return AValues.empty() ? 0 : AValues[AValues.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: startup_bench <launcher folder> <package URL> <rounds> [launcher program]\n");
    return 2;
  }
  const std::string folder = argv[1];
  const std::string packageUrl = argv[2];
  const int rounds = std::max(1, std::atoi(argv[3]));
  const std::string config = Infrastructure::Platform::JoinPath(folder, "Config.ini");
  const std::string updateConfig = Infrastructure::Platform::JoinPath(folder, "update.cfg");
  const std::string happyConfig = Infrastructure::Platform::JoinPath(folder, "happy.cfg");
  const std::string application = Infrastructure::Platform::JoinPath(folder, "QuorvaneSoft.exe");
  const std::string oldApplication = Infrastructure::Platform::JoinPath(folder, "old.exe");
  const std::string bdeFolder = Infrastructure::Platform::JoinPath(folder, "BDE");

  std::vector<double> alone, inRoad, happy;
  for (int round = 0; round < rounds; ++round) {
    // DownloadFile alone.
    const std::string target = Infrastructure::Platform::JoinPath(folder, "alone.zip");
    const double start = NowMs();
    if (!FileService(Infrastructure::Platform::JoinPath(folder, "x.exe"))->DownloadFile(packageUrl, target)) {
      std::fprintf(stderr, "download failed\n");
      return 1;
    }
    alone.push_back(NowMs() - start);
    Infrastructure::Platform::RemoveFile(target);

    // The update road: the old application, a release that asks for the package.
    CopyFileW(Infrastructure::Platform::Win32::ToWide(oldApplication).c_str(),
              Infrastructure::Platform::Win32::ToWide(application).c_str(), FALSE);
    CopyFileW(Infrastructure::Platform::Win32::ToWide(updateConfig).c_str(),
              Infrastructure::Platform::Win32::ToWide(config).c_str(), FALSE);
    const TRoadTimes update = RunRoad(folder, bdeFolder);
    if (!update.Launched || update.DownloadEnd == 0) {
      std::fprintf(stderr, "update road did not finish: %s\n", update.LastMessage.c_str());
      return 1;
    }
    inRoad.push_back(update.DownloadEnd - update.DownloadBegin);

    // The happy path: up to date, BDE present.
    CopyFileW(Infrastructure::Platform::Win32::ToWide(happyConfig).c_str(),
              Infrastructure::Platform::Win32::ToWide(config).c_str(), FALSE);
    const TRoadTimes quick = RunRoad(folder, bdeFolder);
    if (!quick.Launched) {
      std::fprintf(stderr, "happy path did not launch: %s\n", quick.LastMessage.c_str());
      return 1;
    }
    happy.push_back(quick.Launch - quick.Start);
  }
  const double aloneMs = Median(alone), roadMs = Median(inRoad), happyMs = Median(happy);
  std::printf("rounds: %d (medians)\n", rounds);
  std::printf("  DownloadFile alone                    %8.1f ms\n", aloneMs);
  std::printf("  download inside the update road       %8.1f ms\n", roadMs);
  std::printf("ratio update-road download speed / DownloadFile speed: %.3f (target >= 0.95)\n", aloneMs / roadMs);
  std::printf("  StartValidation to launch, happy path %8.1f ms (specified pauses 0 ms; target <= 300 ms)\n", happyMs);
  if (argc < 5) return 0;

  // The launcher program beside the application, on the happy path.
  const std::string launcherCopy = Infrastructure::Platform::JoinPath(folder, "QuorvaneSoftLauncher.exe");
  CopyFileW(Infrastructure::Platform::Win32::ToWide(argv[4]).c_str(),
            Infrastructure::Platform::Win32::ToWide(launcherCopy).c_str(), FALSE);
  CopyFileW(Infrastructure::Platform::Win32::ToWide(happyConfig).c_str(),
            Infrastructure::Platform::Win32::ToWide(config).c_str(), FALSE);
  const TBDEKeyForRun bde(bdeFolder);
  const std::string bareWindow =
      Infrastructure::Platform::JoinPath(Infrastructure::Platform::ModuleDirectory(), "bare_window.exe");
  std::vector<double> direct, throughLauncher, splash, bare;
  for (int round = 0; round < rounds; ++round) {
    double shown = -1, bareShown = -1;
    TimeUntilMarker(bareWindow, "", &bareShown, L"QLBareWindow");
    bare.push_back(bareShown);
    const double alone = TimeUntilMarker(application, application + ".started");
    const double launched = TimeUntilMarker(launcherCopy, application + ".started", &shown);
    splash.push_back(shown);
    if (alone < 0 || launched < 0) {
      std::fprintf(stderr, "the application did not start (directly %.0f, through the launcher %.0f)\n", alone,
                   launched);
      return 1;
    }
    direct.push_back(alone);
    throughLauncher.push_back(launched);
  }
  const double directMs = Median(direct), launcherMs = Median(throughLauncher);
  std::printf("  the application started directly      %8.1f ms\n", directMs);
  std::printf("  a bare program to its window shown     %8.1f ms\n", Median(bare));
  std::printf("  launcher process to its splash shown  %8.1f ms\n", Median(splash));
  std::printf("  launcher process to the application   %8.1f ms (of which 500 ms are the specified wait)\n",
              launcherMs);
  std::printf("the launcher's own share of a start: %.1f ms\n", launcherMs - directMs - 500.0);
  return 0;
}
