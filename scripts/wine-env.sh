# Sourced: the environment every Wine run of the project uses.
# WINEPREFIX defaults to a throwaway prefix under build/.
_ql_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export WINEPREFIX="${WINEPREFIX:-$_ql_root/build/wineprefix}"
export WINEARCH=win32
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
unset _ql_root
