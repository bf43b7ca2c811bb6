#!/usr/bin/env bash
# sign-release.sh --key KEY.pem [--package FILE] [--bde FILE] DOCUMENT
# Writes the SHA-256 and size of the package and of the BDE installer into the
# release document's [Atualizacao] section (Sha256Pacote, TamanhoPacote,
# Sha256BDE, TamanhoBDE; existing values are replaced), then signs the
# document's exact bytes into DOCUMENT.sig (ECDSA P-256, DER). Publish both
# files side by side; sign again after any change to the document.
# A ZIP package (any name not ending in .exe, as the launcher tells them apart)
# also gets its manifest, FILE.manifest (scripts/package-manifest.py), whose
# SHA-256 and size go in as Sha256Manifesto and TamanhoManifesto; publish it
# beside the package. An .exe package drops those two keys.
set -euo pipefail
usage() { echo "usage: sign-release.sh --key KEY.pem [--package FILE] [--bde FILE] DOCUMENT" >&2; exit 2; }
key="" package="" bde="" document=""
while [ $# -gt 0 ]; do
  case "$1" in
    --key) key=${2:?}; shift 2 ;;
    --package) package=${2:?}; shift 2 ;;
    --bde) bde=${2:?}; shift 2 ;;
    -*) usage ;;
    *) [ -z "$document" ] || usage; document=$1; shift ;;
  esac
done
[ -n "$key" ] && [ -n "$document" ] || usage
[ -f "$document" ] || { echo "sign-release.sh: no document $document" >&2; exit 1; }
grep -qi '^\[Atualizacao\]' "$document" || { echo "sign-release.sh: $document has no [Atualizacao] section" >&2; exit 1; }

# Sets KEY=VALUE in [Atualizacao]: the existing line is replaced, else one is
# added at the end of the section; with --remove, KEY's lines go. Line ends
# (CR LF or LF) are kept.
set_value() {
  local remove=0
  if [ "$1" = --remove ]; then remove=1; shift; fi
  local name=$1 value=${2:-} tmp
  tmp=$(mktemp "$document.XXXXXX")
  awk -v name="$name" -v value="$value" -v done="$remove" '
    function flush() { if (inside && !done) { print name "=" value eol; done = 1 } }
    {
      line = $0; eol = ""
      if (sub(/\r$/, "", line)) eol = "\r"
      if (line ~ /^[ \t]*\[/) {
        flush()
        inside = (tolower(line) ~ /^[ \t]*\[atualizacao\][ \t]*$/)
        print $0; next
      }
      if (inside && tolower(line) ~ "^[ \t]*" tolower(name) "[ \t]*=") {
        if (!done) { print name "=" value eol; done = 1 }
        next
      }
      print $0
    }
    END { flush() }' "$document" >"$tmp"
  mv "$tmp" "$document"
}

describe() {
  local file=$1 prefix=$2
  [ -f "$file" ] || { echo "sign-release.sh: no file $file" >&2; exit 1; }
  set_value "Sha256$prefix" "$(sha256sum "$file" | cut -d' ' -f1)"
  set_value "Tamanho$prefix" "$(stat -c %s "$file")"
}

if [ -n "$package" ]; then
  [ -f "$package" ] || { echo "sign-release.sh: no file $package" >&2; exit 1; }
  # The manifest first: a package it refuses leaves the document untouched.
  case "${package,,}" in
    *.exe) ;;
    *) python3 "$(dirname "$0")/package-manifest.py" "$package" "$package.manifest" ;;
  esac
  describe "$package" Pacote
  case "${package,,}" in
    *.exe)
      set_value --remove Sha256Manifesto
      set_value --remove TamanhoManifesto ;;
    *) describe "$package.manifest" Manifesto ;;
  esac
fi
[ -z "$bde" ] || describe "$bde" BDE
openssl dgst -sha256 -sign "$key" -out "$document.sig" "$document"
# The signature must verify with the public half before it is published.
openssl ec -in "$key" -pubout 2>/dev/null | openssl dgst -sha256 -verify /dev/stdin -signature "$document.sig" "$document" >/dev/null
echo "signed: $document.sig"
