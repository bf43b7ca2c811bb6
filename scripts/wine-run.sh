#!/usr/bin/env bash
# Runs a Windows program under Wine in the throwaway prefix (the CTest emulator
# of the Windows build).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/wine-env.sh"
"$here/wine-prefix.sh" ensure
exec wine "$@"
