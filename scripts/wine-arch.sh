# Sourced: which Windows programs this machine's Wine can run, and the choice the
# scripts make from it.
#   ql_32bit_mode     prints native (the kernel runs 32-bit x86 programs),
#                     emulated (an emulator registered with binfmt_misc runs them:
#                     it takes them before the kernel would) or none.
#   ql_choose_arch    sets QL_WINE_ARCH (win32: the product, i686; win64: the test
#                     twin, x86-64) and QL_WINE_ARCH_WHY. QL_WINE_ARCH set beforehand
#                     forces the choice.
#   ql_emulation_on / ql_emulation_off
#                     register (as root, only where the kernel refuses 32-bit
#                     programs) qemu's user-mode emulator for i386 programs, and
#                     remove that registration again, leaving binfmt_misc as found.
_ql_binfmt=/proc/sys/fs/binfmt_misc
_ql_binfmt_name=ql-i386
# Left while binfmt_misc stays mounted by us: a fixed path, so a later run (or
# one whose TMPDIR differs) still unmounts it.
_ql_binfmt_mounted=/tmp/ql-binfmt-mounted
# The 32-bit Wine loader doubles as the probe: it is the program that must run.
_ql_wine32=/usr/lib/wine/wine
# An ELF header of class 32, machine i386 (mask and magic as qemu registers them).
_ql_i386_magic='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
_ql_i386_mask='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'

# The enabled binfmt_misc entry that takes i386 programs, if any.
_ql_i386_entry() {
  local entry
  for entry in "$_ql_binfmt"/*; do
    case "$(basename "$entry")" in register | status) continue ;; esac
    [ -f "$entry" ] || continue
    grep -qx enabled "$entry" 2>/dev/null || continue
    grep -q '^magic 7f454c4601010100000000000000000002000300' "$entry" 2>/dev/null && { echo "$entry"; return 0; }
  done
  return 1
}

ql_32bit_mode() {
  if _ql_i386_entry >/dev/null; then echo emulated
  elif "$_ql_wine32" --version >/dev/null 2>&1; then echo native
  else echo none
  fi
}

ql_choose_arch() {
  local mode
  mode=$(ql_32bit_mode)
  case "${QL_WINE_ARCH:-}" in
    win32 | win64)
      QL_WINE_ARCH_WHY="forced by QL_WINE_ARCH=$QL_WINE_ARCH (32-bit programs here: $mode)" ;;
    "")
      if [ "$mode" = native ]; then
        QL_WINE_ARCH=win32
        QL_WINE_ARCH_WHY="this machine runs 32-bit programs: the product itself (i686) runs under a 32-bit Wine prefix"
      else
        QL_WINE_ARCH=win64
        if [ "$mode" = emulated ]; then
          QL_WINE_ARCH_WHY="32-bit programs run here only through the emulator registered as $(basename "$(_ql_i386_entry)"), far too slowly for every test"
        else
          QL_WINE_ARCH_WHY="this machine's kernel refuses 32-bit programs ($_ql_wine32 cannot be executed)"
        fi
        QL_WINE_ARCH_WHY="$QL_WINE_ARCH_WHY: the 64-bit twin (x86-64, the same sources) runs under 64-bit Wine"
      fi ;;
    *)
      echo "QL_WINE_ARCH must be win32 or win64, not '$QL_WINE_ARCH'" >&2
      return 1 ;;
  esac
  export QL_WINE_ARCH QL_WINE_ARCH_WHY
}

# Registers the emulator where 32-bit programs cannot run; answers 0 when they
# can run afterwards. Says what it did.
ql_emulation_on() {
  case "$(ql_32bit_mode)" in native | emulated) return 0 ;; esac
  if [ "$(id -u)" -ne 0 ]; then
    echo "32-bit programs cannot run here, and only root may register an emulator for them" >&2
    return 1
  fi
  if [ ! -f "$_ql_binfmt/register" ]; then
    mount -t binfmt_misc binfmt_misc "$_ql_binfmt" || return 1
    touch "$_ql_binfmt_mounted"
  fi
  # F: the emulator is opened now, so it is found from any folder or namespace.
  printf ':%s:M::%s:%s:%s:F\n' "$_ql_binfmt_name" "$_ql_i386_magic" "$_ql_i386_mask" /usr/bin/qemu-i386-static \
    >"$_ql_binfmt/register" || return 1
  echo "32-bit programs: the kernel refuses them, so qemu-i386-static is registered for them (binfmt_misc entry $_ql_binfmt_name) until this run ends"
  [ "$(ql_32bit_mode)" = emulated ]
}

ql_emulation_off() {
  if [ -f "$_ql_binfmt/$_ql_binfmt_name" ]; then
    echo -1 >"$_ql_binfmt/$_ql_binfmt_name"
    echo "32-bit programs: the emulator's registration ($_ql_binfmt_name) is removed"
  fi
  if [ -f "$_ql_binfmt_mounted" ]; then
    rm -f "$_ql_binfmt_mounted"
    umount "$_ql_binfmt" 2>/dev/null || true
  fi
}

# ql_windows_build [FOLDER]: sets QL_WINDOWS_BUILD to the Windows build folder
# to run (FOLDER, or the one scripts/test.sh builds for this machine's choice:
# build/windows or build/windows64) and QL_WINE_ARCH to its architecture.
ql_windows_build() {
  local root folder=${1:-}
  root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
  if [ -z "$folder" ]; then
    ql_choose_arch >/dev/null || return 1
    folder=$root/build/windows
    [ "$QL_WINE_ARCH" = win64 ] && folder=$root/build/windows64
  fi
  folder=$(cd "$folder" && pwd) || return 1
  if grep -q '^CMAKE_TOOLCHAIN_FILE:.*x86_64' "$folder/CMakeCache.txt" 2>/dev/null; then
    QL_WINE_ARCH=win64
  else
    QL_WINE_ARCH=win32
  fi
  export QL_WINE_ARCH
  QL_WINDOWS_BUILD=$folder
}
