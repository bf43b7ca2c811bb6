// Start-up road timings under Wine, side by side in one run:
//  1. the package download inside the update road (from "Baixando de" to
//     "Download completo") against the file service's DownloadFile alone, on
//     the same file from the same server;
//  2. StartValidation to the launch on the happy path (no update, BDE
//     present), whose specified pauses add up to 0 ms;
//  3. with the launcher program given: the whole launcher process, from its
//     start to its splash shown (against bare programs showing one window)
//     and to the application it started, against the application started
//     directly (the launcher waits a specified 500 ms before validating);
//  4. the exit: from OK on the error box, or from the close button (also
//     during a download), to the end of the launcher process.
// Every part runs its contenders in turning order for at least 9 rounds and
// prints min/median/max and the median of the per-round ratios.
// Usage: startup_bench <launcher folder> <package URL> <rounds> [launcher program]
// The folder holds Config.ini (data source and release URL) and the
// application; bench/startup/run.sh prepares it all.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <vector>

#include "Bootstrap/Composition.h"
#include "Bootstrap/Win32/SplashComposition.h"
#include "Infrastructure/BDE/WindowsBDEService.h"
#include "Infrastructure/Config/IniConfigService.h"
#include "Infrastructure/Files/WindowsFileService.h"
#include "Infrastructure/Platform/Crypto.h"
#include "Infrastructure/Platform/FileSystem.h"
#include "Infrastructure/Platform/Win32/WinText.h"
#include "Infrastructure/Translator/PortugueseTranslator.h"
#include "common/RoundStats.h"
#include "common/WinClock.h"

using Presentation::ViewModels::TAppState;

namespace {

double NowMs() {
  return 1000.0 * Bench::Now();
}

// The road's log, kept for a road that went wrong.
class TTraceLogger : public Core::Interfaces::ILoggerService {
 public:
  explicit TTraceLogger(std::string& ATrace) : FTrace(ATrace) {}
  void Info(const std::string& AMessage) override { Log("INFO", AMessage); }
  void Warning(const std::string& AMessage) override { Log("WARN", AMessage); }
  void Error(const std::string& AMessage, const std::exception* AException) override {
    Log("ERROR", AMessage + (AException != nullptr ? std::string(" | ") + AException->what() : std::string()));
  }
  void Debug(const std::string& AMessage) override { Log("DEBUG", AMessage); }
  void Log(const std::string& ALevel, const std::string& AMessage) override {
    const std::lock_guard lock(FLock);
    FTrace += "  " + ALevel + " " + AMessage + "\n";
  }

