#!/usr/bin/env bash
# Installs what the tests need, builds the native, Windows and fuzz
# configurations, and runs every suite. Exit status 0 only when all pass.
#
# The Windows tests run the product's own 32-bit build where this machine runs
# 32-bit programs. Where it does not, they run the 64-bit twin (the same
# sources built for x86-64) under 64-bit Wine, and the 32-bit product is built,
# checked for its form and run end to end once through user-mode emulation.
# QL_WINE_ARCH=win32 or win64 forces either (README, "Windows tests").
set -uo pipefail
cd "$(dirname "$0")/.."
root=$PWD

bash scripts/setup.sh || exit 1
. scripts/wine-arch.sh
ql_choose_arch || exit 1

jobs=$(nproc)
failed=()
step() {  # step NAME COMMAND...: runs a command, remembers a failure, goes on
  local name=$1; shift
  echo "=== $name ($(date +%T))"
  local started=$SECONDS
  "$@" || failed+=("$name")
  echo "--- $name: $((SECONDS - started)) s"
}
windows_build() {  # windows_build FOLDER TOOLCHAIN [TARGET...]
  local folder=$1 toolchain=$2; shift 2
  local targets=()
  for t in "$@"; do targets+=(--target "$t"); done
  cmake -S . -B "$folder" -G Ninja -DCMAKE_BUILD_TYPE=MinSizeRel -DCMAKE_TOOLCHAIN_FILE="cmake/$toolchain" >/dev/null &&
    cmake --build "$folder" "${targets[@]}"
}
# The windows need a display: every Windows test runs inside one Xvfb, so the
# prefix's wineserver sees one display all along.
windows_tests() { xvfb-run -a -s "-screen 0 1280x1024x24" ctest --test-dir "$1" --output-on-failure; }
fuzz_suites() {
  step "fuzz build" bash -c "cmake -S . -B build/fuzz -G Ninja -DQL_FUZZ=ON -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ >/dev/null && cmake --build build/fuzz"
  step "fuzz runs" ctest --test-dir build/fuzz --output-on-failure -j"$jobs"
}

echo "=== Windows tests run on: $QL_WINE_ARCH ($QL_WINE_ARCH_WHY)"

# Native: the portable core with the sanitizers.
step "native build" bash -c "cmake -S . -B build/native -G Ninja -DCMAKE_BUILD_TYPE=Debug >/dev/null && cmake --build build/native"
step "native tests" ctest --test-dir build/native --output-on-failure -j"$jobs"

# Windows: run under Wine in a throwaway prefix that is removed afterwards.
export WINEPREFIX="$root/build/wineprefix-test"
cleanup() {
  scripts/wine-prefix.sh remove
  ql_emulation_off
}
trap cleanup EXIT
if [ "$QL_WINE_ARCH" = win32 ]; then
  # The product and every Windows test program, 32-bit. Forced on a machine
  # that refuses 32-bit programs, they run emulated (slowly).
  ql_emulation_on || failed+=("32-bit emulation")
  step "windows build" windows_build build/windows toolchain-mingw-i686.cmake
  step "windows tests" windows_tests build/windows
else
  step "product build (32-bit)" windows_build build/windows toolchain-mingw-i686.cmake QuorvaneSoftLauncher
  step "product form" ctest --test-dir build/windows -R '^launcher_executable_format$' --output-on-failure
  step "windows build (64-bit twin)" windows_build build/windows64 toolchain-mingw-x86_64.cmake
  step "windows tests (64-bit twin)" windows_tests build/windows64
  scripts/wine-prefix.sh remove
  # The fuzzers (below) meanwhile, at the lowest priority: the emulated run
  # keeps about one core busy for minutes and leaves the other idle. Their
  # output follows its own.
  mkdir -p build
  (
    renice -n 19 -p "$BASHPID" >/dev/null
    failed=()
    fuzz_suites
    printf '%s\n' "${failed[@]}" >build/fuzz.failed
  ) >build/fuzz.log 2>&1 &
  fuzz_pid=$!
  # The product itself once, end to end: configuration present, database
  # reachable, an update installed from the loopback server, the application
  # started. Emulated where the kernel refuses 32-bit programs.
  step "product end to end (32-bit)" env QL_WINE_ARCH=win32 bash scripts/demo.sh --update-only
  wait "$fuzz_pid" || failed+=("fuzz")
  cat build/fuzz.log
  while IFS= read -r name; do [ -n "$name" ] && failed+=("$name"); done <build/fuzz.failed
fi

# Fuzzers: a short run of each; a longer one by hand (see README). Beside the
# emulated run above where there is one.
if [ "$QL_WINE_ARCH" = win32 ]; then fuzz_suites; fi

echo "Windows tests ran on: $QL_WINE_ARCH ($QL_WINE_ARCH_WHY)"
if [ ${#failed[@]} -ne 0 ]; then
  echo "FAILED: ${failed[*]}"
  exit 1
fi
echo "all suites passed"
