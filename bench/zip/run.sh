#!/usr/bin/env bash
# ZIP extraction natively: ExtractZipArchive (staged beside the destination,
# then swapped in) against Info-ZIP "unzip -q -o", "bsdtar -xf" and, when
# given, the zip_bench of an earlier commit, on the same archives in the same
# run. Each archive is installed into an empty folder and over an existing
# installation of the same files (the swap's real work: every file moved aside
# and replaced). Contenders run in turning order; prints min/median/max wall
# time and peak memory of each, the median of the per-round time ratios and
# the machine's load. Then, on small-5000, what keeping an update through a
# power cut costs (zip_bench --durability): staging alone, staging with every
# file flushed, and the next start's check of the new files. Last, a delta
# update of small-5000 with 1 % of its files changed (zip_bench --delta): the
# bytes its plan fetches against the changed entries' compressed size, the
# manifest's size an entry, and planning plus partial staging against staging
# the whole package.
#   bench/zip/run.sh [rounds] [earlier zip_bench]
#   bench/zip/run.sh durability [rounds]     (that comparison alone)
#   bench/zip/run.sh delta [rounds]          (the delta update alone)
# (rounds: at least 9; archives are kept for later runs). The earlier driver is
# built from another worktree, e.g.
#   git worktree add /tmp/old 77a5f2b && cmake -S /tmp/old -B /tmp/old/b -G Ninja \
#     -DCMAKE_BUILD_TYPE=Release -DQL_SANITIZE=OFF && cmake --build /tmp/old/b --target zip_bench
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=$root/build/bench-native
work=$build/zip-bench
mode=all
if [ "${1:-}" = durability ] || [ "${1:-}" = delta ]; then mode=$1; shift; fi
rounds=$(( ${1:-9} < 9 ? 9 : ${1:-9} ))
earlier=${2:-}
large_mb=300

for tool in zip unzip bsdtar python3 /usr/bin/time; do
  command -v "$tool" >/dev/null || { echo "run.sh: $tool missing (scripts/setup.sh installs it)" >&2; exit 1; }
done
[ -z "$earlier" ] || [ -x "$earlier" ] || { echo "run.sh: $earlier is not a program" >&2; exit 1; }

echo "Building zip_bench (Release, no sanitizers) in $build"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQL_SANITIZE=OFF >/dev/null
cmake --build "$build" -j2 --target zip_bench >/dev/null
driver=$build/zip_bench
mkdir -p "$work"

. "$root/bench/zip/archives.sh"
make_small 5000

durability() {
  echo "Durability of an update, small-5000 (load $(cut -d' ' -f1-3 /proc/loadavg)):"
  "$driver" --durability "$work/small-5000.zip" "$work" "$rounds"
}

delta() {
  make_delta
  echo "Delta update of small-5000, 1 % of its files changed (load $(cut -d' ' -f1-3 /proc/loadavg)):"
  "$driver" --delta "$work/small-5000.zip" "$work/small-5000-delta.zip" "$work/small-5000-delta.zip.manifest" "$work" "$rounds"
}
if [ "$mode" = durability ]; then durability; exit 0; fi
if [ "$mode" = delta ]; then delta; exit 0; fi
make_small 20000

if [ ! -f "$work/large.zip" ]; then
  echo "Making large.zip: one entry of $large_mb MB"
  python3 - "$work/large.bin" "$large_mb" <<'EOF'
import random, sys
path, megabytes = sys.argv[1], int(sys.argv[2])
rng = random.Random(2)
# Text-like lines that deflate to about a quarter, not a run of zeros.
pool = "".join("%08x registro %d campo=%s valor=%d\n" % (rng.getrandbits(32), i,
               rng.choice(["ativo", "inativo", "pendente"]), rng.randint(0, 10**6))
               for i in range(40000)).encode()
with open(path, "wb") as f:
    for block in range(megabytes * 16):
        start = (block * 7919) % (len(pool) - 65536)
        f.write(b"bloco %d\n" % block)
        f.write(pool[start:start + 65536 - len(b"bloco %d\n" % block)])
