#!/usr/bin/env bash
# bench/download/run.sh [WINDOWS_BUILD_DIR] [SIZE_MB] [ROUNDS]
# Under Wine, downloads one large file from the loopback test server with a
# bare WinHTTP read loop and with the launcher's download into a file (with
# and without a progress callback), side by side in one run, and prints the
# median per-round time ratios. The target: DownloadToFile at most 1.0x the
# bare loop into a file.
# Needs a Windows build (download_bench.exe in it).
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
. "$root/scripts/wine-arch.sh"
ql_windows_build "${1:-}"
build=$QL_WINDOWS_BUILD
size_mb=${2:-200}
rounds=${3:-9}
bench=$build/download_bench.exe
[ -f "$bench" ] || { echo "run.sh: $bench missing; build the Windows configuration first" >&2; exit 1; }

. "$root/scripts/wine-env.sh"
"$root/scripts/wine-prefix.sh" ensure

state=$(mktemp -d "$build/bench-download.XXXXXX")
cleanup() {
  bash "$root/tests/fixtures/servers/http.sh" stop "$state" || true
  rm -rf "$state"
}
trap cleanup EXIT
bash "$root/tests/fixtures/servers/http.sh" start "$state"
port=$(cat "$state/http.port")
head -c "$((size_mb * 1024 * 1024))" /dev/urandom >"$(cat "$state/http.root")/big.bin"
mkdir -p "$state/out"

echo "download benchmark: ${size_mb} MiB over loopback, $(wine --version)"
wine "$bench" "http://127.0.0.1:$port/files/big.bin" "Z:${state//\//\\}\\out" "$rounds"
