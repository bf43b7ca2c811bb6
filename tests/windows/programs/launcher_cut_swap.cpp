// launcher_cut_swap FOLDER PACKAGE FILES
// A launcher killed in the middle of an update: takes FOLDER's installation
// lock, stages the ZIP PACKAGE into it and ends at once, without releasing the
// lock or finishing anything, when FILES files of the swap have moved.
// Exit status 7 when it died as planned, 2 when the lock was busy.
#include <windows.h>

#include <cstdlib>

#include "Infrastructure/Files/PackageSwap.h"
#include "Infrastructure/Files/ZipExtractor.h"
#include "Infrastructure/Platform/InstallationLock.h"

int main(int argc, char** argv) {
  if (argc != 4) return 64;
  const std::string folder = argv[1];
  const int64_t cutAfter = std::atoi(argv[3]);
  const auto lock = Infrastructure::Platform::CreateInstallationLock(folder);
  if (!lock->TryAcquire()) return 2;
  Infrastructure::Files::TZipReader reader(argv[2]);
  Infrastructure::Files::SwapIn(Infrastructure::Files::StageZipArchive(reader, folder), folder,
                                [&](int64_t ADone, int64_t) {
                                  if (ADone == cutAfter) TerminateProcess(GetCurrentProcess(), 7);
                                });
  return 0;
}
