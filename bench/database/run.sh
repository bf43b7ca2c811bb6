#!/usr/bin/env bash
# bench/database/run.sh [WINDOWS_BUILD_DIR] [ROUNDS]
# The database service's connection test against a throwaway PostgreSQL on
# 127.0.0.1 and a SQLite file, through the real ODBC drivers, side by side
# with a bare ODBC connect of the same string (ratio service/bare), and a
# failed test against a closed port and against a listener whose accept queue
# is full (a server that does not answer). Targets: a successful test under
# 100 ms; the silent server given up within the 5 s login time-out.
# Natively always; under Wine as well when a Windows build (holding
# connect_bench.exe) is given. ROUNDS defaults to 30.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
windows_build=${1:-}
rounds=${2:-30}
build=$root/build/bench-native

echo "Building connect_bench (Release, no sanitizers) in $build"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQL_SANITIZE=OFF >/dev/null
cmake --build "$build" -j2 --target connect_bench >/dev/null
if [ -n "$windows_build" ]; then
  . "$root/scripts/wine-arch.sh"
  ql_windows_build "$windows_build"
  windows_build=$QL_WINDOWS_BUILD
  [ -f "$windows_build/connect_bench.exe" ] || {
    echo "run.sh: $windows_build/connect_bench.exe missing; build the Windows configuration first" >&2
    exit 1
  }
fi

# The cluster's owner must reach the state folder: keep it under build/, open to all.
state=$(mktemp -d "$root/build/bench-database.XXXXXX")
chmod 755 "$state"
cleanup() {
  bash "$root/tests/fixtures/servers/postgres.sh" stop "$state" >/dev/null 2>&1 || true
  rm -rf "$state"
}
trap cleanup EXIT
echo "Starting the database peers"
bash "$root/tests/fixtures/servers/postgres.sh" start "$state"
export ODBCSYSINI=$state/database/odbc ODBCINI=$state/database/odbc.ini
export PGSERVICEFILE=$state/database/pg_service.conf PGSERVICE=ql_direta
user=$(cat "$state/pg.user")
password=$(cat "$state/pg.password")

status=0
echo
echo "== native: unixODBC $(odbcinst --version | awk '{print $2}'), $(pg_config --version 2>/dev/null || echo PostgreSQL)"
"$build/connect_bench" "$user" "$password" "$rounds" || status=1
if [ -n "$windows_build" ]; then
  . "$root/scripts/wine-env.sh"
  "$root/scripts/wine-prefix.sh" ensure
  echo
  echo "== Wine: $(wine --version), odbc32 over the 32-bit unixODBC"
  wine "$windows_build/connect_bench.exe" "$user" "$password" "$rounds" || status=1
fi
exit $status
