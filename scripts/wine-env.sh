# Sourced: the environment every Wine run of the project uses, for the Windows
# programs of one architecture, QL_WINE_ARCH: win32 (the product, i686) or
# win64 (the test twin, x86-64); unset, scripts/wine-arch.sh chooses it by what
# this machine runs. WINEPREFIX defaults to a throwaway prefix under build/.
_ql_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
. "$_ql_root/scripts/wine-arch.sh"
[ -n "${QL_WINE_ARCH:-}" ] || ql_choose_arch
export QL_WINE_ARCH
export WINEPREFIX="${WINEPREFIX:-$_ql_root/build/wineprefix-$QL_WINE_ARCH}"
if [ "$QL_WINE_ARCH" = win32 ] && [ "$(ql_32bit_mode)" = native ]; then
  export WINEARCH=win32
  unset WINELOADER
else
  # A 64-bit prefix, named loader: 32-bit programs run in it as on 64-bit
  # Windows (here only through an emulator).
  export WINEARCH=win64 WINELOADER=/usr/lib/wine/wine64
  case ":$PATH:" in *":$_ql_root/scripts/wine64:"*) ;; *) PATH=$_ql_root/scripts/wine64:$PATH ;; esac
  export PATH
fi
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
unset _ql_root
