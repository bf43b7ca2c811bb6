# Sourced by the benchmarks: the archives they share, made once in $work
# (kept for later runs). Needs $root and $work set, zip, unzip and python3.

# small-N.zip: N files of 100 B to 16 KB in 50 folders.
make_small() {
  local count=$1 archive=$work/small-$1.zip
  [ -f "$archive" ] && return
  echo "Making small-$count.zip: $count files of 100 B to 16 KB in 50 folders"
  rm -rf "$work/small-src"
  python3 - "$work/small-src" "$count" <<'EOF'
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
  (cd "$work/small-src" && zip -q -r "$archive" .)
  rm -rf "$work/small-src"
}
# small-5000-delta.zip: small-5000 with every 100th file changed (1 %), and its manifest.
make_delta() {
  local archive=$work/small-5000-delta.zip
  if [ ! -f "$archive" ]; then
    echo "Making small-5000-delta.zip: small-5000 with 1 % of its files changed"
    rm -rf "$work/delta-src" && mkdir -p "$work/delta-src"
    unzip -q "$work/small-5000.zip" -d "$work/delta-src"
    python3 - "$work/delta-src" <<'EOF'
import os, sys
root = sys.argv[1]
files = sorted(os.path.join(d, f) for d, _, names in os.walk(root) for f in names)
for path in files[::100]:
    with open(path, "r+b") as f:
        data = f.read()
        f.seek(0)
        f.write(b"versao 2 " + data[9:])
EOF
    (cd "$work/delta-src" && zip -q -r "$archive" .)
    rm -rf "$work/delta-src"
  fi
  python3 "$root/scripts/package-manifest.py" "$archive" "$archive.manifest"
}
