#!/usr/bin/env bash
# Installs every Debian package the build, the tests and the demo need, for
# both Windows builds: the 32-bit product and its 64-bit test twin, with the
# emulator that runs the product where the kernel refuses 32-bit programs.
# Idempotent: when everything is present it returns without touching apt.
set -euo pipefail

PACKAGES=(
  build-essential cmake ninja-build pkg-config python3 file binutils
  zlib1g-dev googletest libssl-dev openssl
  clang libclang-rt-14-dev
  g++-mingw-w64-i686-posix mingw-w64-i686-dev binutils-mingw-w64-i686 libz-mingw-w64-dev
  g++-mingw-w64-x86-64-posix mingw-w64-x86-64-dev binutils-mingw-w64-x86-64
  wine wine32:i386 wine64 fonts-wine xvfb xauth x11-apps
  qemu-user-static
  unzip zip libarchive-tools
  unixodbc unixodbc-dev odbcinst odbc-postgresql libsqliteodbc postgresql
  libodbc2:i386 odbc-postgresql:i386 libsqliteodbc:i386
  time ccache nginx
)

if [ "$(id -u)" -ne 0 ]; then
  echo "setup.sh: run as root (it installs Debian packages)" >&2
  exit 1
fi

if ! dpkg --print-foreign-architectures | grep -qx i386; then
  dpkg --add-architecture i386
  FORCE_UPDATE=1
fi

missing=()
for p in "${PACKAGES[@]}"; do
  # dpkg-query names multi-arch packages with their architecture suffix; a
  # name installed for two architectures answers one line per architecture
  status=$(dpkg-query -W -f='${Status}\n' "$p" 2>/dev/null || true)
  grep -qx "install ok installed" <<<"$status" || missing+=("$p")
done

if [ ${#missing[@]} -eq 0 ]; then
  echo "setup.sh: all ${#PACKAGES[@]} packages present"
  exit 0
fi

echo "setup.sh: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
# nginx runs for the tests only, from a configuration of their own
# (tests/fixtures/servers/nginx.sh): its package must not start or enable the
# machine's web server on port 80. A policy already in place is left as it is.
policy=/usr/sbin/policy-rc.d
own_policy=""
if [[ " ${missing[*]} " == *" nginx "* ]] && [ ! -e "$policy" ]; then
  printf '#!/bin/sh\nexit 101\n' >"$policy"
  chmod 755 "$policy"
  own_policy=1
  trap 'rm -f "$policy"' EXIT
fi
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
if [ -n "$own_policy" ] && command -v systemctl >/dev/null; then
  systemctl disable nginx >/dev/null 2>&1 || true
fi
