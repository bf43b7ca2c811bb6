#!/usr/bin/env bash
# scripts/demo.sh [--postgres] [--update-only]
# The launcher's main job end to end, in a throwaway Wine prefix under build/demo/:
#   run 1  the installed application is older than the version the database
#          records: the launcher downloads the new package from a loopback HTTP
#          server, extracts it over the old one and starts the application;
#   run 2  the application is current but the Borland Database Engine is
#          missing: the launcher downloads and runs the BDE installer, then
#          starts the application;
#   run 3  the package on the server is tampered with (one byte changed after
#          the release was signed): the launcher refuses it with a message and
#          the installed application stays byte for byte as it was.
# The launcher is built with a demo signing key (build/demo-key/, made once
# with scripts/release-key.sh) and the release document is signed with
# scripts/sign-release.sh, so every run checks the document's signature and
# the downloads' SHA-256 and size.
# The database is a SQLite file read through the SQLite ODBC driver (no server),
# or with --postgres a throwaway PostgreSQL server on 127.0.0.1. Without
# $DISPLAY the windows go to a virtual X server (Xvfb) and screenshots are
# saved in build/demo/screenshots/. Exit status 0 only when every run ends as
# described. Everything the demo starts is stopped on the way out, and nothing
# is written outside build/demo/ (and the build folder).
# The launcher run is the product, 32-bit, where this machine runs 32-bit
# programs; elsewhere the 64-bit test twin of the same sources under 64-bit
# Wine. QL_WINE_ARCH=win32 forces the product: where the kernel refuses 32-bit
# programs, it then runs through user-mode emulation (as root), as on 64-bit
# Windows. --update-only stops after run 1 (the test suite's end-to-end run of
# the product).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

database=sqlite
update_only=''
for argument in "$@"; do
  case "$argument" in
    --postgres) database=postgres ;;
    --update-only) update_only=1 ;;
    -h | --help) sed -n '2,28p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    *) echo "usage: $0 [--postgres] [--update-only]" >&2; exit 2 ;;
  esac
done

say() { printf '%s\n' "$*"; }
step() { printf '\n== %s\n' "$*"; }
fail() { printf 'demo: %s\n' "$*" >&2; exit 1; }

step "Installing the Debian packages (scripts/setup.sh)"
bash scripts/setup.sh

. scripts/wine-arch.sh
ql_choose_arch
if [ "$QL_WINE_ARCH" = win32 ]; then
  toolchain=toolchain-mingw-i686.cmake
  step "Architecture: the product, 32-bit ($QL_WINE_ARCH_WHY)"
else
  toolchain=toolchain-mingw-x86_64.cmake
  step "Architecture: the 64-bit test twin ($QL_WINE_ARCH_WHY)"
  say "The launcher run below is the same sources built for x86-64; the product is the 32-bit build"
  say "(QL_WINE_ARCH=win32 runs the product through user-mode emulation, as root)."
fi

# A signing key of the demo's own, kept across runs (build/demo/ is remade each time).
keys=$root/build/demo-key
step "Release signing key ($keys)"
[ -f "$keys/demo.pem" ] || bash scripts/release-key.sh demo "$keys"
# A build of its own: the tests' build (build/windows) trusts no key.
build=build/windows-demo
[ "$QL_WINE_ARCH" = win64 ] && build=build/windows64-demo
build=${QL_DEMO_BUILD:-$build}
step "Building the launcher (trusting $keys/demo.pub.pem) and the demo programs in $build"
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=MinSizeRel "-DCMAKE_TOOLCHAIN_FILE=cmake/$toolchain" \
  "-DQL_RELEASE_KEYS=$keys/demo.pub.pem" --no-warn-unused-cli >/dev/null
cmake --build "$build" --target QuorvaneSoftLauncher demo_app_old demo_app_new bde_test_installer
build=$(cd "$build" && pwd)
launcher_exe=$build/release/QuorvaneSoftLauncher.exe  # the stripped copy that ships

