#!/usr/bin/env bash
# bench/zip/wine.sh [WINDOWS_BUILD_DIR] [ROUNDS] [ARCHIVE...]
# Under Wine: ExtractZipArchive of a small-file archive (default small-5000;
# small-20000 takes about ten minutes) against a bare Win32
# program writing the same files straight to their final names (the floor of
# that work under Wine), into an empty folder and over an installation, side by
# side in one run. Uses the archives bench/zip/run.sh makes; needs a Windows
# build (extract_bench.exe in it).
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
. "$root/scripts/wine-arch.sh"
ql_windows_build "${1:-}"
build=$QL_WINDOWS_BUILD
rounds=${2:-9}
shift $(( $# < 2 ? $# : 2 ))
names=("${@:-small-5000}")
archives=$root/build/bench-native/zip-bench
bench=$build/extract_bench.exe
[ -f "$bench" ] || { echo "wine.sh: $bench missing; build the Windows configuration first" >&2; exit 1; }
[ -f "$archives/small-5000.zip" ] || { echo "wine.sh: run bench/zip/run.sh first (it makes the archives)" >&2; exit 1; }

. "$root/scripts/wine-env.sh"
"$root/scripts/wine-prefix.sh" ensure
work=$(mktemp -d "$build/bench-extract.XXXXXX")
trap 'rm -rf "$work"' EXIT
echo "extraction under Wine: $(wine --version)"
for archive in "${names[@]}"; do
  wine "$bench" "Z:${archives//\//\\}\\$archive.zip" "Z:${work//\//\\}" "$rounds"
done
