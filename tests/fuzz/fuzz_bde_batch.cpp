// The BDE installer's batch file for arbitrary paths: always five ASCII lines
// ending in CR LF, every "%" of the path doubled, the path (or the batch file's
// own folder and the file name) coming back when cmd undoes the doubling; and
// version comparison that is antisymmetric.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "Infrastructure/BDE/WindowsBDEService.h"
#include "Infrastructure/Platform/FileSystem.h"

using Infrastructure::BDE::BuildInstallerBatch;
using Infrastructure::BDE::CompareVersions;

namespace {

void Check(bool ACondition, const char* AWhat) {
  if (ACondition) return;
  std::fprintf(stderr, "fuzz_bde_batch: %s\n", AWhat);
  std::abort();
}

// What cmd makes of the quoted text: "%%" is one "%"; a lone "%" would start a
// variable, which the text must never hold (apart from a leading "%~dp0").
bool Unescape(std::string_view AText, std::string& AResult) {
  AResult.clear();
  for (size_t i = 0; i < AText.size(); ++i) {
    if (AText[i] != '%') {
      AResult += AText[i];
    } else if (i + 1 < AText.size() && AText[i + 1] == '%') {
      AResult += '%';
      ++i;
    } else {
      return false;
    }
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* AData, size_t ASize) {
  const std::string path(reinterpret_cast<const char*>(AData), ASize);
  if (const auto text = BuildInstallerBatch(path)) {
    std::string lines[5];
    size_t start = 0;
    for (std::string& line : lines) {
      const size_t end = text->find("\r\n", start);
      Check(end != std::string::npos, "fewer than five lines");
      line = text->substr(start, end - start);
      Check(line.find_first_of("\r\n") == std::string::npos, "a line break inside a line");
      start = end + 2;
    }
    Check(start == text->size(), "more than five lines");
    for (const char c : *text) Check(static_cast<unsigned char>(c) < 0x80, "a byte outside ASCII");
    Check(lines[0] == "@echo off" && lines[4] == "del /f /q \"%~0\"", "fixed lines changed");

    const std::string& run = lines[3];
    Check(run.size() >= 2 && run.front() == '"' && run.back() == '"', "the run line is not one quoted name");
    std::string_view named = std::string_view(run).substr(1, run.size() - 2);
    std::string expected = path;
    if (named.substr(0, 5) == "%~dp0") {
      named.remove_prefix(5);
      expected = Infrastructure::Platform::FileNameOf(path);
    }
    std::string unescaped;
    Check(Unescape(named, unescaped), "a lone % in the run line");
    Check(unescaped == expected, "the run line does not name the installer");
    Check(named.find('"') == std::string_view::npos, "a quote inside the name");
    Check(lines[2].find("/v \"" + run.substr(1, run.size() - 2) + "\" /t REG_SZ") != std::string::npos,
          "the compatibility value names another file");
  }

  if (ASize < 2) return 0;
  const std::string_view rest = std::string_view(path).substr(1);
  const size_t split = AData[0] % (rest.size() + 1);
  const std::string_view left = rest.substr(0, split), right = rest.substr(split);
  const int result = CompareVersions(left, right);
  Check(result >= -1 && result <= 1, "comparison out of range");
  Check(CompareVersions(right, left) == -result, "comparison is not antisymmetric");
  Check(CompareVersions(left, left) == 0, "a version differs from itself");
  return 0;
}
