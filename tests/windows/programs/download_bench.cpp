// download_bench URL FOLDER [ROUNDS]
// Fetches the same URL with a bare WinHTTP read loop and with the launcher's
// download into a file (without and with a progress callback), in rounds whose
// order turns, and prints min/median/max of each and the median of the
// per-round time ratios to the bare loop. Run by bench/download/run.sh against the loopback test server.
#include <windows.h>
#include <winhttp.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "Infrastructure/Files/FileDownload.h"
#include "Infrastructure/Platform/Win32/WinHttpClient.h"
#include "Infrastructure/Platform/Win32/WinText.h"
#include "common/RoundStats.h"
#include "common/WinClock.h"

using Infrastructure::Platform::Win32::ToWide;

namespace {

// The loop of the WinHTTP documentation: ask what is available, read it, write
// it to the file with WriteFile. No options, no checks beyond the calls' own.
int64_t BareDownload(const std::string& AUrl, const std::string& APath, bool AWriteFile) {
  const std::wstring url = ToWide(AUrl);
  URL_COMPONENTS parts{};
  parts.dwStructSize = sizeof(parts);
  parts.dwHostNameLength = parts.dwUrlPathLength = parts.dwExtraInfoLength = static_cast<DWORD>(-1);
  if (!WinHttpCrackUrl(url.c_str(), 0, 0, &parts)) return -1;
  const std::wstring host(parts.lpszHostName, parts.dwHostNameLength);
  const std::wstring path(parts.lpszUrlPath, parts.dwUrlPathLength);
  HINTERNET session = WinHttpOpen(L"bench", WINHTTP_ACCESS_TYPE_DEFAULT_PROXY, nullptr, nullptr, 0);
  HINTERNET connection = WinHttpConnect(session, host.c_str(), parts.nPort, 0);
  HINTERNET request = WinHttpOpenRequest(connection, L"GET", path.c_str(), nullptr, nullptr, nullptr, 0);
  HANDLE file = AWriteFile ? CreateFileW(ToWide(APath).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                         FILE_ATTRIBUTE_NORMAL, nullptr)
                           : INVALID_HANDLE_VALUE;
  int64_t total = -1;
  if (request && WinHttpSendRequest(request, nullptr, 0, nullptr, 0, 0, 0) &&
      WinHttpReceiveResponse(request, nullptr)) {
    std::vector<char> buffer(64 * 1024);
    total = 0;
    for (;;) {
      DWORD available = 0;
      if (!WinHttpQueryDataAvailable(request, &available) || available == 0) break;
      DWORD read = 0;
      if (!WinHttpReadData(request, buffer.data(), std::min<DWORD>(available, buffer.size()), &read) || read == 0)
        break;
      if (file != INVALID_HANDLE_VALUE) {
        DWORD written = 0;
        WriteFile(file, buffer.data(), read, &written, nullptr);
      }
      total += read;
    }
  }
  if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
  WinHttpCloseHandle(request);
  WinHttpCloseHandle(connection);
  WinHttpCloseHandle(session);
  return total;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: download_bench URL FOLDER [ROUNDS]\n");
    return 2;
  }
  const std::string url = argv[1];
  const std::string file = std::string(argv[2]) + "\\download_bench.bin";
  const int rounds = Bench::RoundsFrom(argc > 3 ? argv[3] : nullptr, Bench::kMinRounds);

  Infrastructure::Platform::Win32::TWinHttpClient client;
  int64_t size = BareDownload(url, file, false);  // warms the server's page cache and tells the size
  if (size <= 0) {
    std::fprintf(stderr, "download_bench: %s gave nothing\n", url.c_str());
    return 1;
  }

  enum { kBareDiscard, kBareFile, kOurs, kOursProgress };
  Bench::TRounds ways({"bare WinHTTP loop, body discarded", "bare WinHTTP loop into a file",
                       "DownloadToFile, no progress", "DownloadToFile, with progress"});
  int64_t progressCalls = 0;
  const std::string loadBefore = Bench::MachineLoad();
  for (int round = 0; round < rounds; ++round) {
    for (size_t position = 0; position < ways.Count(); ++position) {
      const size_t index = ways.Order(round, position);
      const double start = Bench::Now();
      bool ok = false;
      switch (index) {
        case kBareDiscard:
          ok = BareDownload(url, file, false) == size;
          break;
        case kBareFile:
          ok = BareDownload(url, file, true) == size;
          break;
        case kOurs:
          ok = Infrastructure::Files::DownloadToFile(client, url, file, {}).Success;
          break;
        default:
          ok = Infrastructure::Files::DownloadToFile(client, url, file, [&](int64_t, int64_t) {
                 ++progressCalls;
               }).Success;
          break;
      }
      const double elapsed = Bench::Now() - start;
      if (!ok) {
        std::fprintf(stderr, "download_bench: way %zu failed\n", index);
        return 1;
      }
      ways.Add(index, elapsed);
    }
  }
  DeleteFileW(ToWide(file).c_str());

  const double megabytes = static_cast<double>(size) / (1024.0 * 1024.0);
  std::printf("file: %.0f MiB, %d rounds, contenders in turning order; load before %s, after %s\n", megabytes, rounds,
              loadBefore.c_str(), Bench::MachineLoad().c_str());
  ways.Print("seconds");
  std::printf("  progress calls per download: %lld\n", static_cast<long long>(progressCalls / rounds));
  // Time ratios: below 1.0 the launcher's download was the faster in the median round.
  std::printf(
      "median per-round time ratio DownloadToFile / bare loop into a file, no progress:   %.3f (target <= 1.0)\n",
      ways.RatioMedian(kOurs, kBareFile));
  std::printf(
      "median per-round time ratio DownloadToFile / bare loop into a file, with progress: %.3f (target <= 1.0)\n",
      ways.RatioMedian(kOursProgress, kBareFile));
  std::printf("median per-round time ratio DownloadToFile with progress / bare loop discarding:   %.3f\n",
              ways.RatioMedian(kOursProgress, kBareDiscard));
  return 0;
}
