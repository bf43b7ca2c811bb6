#!/usr/bin/env bash
# bench/startup/run.sh [WINDOWS_BUILD_DIR] [PACKAGE_MB] [ROUNDS]
# Under Wine, with the project's loopback peers (HTTP server, unixODBC with the
# SQLite test database): the update road's package download against
# DownloadFile alone on the same file (and SHA-256 of the package), StartValidation
# to the launch on the happy path, the launcher process to its splash and to the
# application, and its exit after the error box or the close button. Needs a Windows build (startup_bench.exe, marker_app_*.exe).
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
. "$root/scripts/wine-arch.sh"
ql_windows_build "${1:-}"
build=$QL_WINDOWS_BUILD
size_mb=${2:-100}
rounds=${3:-9}
[ -f "$build/startup_bench.exe" ] || { echo "run.sh: build the Windows configuration first" >&2; exit 1; }

. "$root/scripts/wine-env.sh"
"$root/scripts/wine-prefix.sh" ensure

state=$(mktemp -d "$build/bench-startup.XXXXXX")
chmod 755 "$state"  # the PostgreSQL peer runs as the postgres user
cleanup() {
  bash "$root/scripts/test-servers.sh" stop "$state" >/dev/null 2>&1 || true
  rm -rf "$state"
}
trap cleanup EXIT
bash "$root/scripts/test-servers.sh" start "$state" >/dev/null
export QL_TEST_STATE=$state ODBCSYSINI=$state/database/odbc ODBCINI=$state/database/odbc.ini
export PGSERVICEFILE=$state/database/pg_service.conf PGSERVICE=ql_direta
port=$(cat "$state/http.port")
www=$(cat "$state/http.root")

# The package: the new application and a large incompressible file.
pkg=$state/pkg
mkdir -p "$pkg"
cp "$build/marker_app_new.exe" "$pkg/QuorvaneSoft.exe"
head -c "$((size_mb * 1024 * 1024))" /dev/urandom >"$pkg/dados.bin"
(cd "$pkg" && zip -q -0 "$www/pacote.zip" QuorvaneSoft.exe dados.bin)
# Published size and digest: the road downloads through the verified path.
printf '[Atualizacao]\r\nVersaoMinima=3.1.4.1\r\nUrlPacote=http://127.0.0.1:%s/files/pacote.zip\r\nUrlBDE=\r\nTamanhoPacote=%s\r\nSha256Pacote=%s\r\n' \
  "$port" "$(stat -c %s "$www/pacote.zip")" "$(sha256sum "$www/pacote.zip" | cut -c1-64)" >"$www/update.ini"
# A package that is not there (the error box), and one that arrives slowly (a close during the download).
printf '[Atualizacao]\r\nVersaoMinima=3.1.4.1\r\nUrlPacote=http://127.0.0.1:%s/files/ausente.zip\r\nUrlBDE=\r\n' "$port" >"$www/error.ini"
printf '[Atualizacao]\r\nVersaoMinima=3.1.4.1\r\nUrlPacote=http://127.0.0.1:%s/trickle/30/pacote.zip\r\nUrlBDE=\r\n' "$port" >"$www/trickle.ini"
printf '[Atualizacao]\r\nVersaoMinima=\r\nUrlPacote=\r\nUrlBDE=\r\n' >"$www/happy.ini"

app=$state/app
mkdir -p "$app/BDE"
touch "$app/BDE/bdeadmin.exe"
cp "$build/marker_app_old.exe" "$app/old.exe"
# Kept as .cfg: any *.ini beside the launcher would be taken as its configuration.
for kind in update happy error trickle; do
  printf '[BancoDados]\r\nODBC=QL_SQLite\r\nUsuario=teste\r\nSenha=teste\r\n\r\n[Atualizacao]\r\nURL=http://127.0.0.1:%s/files/%s.ini\r\n' \
    "$port" "$kind" >"$app/$kind.cfg"
done
# The happy path runs the new application, so versions match the database.
echo "start-up benchmark: ${size_mb} MiB package over loopback, $(wine --version)"
# The launcher program shows its windows: without a display they go to Xvfb
# (the prefix's wineserver is let go first, so it starts again on that display).
wineserver -w
launcher="Z:${build//\//\\}\\QuorvaneSoftLauncher.exe"
run=(wine "$build/startup_bench.exe" "Z:${app//\//\\}" "http://127.0.0.1:$port/files/pacote.zip" "$rounds" "$launcher")
if [ -n "${DISPLAY:-}" ]; then "${run[@]}"; else xvfb-run -a -s "-screen 0 1280x1024x24" "${run[@]}"; fi
