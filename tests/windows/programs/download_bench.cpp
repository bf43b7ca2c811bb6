// download_bench URL FOLDER [ROUNDS]
// Fetches the same URL with a bare WinHTTP read loop and with the launcher's
// download into a file (without and with a progress callback), in interleaved
// rounds, and prints the best throughput of each and the ratios to the bare
// loop. Run by bench/download/run.sh against the loopback test server.
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

using Infrastructure::Platform::Win32::ToWide;

namespace {

double Now() {
  static LARGE_INTEGER frequency = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return f;
  }();
  LARGE_INTEGER counter;
  QueryPerformanceCounter(&counter);
  return static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

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

struct TWay {
  const char* Name;
  double Best = 1e100;
};

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: download_bench URL FOLDER [ROUNDS]\n");
    return 2;
  }
  const std::string url = argv[1];
  const std::string file = std::string(argv[2]) + "\\download_bench.bin";
  const int rounds = argc > 3 ? std::max(1, std::atoi(argv[3])) : 5;

  Infrastructure::Platform::Win32::TWinHttpClient client;
  int64_t size = BareDownload(url, file, false);  // warms the server's page cache and tells the size
  if (size <= 0) {
    std::fprintf(stderr, "download_bench: %s gave nothing\n", url.c_str());
    return 1;
  }

  TWay ways[] = {{"bare WinHTTP loop, body discarded"},
                 {"bare WinHTTP loop into a file"},
                 {"DownloadToFile, no progress"},
                 {"DownloadToFile, with progress"}};
  int64_t progressCalls = 0;
  for (int round = 0; round < rounds; ++round) {
    for (int way = 0; way < 4; ++way) {
      // Rotated order, so no way always runs first in a round.
      const int index = (way + round) % 4;
      const double start = Now();
      bool ok = false;
      switch (index) {
        case 0:
          ok = BareDownload(url, file, false) == size;
          break;
        case 1:
          ok = BareDownload(url, file, true) == size;
          break;
        case 2:
          ok = Infrastructure::Files::DownloadToFile(client, url, file, {}).Success;
          break;
        case 3:
          ok = Infrastructure::Files::DownloadToFile(client, url, file, [&](int64_t, int64_t) {
                 ++progressCalls;
               }).Success;
          break;
      }
      const double elapsed = Now() - start;
      if (!ok) {
        std::fprintf(stderr, "download_bench: %s failed\n", ways[index].Name);
        return 1;
      }
      ways[index].Best = std::min(ways[index].Best, elapsed);
    }
  }
  DeleteFileW(ToWide(file).c_str());

  const double megabytes = static_cast<double>(size) / (1024.0 * 1024.0);
  std::printf("file: %.0f MiB, %d rounds, best of each\n", megabytes, rounds);
  for (const TWay& way : ways) std::printf("  %-34s %8.1f MiB/s\n", way.Name, megabytes / way.Best);
  std::printf("  progress calls per download: %lld\n", static_cast<long long>(progressCalls / rounds));
  const double bare = ways[1].Best;
  std::printf("ratio DownloadToFile / bare loop into a file, no progress:   %.3f\n", bare / ways[2].Best);
  std::printf("ratio DownloadToFile / bare loop into a file, with progress: %.3f\n", bare / ways[3].Best);
  std::printf("ratio DownloadToFile / bare loop discarding, with progress:  %.3f\n", ways[0].Best / ways[3].Best);
  return 0;
}