# The versions the demo application was built at (cmake/Demo.cmake).
cmake_version() { sed -n "s/^set($1 \\([0-9.]*\\))\$/\\1/p" cmake/Demo.cmake; }
old_version=$(cmake_version QL_DEMO_OLD_VERSION)
new_version=$(cmake_version QL_DEMO_NEW_VERSION)
database_version=$new_version
# The installed version meets the minimum: only the version read from the
# database calls for the update, so run 1 also proves the database was read.
minimum_version=$old_version

# ---------------------------------------------------------------------------
# The demo's folder, and an environment that keeps Wine, fontconfig and the
# ODBC driver manager inside it.
demo=$root/build/demo
if [ -d "$demo/prefix" ]; then
  # A run that was killed hard may have left the prefix's server behind.
  WINEPREFIX=$demo/prefix wineserver -k >/dev/null 2>&1 || true
fi
rm -rf "$demo"
# HOME moves below: keep reaching the person's display through their own cookie.
if [ -n "${DISPLAY:-}" ] && [ -z "${XAUTHORITY:-}" ] && [ -f "$HOME/.Xauthority" ]; then
  export XAUTHORITY=$HOME/.Xauthority
fi
mkdir -p "$demo"/{home,tmp,logs,odbc,server/http-root,screenshots}
export HOME=$demo/home TMPDIR=$demo/tmp
export XDG_CACHE_HOME=$HOME/.cache XDG_CONFIG_HOME=$HOME/.config XDG_DATA_HOME=$HOME/.local/share
unset XDG_RUNTIME_DIR
export WINEPREFIX=$demo/prefix
# shellcheck source=scripts/wine-env.sh
. scripts/wine-env.sh
# No menu entries or file associations for the programs the demo runs.
export WINEDLLOVERRIDES="$WINEDLLOVERRIDES;winemenubuilder.exe=d"
# A crash ends the program with Wine's report instead of waiting in a debugger
# (under emulation a 32-bit debugger takes minutes to start).
[ "$QL_WINE_ARCH" = win32 ] && export WINEDLLOVERRIDES="$WINEDLLOVERRIDES;winedbg.exe=d"
drive_c=$WINEPREFIX/drive_c
execs=$drive_c/QuorvaneSoft/Execs
app=$execs/QuorvaneSoft.exe
bde_folder="$drive_c/Program Files (x86)/Borland/Common Files/BDE"

