#!/usr/bin/env bash
# wine-prefix.sh ensure | remove
# Creates (once, under a lock) or removes the throwaway Wine prefix of
# scripts/wine-env.sh (32- or 64-bit, as WINEARCH says).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/wine-env.sh"

case "${1:-}" in
  ensure)
    mkdir -p "$(dirname "$WINEPREFIX")"
    exec 9>"$WINEPREFIX.lock"
    flock 9
    # A prefix made for the other architecture cannot be used: it is made anew.
    if [ "$(cat "$WINEPREFIX/.ql-ready" 2>/dev/null)" != "$WINEARCH" ]; then
      [ -d "$WINEPREFIX" ] && { wineserver -k >/dev/null 2>&1 || true; wineserver -w >/dev/null 2>&1 || true; }
      rm -rf "$WINEPREFIX"
      wineboot -i >/dev/null 2>&1
      # Window tests need plain, undecorated windows for stable screenshots.
      wine reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /t REG_SZ /d N /f >/dev/null 2>&1
      wineserver -w
      echo "$WINEARCH" >"$WINEPREFIX/.ql-ready"
    fi
    ;;
  remove)
    if [ -d "$WINEPREFIX" ]; then
      wineserver -k >/dev/null 2>&1 || true
      wineserver -w >/dev/null 2>&1 || true
      rm -rf "$WINEPREFIX" "$WINEPREFIX.lock"
    fi
    ;;
  *)
    echo "usage: $0 ensure|remove" >&2
    exit 2
    ;;
esac
