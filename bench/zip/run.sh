#!/usr/bin/env bash
# ZIP extraction: Info-ZIP "unzip -q -o" against ExtractZipArchive, on the same
# archives in the same run, turn about. Prints the best wall time of each, the
# ratio ours/unzip (below 1: ours is faster) and each one's peak memory
# (maximum resident set). Archives: thousands of small files, and one large
# entry (peak memory must not follow the entry's size).
#   bench/zip/run.sh [rounds]        (default 3; archives are kept for later runs)
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=$root/build/bench-native
work=$build/zip-bench
rounds=${1:-3}
small_files=5000
large_mb=300

for tool in zip unzip python3 /usr/bin/time; do
  command -v "$tool" >/dev/null || { echo "run.sh: $tool missing (scripts/setup.sh installs it)" >&2; exit 1; }
done

echo "Building zip_bench (Release, no sanitizers) in $build"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQL_SANITIZE=OFF >/dev/null
cmake --build "$build" -j2 --target zip_bench >/dev/null
driver=$build/zip_bench
mkdir -p "$work"

if [ ! -f "$work/small.zip" ]; then
  echo "Making small.zip: $small_files files of 100 B to 16 KB in 50 folders"
  rm -rf "$work/small-src"
  python3 - "$work/small-src" "$small_files" <<'EOF'
import os, random, sys
root, count = sys.argv[1], int(sys.argv[2])
rng = random.Random(1)
words = ["arquivo", "versao", "banco", "dados", "configuracao", "servidor", "usuario", "tabela",
         "registro", "pacote", "atualizacao", "sistema", "0x%04X", "%d", "linha", "campo"]
for i in range(count):
    folder = os.path.join(root, "modulo%02d" % (i % 50))
    os.makedirs(folder, exist_ok=True)
    size = rng.randint(100, 16 * 1024)
    parts, length = [], 0
    while length < size:
        w = rng.choice(words)
        w = w % rng.randint(0, 65535) if "%" in w else w
        parts.append(w)
        length += len(w) + 1
    with open(os.path.join(folder, "arquivo%05d.txt" % i), "w") as f:
        f.write(" ".join(parts)[:size])
EOF
  (cd "$work/small-src" && zip -q -r ../small.zip .)
  rm -rf "$work/small-src"
fi

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

# One timed run: prints "seconds max-RSS-KB".
measure() {
  local out=$1 start end
  shift
  rm -rf "$out"
  sync
  start=$EPOCHREALTIME
  /usr/bin/time -f "%M" -o "$work/rss" "$@" >/dev/null
  end=$EPOCHREALTIME
  echo "$(python3 -c "print(f'{$end - $start:.3f}')") $(cat "$work/rss")"
}

report() {
  local name=$1 archive=$2
  local best_unzip=999999 best_ours=999999 rss_unzip=0 rss_ours=0 t r
  for _ in $(seq "$rounds"); do
    read -r t r < <(measure "$work/out-unzip" unzip -q -o "$archive" -d "$work/out-unzip")
    best_unzip=$(python3 -c "print(min($best_unzip, $t))")
    rss_unzip=$((r > rss_unzip ? r : rss_unzip))
    read -r t r < <(measure "$work/out-ours" "$driver" "$archive" "$work/out-ours")
    best_ours=$(python3 -c "print(min($best_ours, $t))")
    rss_ours=$((r > rss_ours ? r : rss_ours))
  done
  diff -rq "$work/out-unzip" "$work/out-ours" >/dev/null || { echo "run.sh: outputs differ for $name" >&2; exit 1; }
  python3 -c "
u, o = $best_unzip, $best_ours
print(f'{\"$name\":<28} {u:>8.3f} {o:>8.3f} {o / u:>11.2f} {$rss_unzip / 1024:>11.1f} {$rss_ours / 1024:>11.1f}')"
  rm -rf "$work/out-unzip" "$work/out-ours"
}

echo
echo "Best of $rounds rounds; the outputs of both are compared byte for byte."
printf '%-28s %8s %8s %11s %11s %11s\n' "archive" "unzip s" "ours s" "ours/unzip" "unzip MB" "ours MB"
report "small: $small_files files" "$work/small.zip"
report "large: 1 entry, $large_mb MB" "$work/large.zip"