 private:
  std::mutex FLock;
  std::string& FTrace;
};

struct TRoadTimes {
  double Start = 0, DownloadBegin = 0, DownloadEnd = 0, Launch = 0;
  bool Launched = false;
  std::string LastMessage;
  std::string Trace;  // every report, for a road that went wrong
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
  TRoadTimes times;
  const auto logger = std::make_shared<TTraceLogger>(times.Trace);
  auto bdePorts = Infrastructure::BDE::TBDEServicePorts::Defaults();
  bdePorts.DefaultBDEDirectory = ABDEFolder;
  const Bootstrap::TSplashServices services{
      std::make_shared<Infrastructure::Config::TIniConfigService>(AFolder, std::vector<std::string>{}), files,
      std::make_shared<Infrastructure::Translator::TPortugueseTranslator>(), logger,
      std::make_shared<Infrastructure::BDE::TWindowsBDEService>(files, bdePorts)};
  auto viewModel = Bootstrap::CreateSplashViewModel(services, Bootstrap::Win32::CreateSplashPlatform(launcher));
  bool ended = false;
  viewModel->SetOnStateChanged([&](TAppState AState, const std::string& AMessage, int32_t AProgress) {
    times.LastMessage = AMessage;
    logger->Log("STATE", std::to_string(static_cast<int>(AState)) + " " + std::to_string(AProgress) + " " + AMessage);
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
    RegCreateKeyExW(HKEY_LOCAL_MACHINE, kKey, 0, nullptr, 0, KEY_READ | KEY_SET_VALUE | KEY_WOW64_32KEY, nullptr, &FKey,
                    nullptr);  // the launcher's view
    DWORD size = sizeof(FOld) - sizeof(wchar_t);
    FHadValue =
        RegQueryValueExW(FKey, L"DLLPATH", nullptr, nullptr, reinterpret_cast<BYTE*>(FOld), &size) == ERROR_SUCCESS;
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

// The splash's message, read from the other process.
std::wstring SplashMessage(HWND ASplash) {
  wchar_t text[256] = {};
  SendMessageTimeoutW(GetDlgItem(ASplash, 105), WM_GETTEXT, 256, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 1000,
                      nullptr);
  return text;
}

HWND WindowOf(DWORD AProcessId, const wchar_t* AClass) {
  for (HWND window = FindWindowW(AClass, nullptr); window != nullptr;
       window = FindWindowExW(nullptr, window, AClass, nullptr)) {
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process == AProcessId && IsWindowVisible(window)) return window;
  }
  return nullptr;
}

// Starts the launcher, waits until AReady(process id) gives a window to act
// on, calls AAct on it and answers the milliseconds from that act to the end
// of the process (-1: it never got there), and in AGoneMs those until no
// window of the launcher was visible any more.
template <typename TReady, typename TAct>
double TimeToExit(const std::string& AProgram, const wchar_t* AMainClass, TReady AReady, TAct AAct, double& AGoneMs,
                  const std::wstring& AArguments = L"") {
  std::wstring commandLine = L"\"" + Infrastructure::Platform::Win32::ToWide(AProgram) + L"\"" + AArguments;
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process{};
  AGoneMs = -1;
  if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
    return -1;
  double elapsed = -1;
  HWND target = nullptr;
  for (int i = 0; i < 30000 && target == nullptr; ++i) {
    if (WaitForSingleObject(process.hProcess, 1) == WAIT_OBJECT_0) break;
    target = AReady(process.dwProcessId);
  }
  if (target != nullptr) {
    const double start = NowMs();
    AAct(target);
    while (WaitForSingleObject(process.hProcess, 1) != WAIT_OBJECT_0 && NowMs() - start < 30000) {
      if (AGoneMs < 0 && WindowOf(process.dwProcessId, AMainClass) == nullptr &&
          WindowOf(process.dwProcessId, L"#32770") == nullptr)
        AGoneMs = NowMs() - start;
    }
    if (WaitForSingleObject(process.hProcess, 0) == WAIT_OBJECT_0) elapsed = NowMs() - start;
    if (AGoneMs < 0) AGoneMs = elapsed;
  }
  if (WaitForSingleObject(process.hProcess, 0) != WAIT_OBJECT_0) TerminateProcess(process.hProcess, 99);
  WaitForSingleObject(process.hProcess, 30000);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return elapsed;
}

// The application the last round started may still be running: its file is
// replaced once it has ended.
bool CopyTo(const std::string& ASource, const std::string& ATarget) {
  for (int attempt = 0; attempt < 500; ++attempt) {
    if (CopyFileW(Infrastructure::Platform::Win32::ToWide(ASource).c_str(),
                  Infrastructure::Platform::Win32::ToWide(ATarget).c_str(), FALSE))
      return true;
    Sleep(20);
  }
  std::fprintf(stderr, "could not copy %s to %s\n", ASource.c_str(), ATarget.c_str());
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: startup_bench <launcher folder> <package URL> <rounds> [launcher program]\n");
    return 2;
  }
  const std::string folder = argv[1];
  const std::string packageUrl = argv[2];
  const int rounds = Bench::RoundsFrom(argv[3], Bench::kMinRounds);
  const std::string config = Infrastructure::Platform::JoinPath(folder, "Config.ini");
  const auto cfg = [&](const char* AKind) {
    return Infrastructure::Platform::JoinPath(folder, std::string(AKind) + ".cfg");
  };
  const std::string application = Infrastructure::Platform::JoinPath(folder, "QuorvaneSoft.exe");
  const std::string oldApplication = Infrastructure::Platform::JoinPath(folder, "old.exe");
  const std::string bdeFolder = Infrastructure::Platform::JoinPath(folder, "BDE");
  std::printf("rounds: %d, contenders in turning order; load at the start %s\n", rounds, Bench::MachineLoad().c_str());

  enum { kAlone, kRoad, kHash, kHappy };
  Bench::TRounds road({"DownloadFile alone", "download inside the update road (verified)",
                       "SHA-256 (CNG) of the package in memory", "StartValidation to launch, happy path"});
  std::string package;
  for (int round = 0; round < rounds; ++round) {
    for (size_t position = 0; position < road.Count(); ++position) {
      const size_t contender = road.Order(round, position);
      if (contender == kAlone) {
        const std::string target = Infrastructure::Platform::JoinPath(folder, "alone.zip");
        const double start = NowMs();
        if (!FileService(Infrastructure::Platform::JoinPath(folder, "x.exe"))->DownloadFile(packageUrl, target)) {
          std::fprintf(stderr, "download failed\n");
          return 1;
        }
        road.Add(kAlone, NowMs() - start);
        if (package.empty()) package = Infrastructure::Platform::ReadFileBytes(target);
        Infrastructure::Platform::RemoveFile(target);
      } else if (contender == kRoad) {
        // The old application, a release that asks for the package with its size and digest.
        CopyTo(oldApplication, application);
        CopyTo(cfg("update"), config);
        const TRoadTimes update = RunRoad(folder, bdeFolder);
        if (!update.Launched || update.DownloadEnd == 0) {
          std::fprintf(stderr, "update road did not finish:\n%s", update.Trace.c_str());
          return 1;
        }
        road.Add(kRoad, update.DownloadEnd - update.DownloadBegin);
      } else if (contender == kHash) {
        if (package.empty()) {
          // Before the first download: this round's hash is left out.
          continue;
        }
        const double start = NowMs();
        Infrastructure::Platform::TSha256 hash;
        for (size_t offset = 0; offset < package.size(); offset += 64 * 1024)
          hash.Update(package.data() + offset, std::min<size_t>(64 * 1024, package.size() - offset));
        hash.Finish();
        road.Add(kHash, NowMs() - start);
      } else {
        CopyTo(cfg("happy"), config);
        const TRoadTimes quick = RunRoad(folder, bdeFolder);
        if (!quick.Launched) {
          std::fprintf(stderr, "happy path did not launch: %s\n", quick.LastMessage.c_str());
          return 1;
        }
        road.Add(kHappy, quick.Launch - quick.Start);
      }
    }
  }
  road.Print("ms");
  std::printf("median per-round speed ratio update-road download / DownloadFile: %.3f (target >= 0.95)\n",
              road.RatioMedian(kAlone, kRoad));
  std::printf("hashing the package: %.1f%% of DownloadFile's median time (it runs as the bytes arrive)\n",
              100.0 * road.MedianOf(kHash) / road.MedianOf(kAlone));
  std::printf("happy path StartValidation to launch: median %.1f ms (specified pauses 0 ms; target <= 300 ms)\n",
              road.MedianOf(kHappy));
  if (argc < 5) return 0;

  // The launcher program beside the application, on the happy path.
  const std::string launcherCopy = Infrastructure::Platform::JoinPath(folder, "QuorvaneSoftLauncher.exe");
  CopyTo(argv[4], launcherCopy);
  CopyTo(cfg("happy"), config);
  const TBDEKeyForRun bde(bdeFolder);
  const std::string programs = Infrastructure::Platform::ModuleDirectory();
  const std::string bareWindow = Infrastructure::Platform::JoinPath(programs, "bare_window.exe");
  const std::string bareImports = Infrastructure::Platform::JoinPath(programs, "bare_imports.exe");
  enum { kBare, kBareImports, kSplash, kDirect, kLauncher };
  Bench::TRounds start({"a bare program to its window shown", "the same with the launcher's imports",
                        "launcher process to its splash shown", "the application started directly",
                        "launcher process to the application"});
  for (int round = 0; round < rounds; ++round) {
    // The splash and the launch are one run of the launcher: three runs turn.
    for (size_t position = 0; position < 3; ++position) {
      double shown = -1;
      switch ((position + static_cast<size_t>(round)) % 3) {
        case 0:
          TimeUntilMarker(bareWindow, "", &shown, L"QLBareWindow");
          start.Add(kBare, shown);
          TimeUntilMarker(bareImports, "", &shown, L"QLBareImports");
          start.Add(kBareImports, shown);
          break;
        case 1:
          start.Add(kDirect, TimeUntilMarker(application, application + ".started"));
          break;
        default: {
          const double launched = TimeUntilMarker(launcherCopy, application + ".started", &shown);
          if (launched < 0) {
            std::fprintf(stderr, "the launcher did not start the application\n");
            return 1;
          }
          start.Add(kSplash, shown);
          start.Add(kLauncher, launched);
          break;
        }
      }
    }
  }
  start.Print("ms");
  std::printf("median per-round ratio splash shown / bare window shown:          %.2f (target <= 2.0)\n",
              start.RatioMedian(kSplash, kBare));
  std::printf("median per-round ratio splash shown / bare window with imports:   %.2f\n",
              start.RatioMedian(kSplash, kBareImports));
  std::printf(
      "the launcher's own share of a start: %.1f ms (median; beyond the specified 500 ms wait; target <= 300)\n",
      start.MedianOf(kLauncher) - start.MedianOf(kDirect) - 500.0);

  // Exit: from the act to the end of the process, and to no window shown;
  // beside the launcher, a bare program that hides and destroys a window of
  // the splash's styles the same way.
  const auto splashShowing = [](const wchar_t* AMessageStart) {
    return [AMessageStart](DWORD AProcess) -> HWND {
      const HWND splash = WindowOf(AProcess, L"TfrmSplash");
      return splash != nullptr && SplashMessage(splash).rfind(AMessageStart, 0) == 0 ? splash : nullptr;
    };
  };
  const auto okButton = [](DWORD AProcess) -> HWND {
    const HWND box = WindowOf(AProcess, L"#32770");
    return box != nullptr ? GetDlgItem(box, IDOK) : nullptr;
  };
  const auto clickOk = [](HWND AOk) { PostMessageW(AOk, BM_CLICK, 0, 0); };
  const auto clickClose = [](HWND AWindow) { PostMessageW(AWindow, WM_COMMAND, MAKEWPARAM(102, BN_CLICKED), 0); };
  const std::string bareExit = Infrastructure::Platform::JoinPath(programs, "bare_exit.exe");
  enum { kErrorBox, kBareBox, kCloseIdle, kCloseDownloading, kBareClose };
  const std::vector<std::string> exitNames{"OK on the error box (download refused)", "bare: OK on a box, window hidden",
                                           "close button as the splash first shows", "close button during a download",
                                           "bare: close, window hidden"};
  Bench::TRounds exits(exitNames), gone(exitNames);
  for (int round = 0; round < rounds; ++round) {
    for (size_t position = 0; position < exits.Count(); ++position) {
      const size_t contender = exits.Order(round, position);
      double goneMs = -1, exitMs = -1;
      CopyTo(oldApplication, application);
      switch (contender) {
        case kErrorBox:
          CopyTo(cfg("error"), config);
          exitMs = TimeToExit(launcherCopy, L"TfrmSplash", okButton, clickOk, goneMs);
          break;
        case kBareBox:
          exitMs = TimeToExit(bareExit, L"QLBareExit", okButton, clickOk, goneMs, L" box");
          break;
        case kCloseIdle:
          // At first sight of the splash, before the validation starts.
          CopyTo(cfg("happy"), config);
          exitMs = TimeToExit(launcherCopy, L"TfrmSplash", splashShowing(L""), clickClose, goneMs);
          break;
        case kCloseDownloading:
          CopyTo(cfg("trickle"), config);
          exitMs = TimeToExit(launcherCopy, L"TfrmSplash", splashShowing(L"Baixando"), clickClose, goneMs);
          break;
        default:
          exitMs = TimeToExit(
              bareExit, L"QLBareExit", [](DWORD AProcess) { return WindowOf(AProcess, L"QLBareExit"); }, clickClose,
              goneMs, L" close");
          break;
      }
      if (exitMs < 0) {
        std::fprintf(stderr, "exit case %zu did not end\n", contender);
        return 1;
      }
      exits.Add(contender, exitMs);
      gone.Add(contender, goneMs);
    }
  }
  CopyTo(cfg("happy"), config);
  std::printf("exit: from the act to the end of the launcher process (target <= 500 ms)\n");
  exits.Print("ms");
  std::printf("median per-round ratio launcher / bare, error box:    %.2f\n", exits.RatioMedian(kErrorBox, kBareBox));
  std::printf("median per-round ratio launcher / bare, close button: %.2f (during a download %.2f)\n",
              exits.RatioMedian(kCloseIdle, kBareClose), exits.RatioMedian(kCloseDownloading, kBareClose));
  std::printf("exit: from the act to no window of the program on screen\n");
  gone.Print("ms");
  std::printf("load at the end %s\n", Bench::MachineLoad().c_str());
  return 0;
}
