// zip_bench ARCHIVE DESTINATION: one extraction, exit status 0 on success.
// bench/zip/run.sh times it next to Info-ZIP unzip.
#include <cstdio>

#include "Infrastructure/Files/ZipExtractor.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: zip_bench ARCHIVE DESTINATION\n");
    return 2;
  }
  if (Infrastructure::Files::ExtractZipArchive(argv[1], argv[2])) return 0;
  std::fprintf(stderr, "zip_bench: extraction failed\n");
  return 1;
}
