#!/usr/bin/env bash
# Checks the shipped (stripped) executable: a 32-bit GUI PE with version information and the
# manifest, importing only DLLs that every Windows has.
set -euo pipefail
exe="$1"
fail() { echo "FAIL: $*" >&2; exit 1; }

file -b "$exe" | grep -q '^PE32 executable (GUI) Intel 80386' || fail "not a PE32 i386 GUI executable: $(file -b "$exe")"

allowed=" kernel32.dll user32.dll gdi32.dll comctl32.dll shell32.dll advapi32.dll version.dll winhttp.dll bcrypt.dll odbc32.dll ole32.dll oleaut32.dll shlwapi.dll comdlg32.dll msvcrt.dll ws2_32.dll uxtheme.dll ntdll.dll "
imports=$(i686-w64-mingw32-objdump -p "$exe" | awk '/DLL Name:/ {print tolower($3)}' | sort -u)
for dll in $imports; do
  case "$allowed" in *" $dll "*) ;; *) fail "imports $dll, which is not a Windows system DLL" ;; esac
done

strings -el "$exe" | grep -qx '041604E4' || fail "no Portuguese (Brazil) version string table"
strings -el "$exe" | grep -qx 'FileVersion' || fail "no FileVersion"
grep -aq 'Microsoft.Windows.Common-Controls' "$exe" || fail "no Common Controls 6 manifest"
grep -aq 'asInvoker' "$exe" || fail "manifest does not ask for asInvoker"
# The size budget of the shipped executable, stripped: 640 KB. What it takes and how it was brought
# under it: the README's "Executable size".
size=$(stat -c %s "$exe")
[ "$size" -le 640000 ] || fail "stripped size $size bytes is over the 640 KB budget"

echo "ok: $(basename "$exe"): $size bytes: PE32 GUI, imports: $(echo $imports)"
