#!/usr/bin/env bash
# test-servers.sh start|stop STATE_DIR
# Starts (or stops) every loopback peer the tests use: each script in
# tests/fixtures/servers/ takes "start STATE_DIR" / "stop STATE_DIR" and leaves
# what tests need to find it (ports, paths) as files in STATE_DIR.
# CTest runs this as the setup and cleanup of the fixture "test_servers".
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
action=${1:?start or stop}
state=${2:?state folder}
mkdir -p "$state"
shopt -s nullglob
servers=("$here"/tests/fixtures/servers/*.sh)
case "$action" in
  start)
    for s in "${servers[@]}"; do
      echo "starting $(basename "$s" .sh)"
      bash "$s" start "$state"
    done
    ;;
  stop)
    status=0
    for ((i = ${#servers[@]} - 1; i >= 0; i--)); do
      bash "${servers[$i]}" stop "$state" || status=1
    done
    exit $status
    ;;
  *) echo "usage: $0 start|stop STATE_DIR" >&2; exit 2 ;;
esac
