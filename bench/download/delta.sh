#!/usr/bin/env bash
# bench/download/delta.sh [WINDOWS_BUILD_DIR] [ROUNDS]
# Under Wine, over WinHTTP and nginx on loopback paced to a branch office's
# 10 Mbit/s: an update of the 5,000-file package with 1 % of its files changed,
# fetched and installed whole against only its changed entries (with the
# package's manifest), side by side in one run; then a download cut at 60 %
# and fetched again. Targets: changed only at most 0.2x the whole package's
# time; in all, at most the package's size plus 1 MiB after a cut.
# Uses the archives bench/zip/run.sh makes (made here when missing); needs a
# Windows build (delta_bench.exe in it).
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
. "$root/scripts/wine-arch.sh"
ql_windows_build "${1:-}"
build=$QL_WINDOWS_BUILD
rounds=${2:-9}
bench=$build/delta_bench.exe
[ -f "$bench" ] || { echo "delta.sh: $bench missing; build the Windows configuration first" >&2; exit 1; }
for tool in zip unzip python3; do
  command -v "$tool" >/dev/null || { echo "delta.sh: $tool missing (scripts/setup.sh installs it)" >&2; exit 1; }
done

work=$root/build/bench-native/zip-bench
mkdir -p "$work"
. "$root/bench/zip/archives.sh"
make_small 5000
make_delta

. "$root/scripts/wine-env.sh"
"$root/scripts/wine-prefix.sh" ensure
state=$(mktemp -d "$build/bench-delta.XXXXXX")
cleanup() {
  bash "$root/tests/fixtures/servers/nginx.sh" stop "$state" || true
  rm -rf "$state"
}
trap cleanup EXIT
bash "$root/tests/fixtures/servers/nginx.sh" start "$state"
[ -f "$state/nginx.port" ] || { echo "delta.sh: $(cat "$state/nginx.skip")" >&2; exit 1; }
port=$(cat "$state/nginx.port")
package=$work/small-5000-delta.zip
cp "$package" "$package.manifest" "$state/nginx-root/"
digest() { sha256sum "$1" | cut -d' ' -f1; }
mkdir -p "$state/work"

echo "delta update benchmark: $(basename "$package") ($(stat -c %s "$package") bytes, manifest $(stat -c %s "$package.manifest")), $(wine --version)"
wine "$bench" "http://127.0.0.1:$port/paced/small-5000-delta.zip" "http://127.0.0.1:$port/small-5000-delta.zip" \
  "$(digest "$package")" "$(stat -c %s "$package")" "$(digest "$package.manifest")" "$(stat -c %s "$package.manifest")" \
  "Z:${state//\//\\}\\work" "Z:${work//\//\\}\\small-5000.zip" "$rounds"