http_pid='' xvfb_pid='' watcher_pid='' launcher_pid='' created_x11_dir=''
cleanup() {
  local status=$?
  set +e
  [ -n "$watcher_pid" ] && kill "$watcher_pid" 2>/dev/null && wait "$watcher_pid" 2>/dev/null
  if [ -d "$WINEPREFIX" ]; then
    wineserver -k >/dev/null 2>&1
    wineserver -w >/dev/null 2>&1
  fi
  [ -n "$launcher_pid" ] && wait "$launcher_pid" 2>/dev/null
  [ -n "$http_pid" ] && kill "$http_pid" 2>/dev/null && wait "$http_pid" 2>/dev/null
  [ "$database" = postgres ] && bash tests/fixtures/servers/postgres.sh stop "$demo/server" >/dev/null 2>&1
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
  ql_emulation_off
  # Xvfb makes the socket folder when it is missing; put it back as it was.
  [ -n "$created_x11_dir" ] && rmdir /tmp/.X11-unix 2>/dev/null
  # Throwaway: the prefix, the cluster and the private home. What a person may
  # want to look at stays (screenshots, logs, the files served), the
  # launcher's own log among them.
  cp "$WINEPREFIX"/drive_c/users/*/AppData/Local/QuorvaneSoft/Launcher/launcher.log "$demo/logs/" 2>/dev/null
  rm -rf "$WINEPREFIX" "$WINEPREFIX.lock" "${demo:?}/home" "$demo/tmp" "$demo/server/database" "$demo/xauthority"
  exit "$status"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

# ---------------------------------------------------------------------------
if [ "$QL_WINE_ARCH" = win32 ] && [ "$(ql_32bit_mode)" = none ]; then
  step "32-bit programs: the kernel refuses them; registering user-mode emulation"
  ql_emulation_on || fail "32-bit programs cannot run here (an emulator can be registered only as root)"
fi
step "Wine prefix (a new ${WINEARCH#win}-bit one, in $WINEPREFIX)"
[ "$(ql_32bit_mode)" = emulated ] && say "32-bit programs run emulated here: this takes a few minutes"
scripts/wine-prefix.sh ensure  # also sets Decorated=N: plain windows, as the window tests see them

# ---------------------------------------------------------------------------
step "Database ($database)"
cat >"$demo/odbc/odbcinst.ini" <<'EOF'
[SQLite3]
Description=SQLite3 ODBC driver
Driver=libsqlite3odbc.so

[PostgreSQL Unicode]
Description=PostgreSQL ODBC driver (Unicode)
Driver=psqlodbcw.so
EOF
: >"$demo/odbc/odbc.ini"  # a Direct connection needs no data source
# Wine's odbc32 hands every call to the host's 32-bit unixODBC, which reads these.
export ODBCSYSINI=$demo/odbc ODBCINI=$demo/odbc/odbc.ini

if [ "$database" = sqlite ]; then
  # Inside the prefix (C:\QuorvaneSoft\Dados), but named by its Linux path in
  # Config.ini: the ODBC driver is a host library and opens host paths.
  database_file=$drive_c/QuorvaneSoft/Dados/QuorvaneSoft.db
  mkdir -p "$(dirname "$database_file")"
  read_version=$(python3 - "$database_file" "$database_version" <<'EOF'
import sqlite3, sys
db = sqlite3.connect(sys.argv[1])
db.execute("CREATE TABLE QuorvaneSoftSistema (Versao VARCHAR(50))")
db.execute("INSERT INTO QuorvaneSoftSistema (Versao) VALUES (?)", (sys.argv[2],))
db.commit()
print(db.execute("SELECT Versao FROM QuorvaneSoftSistema").fetchone()[0])
EOF
)
  database_lines=(Usuario=demo Senha=demo ODBC= Servidor=localhost "BANCO=$database_file" DRIVE=SQLite3)
  database_where="SQLite file $database_file"
else
  # The test peers: a cluster on 127.0.0.1 with the login ql_teste and the
  # database ql_teste (tests/fixtures/servers/postgres.sh).
  bash tests/fixtures/servers/postgres.sh start "$demo/server" >"$demo/logs/postgres.log" 2>&1 ||
    fail "PostgreSQL did not start (see $demo/logs/postgres.log; the postgres user must be able to reach $demo)"
  pg_psql() {
    runuser -u postgres -- psql -X -q -At -v ON_ERROR_STOP=1 -h "$demo/server/database/sockets" \
      -p "$(cat "$demo/server/pg.port")" -U postgres -d "$(cat "$demo/server/pg.database")" -c "$1"
  }
  pg_psql "UPDATE QuorvaneSoftSistema SET Versao = '$database_version'"
  read_version=$(pg_psql "SELECT Versao FROM QuorvaneSoftSistema")
  # Config.ini names no port: libpq takes the cluster's from this service.
  export PGSERVICEFILE=$demo/server/database/pg_service.conf PGSERVICE=ql_direta
  database_lines=("Usuario=$(cat "$demo/server/pg.user")" "Senha=$(cat "$demo/server/pg.password")" ODBC=
                  Servidor=127.0.0.1 "BANCO=$(cat "$demo/server/pg.database")" "DRIVE=PostgreSQL Unicode")
  database_where="PostgreSQL database $(cat "$demo/server/pg.database") on 127.0.0.1:$(cat "$demo/server/pg.port")"
fi
[ "$read_version" = "$database_version" ] || fail "the database holds '$read_version', not $database_version"
say "$database_where records version $read_version (SELECT Versao FROM QuorvaneSoftSistema)"

# ---------------------------------------------------------------------------
step "Loopback HTTP server"
python3 tests/fixtures/http_server.py --root "$demo/server/http-root" --port-file "$demo/server/http.port" \
  --lifetime 900 --verbose </dev/null 2>"$demo/logs/http.log" &
http_pid=$!
for _ in $(seq 100); do [ -s "$demo/server/http.port" ] && break; sleep 0.1; done
[ -s "$demo/server/http.port" ] || fail "the HTTP server did not start (see $demo/logs/http.log)"
base=http://127.0.0.1:$(cat "$demo/server/http.port")/files
package=QuorvaneSoft-$new_version.zip
installer=bde_setup.exe  # a name without "noop" or "slow": the test installer then installs
python3 - "$build/demo_app_new.exe" "$demo/server/http-root/$package" <<'EOF'
import sys, zipfile
with zipfile.ZipFile(sys.argv[2], "w", zipfile.ZIP_DEFLATED) as package:
    package.write(sys.argv[1], "QuorvaneSoft.exe")
EOF
cp "$build/bde_test_installer.exe" "$demo/server/http-root/$installer"
printf '%s\r\n' "; Informações de versão do QuorvaneSoft" "[Atualizacao]" "VersaoMinima=$minimum_version" \
  "UrlPacote=$base/$package" "UrlBDE=$base/$installer" >"$demo/server/http-root/versao.ini"
bash scripts/sign-release.sh --key "$keys/demo.pem" --package "$demo/server/http-root/$package" \
  --bde "$demo/server/http-root/$installer" "$demo/server/http-root/versao.ini"
say "serving $base/: versao.ini (the release information, signed: versao.ini.sig), $package (and its $package.manifest), $installer:"
sed 's/\r$//; s/^/    /' "$demo/server/http-root/versao.ini"

# ---------------------------------------------------------------------------
step "Installing version $old_version of the application"
mkdir -p "$execs"
cp "$launcher_exe" "$execs/QuorvaneSoftLauncher.exe"
cp "$build/demo_app_old.exe" "$app"
printf '%s\r\n' "; Configuração do QuorvaneSoft Launcher" "[BancoDados]" "${database_lines[@]}" "" \
  "[Atualizacao]" "URL=$base/versao.ini" "" "[Diagnostico]" "Log=1" >"$execs/Config.ini"
cp "$execs/Config.ini" "$demo/Config.ini"
say "C:\\QuorvaneSoft\\Execs holds QuorvaneSoftLauncher.exe, QuorvaneSoft.exe ($old_version) and Config.ini:"
sed 's/\r$//; s/^/    /' "$execs/Config.ini"

# ---------------------------------------------------------------------------
# The display: the person's own, or a virtual one that only screenshots show.
if [ -n "${DISPLAY:-}" ]; then
  shots=''
  step "Display: the windows appear on $DISPLAY"
else
  step "Display: none set; starting Xvfb"
  [ -d /tmp/.X11-unix ] || created_x11_dir=1
  export XAUTHORITY=$demo/xauthority
  : >"$XAUTHORITY"
  for number in $(seq 90 150); do
    [ -e "/tmp/.X$number-lock" ] || [ -e "/tmp/.X11-unix/X$number" ] && continue
    xauth -f "$XAUTHORITY" add ":$number" . "$(od -An -N16 -tx1 /dev/urandom | tr -d ' \n')"
    Xvfb ":$number" -screen 0 1024x768x24 -nolisten tcp -br -auth "$XAUTHORITY" >"$demo/logs/xvfb.log" 2>&1 &
    xvfb_pid=$!
    for _ in $(seq 50); do
      [ -e "/tmp/.X11-unix/X$number" ] && break
      kill -0 "$xvfb_pid" 2>/dev/null || break
      sleep 0.1
    done
    if [ -e "/tmp/.X11-unix/X$number" ] && kill -0 "$xvfb_pid" 2>/dev/null; then
      export DISPLAY=:$number
      break
    fi
    wait "$xvfb_pid" 2>/dev/null || true  # taken meanwhile: try the next number
    xvfb_pid=''
  done
  [ -n "${DISPLAY:-}" ] || fail "no free display for Xvfb (see $demo/logs/xvfb.log)"
  shots=$demo/screenshots
  say "Xvfb on $DISPLAY (1024x768); screenshots go to $shots"
fi

# ---------------------------------------------------------------------------
# requests_since LINE: the files the launcher fetched since that line of the
# server's log, by name.
requests_since() {
  tail -n "+$(($1 + 1))" "$demo/logs/http.log" | sed -n 's|.*"GET /files/\([^ ]*\) HTTP.*|\1|p' | paste -sd ' ' -
}

# run_launcher NAME: starts the launcher as a user would, waits until the
# application has recorded its start (or the launcher gave up, or a minute
# passed; ten under emulation, where each 32-bit program takes about a minute
# to start) and until every program of the prefix has ended. Sets started=1
# when the application started.
# Told once: asking runs a program, and the wait below polls five times a second.
emulated=''
[ "$QL_WINE_ARCH" = win32 ] && [ "$(ql_32bit_mode)" = emulated ] && emulated=1
patience=60
[ -n "$emulated" ] && patience=600
# Under emulation, a run the application should end by starting is also given
# up when the launcher, its log, Wine and the server have all been silent this
# long (the launcher logs every step; see emulator_stalled).
stall_patience=''
launcher_log() { compgen -G "$WINEPREFIX/drive_c/users/*/AppData/Local/QuorvaneSoft/Launcher/launcher.log" | head -n 1; }
signs_of_life() {
  local log
  log=$(launcher_log)
  stat -c %s "$demo/logs/wine.log" "$demo/logs/http.log" ${log:+"$log"} 2>/dev/null | paste -sd ' ' -
}
run_launcher() {
  local name=$1 signs last_signs='' last_change=$SECONDS
  started=0 stalled=0
  touch "$demo/logs/wine.log"
  run_wine_line=$(wc -l <"$demo/logs/wine.log")
  rm -f "$app.started"
  if [ -n "$shots" ]; then
    python3 demo/screenshots.py watch "$shots" "$name" &
    watcher_pid=$!
  fi
  (cd "$execs" && exec wine 'C:\QuorvaneSoft\Execs\QuorvaneSoftLauncher.exe') >>"$demo/logs/wine.log" 2>&1 &
  launcher_pid=$!
  local deadline=$((SECONDS + patience)) ended_at=''
  while [ "$SECONDS" -lt "$deadline" ]; do
    if [ -f "$app.started" ]; then started=1; break; fi
    if [ -z "$ended_at" ] && ! kill -0 "$launcher_pid" 2>/dev/null; then ended_at=$SECONDS; fi
    # Nothing starts after that, and a crashed Wine may sit waiting for a debugger: no need to wait.
    if emulator_crashed "$run_wine_line"; then break; fi
    # The launcher has closed: a started application records it within seconds.
    if [ -n "$ended_at" ] && [ $((SECONDS - ended_at)) -ge $((patience / 3)) ]; then break; fi
    if [ -n "$stall_patience" ]; then
      signs=$(signs_of_life)
      if [ "$signs" != "$last_signs" ]; then
        last_signs=$signs last_change=$SECONDS
      elif [ $((SECONDS - last_change)) -ge "$stall_patience" ]; then
        echo "demo: no sign of life from the emulated launcher for ${stall_patience}s; ended" >>"$demo/logs/wine.log"
        stalled=1
        break
      fi
    fi
    sleep 0.2
  done
  if [ "$started" = 1 ]; then
    # The application shows its window for a few seconds, then ends by itself.
    timeout "$patience" wineserver -w || true
  else
    # Whatever the launcher shows now (an error, a question) is the picture to keep.
    if [ -n "$shots" ]; then python3 demo/screenshots.py shot "$shots/$name-stopped.png" || true; fi
    wineserver -k || true
  fi
  wait "$launcher_pid" 2>/dev/null || true
  launcher_pid=''
  wineserver -w || true  # the registry is on disk once the server has gone
  if [ -n "$watcher_pid" ]; then
    kill "$watcher_pid" 2>/dev/null || true
    wait "$watcher_pid" 2>/dev/null || true
    watcher_pid=''
  fi
}

# The version the application recorded on starting ("versao=..." on its marker's last line).
started_version() {
  if [ -f "$app.started" ]; then sed -n 's/^versao=//p' "$app.started" | tr -d '\r'; fi
}
# The BDE's keys are in the 32-bit view: a 64-bit prefix keeps it under Wow6432Node.
bde_key='Software\\\\Borland\\\\Database Engine'
[ "$WINEARCH" = win64 ] && bde_key='Software\\\\Wow6432Node\\\\Borland\\\\Database Engine'
bde_installed() { [ -f "$bde_folder/bdeadmin.exe" ] && grep -qi "^\\[$bde_key\\]" "$WINEPREFIX/system.reg"; }

failures=()
check() {  # check DESCRIPTION COMMAND...: prints the outcome, remembers a failure
  local text=$1; shift
  if "$@"; then say "  ok      $text"; else say "  FAILED  $text"; failures+=("$text"); fi
}
absent() { [ ! -e "$1" ]; }
# A package is downloaded under a name of its own (.~ql-download-...) beside what it updates.
no_download_left() { ! compgen -G "$execs/.~ql-download-*" >/dev/null; }
fetched() { grep -qwF "$1" <<<"$2"; }
not_fetched() { ! fetched "$@"; }

# emulator_crashed LINE: under user-mode emulation, the 32-bit Wine of the run
# since that line of wine.log crashed. qemu-user (Debian 12's 7.2) can deliver
# a signal to a thread while Wine is inside another signal's handler, and the
# handler then faults looking up its own thread (the cores it leaves show
# NtCurrentTeb -> pthread_getspecific in a nested handler) or hands Wine a
# garbled context ("Unhandled exception 0x00000003 ... at address 00000001").
# Where it strikes moves from run to run; the 64-bit twin runs the same roads
# without emulation in the Windows suite. Such a cut run is what a power cut or
# a kill leaves, so the launcher is started again over it, as a user would, up
# to four times (the machine's load makes it more frequent: two runs in a row
# were cut on one loaded machine): a fault of the launcher's own that recurs
# still fails the run.
# emulator_stalled: the same emulation has also been seen to stop a run dead,
# with one core busy and no request sent for minutes (the launcher's log then
# says at which step); that run is ended and started again like a crashed one.
emulator_crashed() {
  [ -n "$emulated" ] &&
    tail -n "+$(($1 + 1))" "$demo/logs/wine.log" | grep -qE '^(qemu: uncaught target signal|wine: Unhandled exception|.*error while loading shared libraries)'
}

# run_and_observe NAME: one launcher run; sets what it fetched ($requests) and
# the version the application says it started as ($version).
run_and_observe() {
  failures_before=${#failures[@]}
  local log_line attempt=1
  log_line=$(wc -l <"$demo/logs/http.log")
  # A road that ends in a question or an error waits for a person: silence there is no stall.
  stall_patience=''
  [ -n "$emulated" ] && [ "${2:-}" = starts ] && stall_patience=300
  while :; do
    if [ "$attempt" = 1 ]; then run_launcher "$1"; else run_launcher "$1-again$attempt"; fi
    [ "$started" = 1 ] || [ "$attempt" -ge 5 ] && break
    if emulator_crashed "$run_wine_line"; then
      say "  the emulated 32-bit Wine crashed (see emulator_crashed in this script and wine.log); starting"
    elif [ "$stalled" = 1 ]; then
      say "  the emulated 32-bit Wine stalled (see emulator_stalled in this script and wine.log); starting"
    else
      break
    fi
    say "  the launcher again, as a user would, over whatever that run left behind"
    attempt=$((attempt + 1))
  done
  requests=$(requests_since "$log_line")
  version=$(started_version)
  say "  the launcher fetched: ${requests:-nothing}"
}
# Every check since the last run held.
road_held() { [ ${#failures[@]} -eq "$failures_before" ]; }

# ---------------------------------------------------------------------------
step "Run 1: application $old_version, database $database_version, minimum $minimum_version, no BDE"
say "Expected road: update (download $package, extract it, start the application)"
bde_installed && fail "the new prefix already has a BDE"
run_and_observe run1-update starts
check "the package was downloaded" fetched "$package" "$requests"
check "the installed executable is now version $new_version" cmp -s "$app" "$build/demo_app_new.exe"
check "no download left behind" no_download_left
check "the application started (version ${version:-none})" test "$version" = "$new_version"
check "the BDE was not touched on this road" absent "$bde_folder"
if road_held; then
  run1="took the update road: $old_version meets the minimum but is older than the $database_version
      the database records, so it fetched $package, put version $new_version
      in its place and started it."
else
  run1="did not end as expected (see the checks above and $demo/logs)."
fi

run2= run3=
if [ -z "$update_only" ]; then
  step "Run 2: the same launcher again (the application should now be $new_version; still no BDE)"
  say "Expected road: BDE installation (download $installer, run it, start the application)"
  run_and_observe run2-bde starts
  check "no package was downloaded" not_fetched "$package" "$requests"
  check "the BDE installer was downloaded" fetched "$installer" "$requests"
  check "the BDE is installed (its folder and HKLM\\SOFTWARE\\Borland\\Database Engine)" bde_installed
  check "the application started (version ${version:-none})" test "$version" = "$new_version"
  if road_held; then
    run2="took the BDE road: the application was current but the BDE was missing, so it fetched
      $installer, ran it and then started the application."
  else
    run2="did not end as expected (see the checks above and $demo/logs)."
  fi

  step "Run 3: the package on the server tampered with; the application put back to $old_version"
  say "Expected road: the download is refused (SHA-256 differs), nothing installed, the application untouched"
  cp "$build/demo_app_old.exe" "$app"
  python3 -c 'import sys
with open(sys.argv[1], "r+b") as f:
    f.seek(1000); byte = f.read(1); f.seek(1000); f.write(bytes([byte[0] ^ 0xFF]))' "$demo/server/http-root/$package"
  run_and_observe run3-tampered
  check "the tampered package was downloaded" fetched "$package" "$requests"
  check "the installed executable is byte for byte the old one" cmp -s "$app" "$build/demo_app_old.exe"
  check "no download left behind" no_download_left
  check "the application was not started" test -z "$version"
  if road_held; then
    run3="refused the tampered package: its SHA-256 did not match the signed release document, the
      file was deleted and version $old_version was left exactly as it was."
  else
    run3="did not end as expected (see the checks above and $demo/logs)."
  fi
fi

# ---------------------------------------------------------------------------
step "Summary"
say "Versions: installed $old_version; recorded in the database $database_version ($database);"
say "          minimum $minimum_version (release information); package $new_version."
say "Run 1 $run1"
[ -n "$run2" ] && say "Run 2 $run2"
[ -n "$run3" ] && say "Run 3 $run3"
if [ -n "$shots" ]; then
  say "Screenshots ($(find "$shots" -name '*.png' | wc -l)) in $shots:"
  find "$shots" -name '*.png' -printf '    %f\n' | sort
else
  say "The windows were shown on $DISPLAY; no screenshots were taken."
fi
say "Logs: $demo/logs; the Config.ini used: $demo/Config.ini"
if [ ${#failures[@]} -ne 0 ]; then
  say ""
  say "DEMO FAILED: ${#failures[@]} check(s) did not hold:"
  printf '  - %s\n' "${failures[@]}"
  exit 1
fi
say ""
if [ -n "$update_only" ]; then
  say "Demo finished: the update road ended as expected."
else
  say "Demo finished: all three roads ended as expected."
fi
