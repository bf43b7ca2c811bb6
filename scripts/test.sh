#!/usr/bin/env bash
# Installs what the tests need, builds the native, Windows and fuzz
# configurations, and runs every suite. Exit status 0 only when all pass.
set -uo pipefail
cd "$(dirname "$0")/.."
root=$PWD

bash scripts/setup.sh || exit 1

jobs=$(nproc)
failed=()
step() {  # step NAME COMMAND...: runs a command, remembers a failure, goes on
  local name=$1; shift
  echo "=== $name"
  "$@" || failed+=("$name")
}

# Native: the portable core with the sanitizers.
step "native build" bash -c "cmake -S . -B build/native -G Ninja -DCMAKE_BUILD_TYPE=Debug >/dev/null && cmake --build build/native"
step "native tests" ctest --test-dir build/native --output-on-failure -j"$jobs"

# Windows: the product and the Windows test programs, run under Wine in a
# throwaway prefix that is removed afterwards.
export WINEPREFIX="$root/build/wineprefix-test"
scripts/wine-prefix.sh remove
trap 'scripts/wine-prefix.sh remove' EXIT
step "windows build" bash -c "cmake -S . -B build/windows -G Ninja -DCMAKE_BUILD_TYPE=MinSizeRel -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw-i686.cmake >/dev/null && cmake --build build/windows"
# The windows need a display: every Windows test runs inside one Xvfb, so the
# prefix's wineserver sees one display all along.
step "windows tests" xvfb-run -a -s "-screen 0 1280x1024x24" ctest --test-dir build/windows --output-on-failure

# Fuzzers: a short run of each; a longer one by hand (see README).
step "fuzz build" bash -c "cmake -S . -B build/fuzz -G Ninja -DQL_FUZZ=ON -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ >/dev/null && cmake --build build/fuzz"
step "fuzz runs" ctest --test-dir build/fuzz --output-on-failure -j"$jobs"

if [ ${#failed[@]} -ne 0 ]; then
  echo "FAILED: ${failed[*]}"
  exit 1
fi
echo "all suites passed"