EOF
  (cd "$work" && zip -q large.zip large.bin)
  rm -f "$work/large.bin"
fi

contenders=(unzip bsdtar ours)
[ -z "$earlier" ] || contenders+=(earlier)
results=$work/results
: >"$results"

# One timed extraction of $archive into $out by contender $1 (the folder is
# prepared beforehand, untimed); appends "case contender seconds max-RSS-KB".
run_one() {
  local who=$1 label=$2 archive=$3 out=$4 start end
  local -a command
  case $who in
    unzip) command=(unzip -q -o "$archive" -d "$out") ;;
    bsdtar) command=(bsdtar -xf "$archive" -C "$out") ;;
    ours) command=("$driver" "$archive" "$out") ;;
    earlier) command=("$earlier" "$archive" "$out") ;;
  esac
  sync
  start=$EPOCHREALTIME
  /usr/bin/time -f "%M" -o "$work/rss" "${command[@]}" >/dev/null
  end=$EPOCHREALTIME
  echo "$label $who $(python3 -c "print(f'{$end - $start:.4f}')") $(cat "$work/rss")" >>"$results"
}

# $1 label, $2 archive, $3 "empty" or "over" (an installation of the same files there first).
bench_case() {
  local label=$1 archive=$2 mode=$3 round position count=${#contenders[@]}
  if [ "$mode" = over ]; then
    rm -rf "$work/installed" && mkdir -p "$work/installed" && unzip -q -o "$archive" -d "$work/installed"
  fi
  for round in $(seq 0 $((rounds - 1))); do
    for position in $(seq 0 $((count - 1))); do
      local who=${contenders[$(((position + round) % count))]} out=$work/out-${contenders[$(((position + round) % count))]}
      rm -rf "$out"
      if [ "$mode" = over ]; then cp -a "$work/installed" "$out"; else mkdir -p "$out"; fi
      run_one "$who" "$label" "$archive" "$out"
    done
  done
  diff -rq "$work/out-unzip" "$work/out-ours" >/dev/null || { echo "run.sh: outputs differ for $label" >&2; exit 1; }
  for who in "${contenders[@]}"; do rm -rf "$work/out-$who"; done
}

echo "load before: $(cut -d' ' -f1-3 /proc/loadavg); $rounds rounds, contenders in turning order: ${contenders[*]}"
for archive in small-5000 small-20000 large; do
  for mode in empty over; do
    bench_case "$archive/$mode" "$work/$archive.zip" "$mode"
  done
done
rm -rf "$work/installed"
echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)"

python3 - "$results" "${contenders[@]}" <<'EOF'
import statistics, sys
path, contenders = sys.argv[1], sys.argv[2:]
rows = [line.split() for line in open(path)]
cases = list(dict.fromkeys(r[0] for r in rows))
print("\nwall seconds min/median/max and peak memory (MB, max); ratios: median of per-round ratios")
print(f"{'case':<20} {'contender':<8} {'min':>7} {'median':>7} {'max':>7} {'MB':>7}")
for case in cases:
    times = {c: [float(r[2]) for r in rows if r[0] == case and r[1] == c] for c in contenders}
    for c in contenders:
        t = times[c]
        rss = max(int(r[3]) for r in rows if r[0] == case and r[1] == c) / 1024
        print(f"{case:<20} {c:<8} {min(t):7.3f} {statistics.median(t):7.3f} {max(t):7.3f} {rss:7.1f}")
    def ratio(a, b):
        return statistics.median(x / y for x, y in zip(times[a], times[b]))
    line = f"  ours/unzip {ratio('ours', 'unzip'):.2f} (target <= 0.8)   ours/bsdtar {ratio('ours', 'bsdtar'):.2f} (target <= 1.0)"
    if "earlier" in contenders:
        line += f"   ours/earlier {ratio('ours', 'earlier'):.2f} (staging target <= 1.2)"
    print(line)
EOF

echo
durability

echo
delta
