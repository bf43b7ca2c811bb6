#!/usr/bin/env bash
# wine-run.sh ARCH PROGRAM [ARGUMENTS...]
# Runs a Windows program of architecture ARCH (win32 or win64) under Wine in the
# throwaway prefix (the CTest emulator of the Windows builds).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
export QL_WINE_ARCH=${1:?win32 or win64}
shift
. "$here/wine-env.sh"
if [ "$QL_WINE_ARCH" = win32 ] && [ "$(ql_32bit_mode)" = none ]; then
  echo "wine-run.sh: this machine cannot run 32-bit programs; scripts/test.sh registers an emulator for them when QL_WINE_ARCH=win32 is forced (as root)" >&2
  exit 126
fi
"$here/wine-prefix.sh" ensure
status=0
wine "$@" || status=$?
# Whatever the program left running in the prefix ends with it: a console host
# whose client was stopped outlives it under Wine and keeps the output open,
# and CTest would wait on it for ever.
wineserver -k >/dev/null 2>&1 || true
exit "$status"
