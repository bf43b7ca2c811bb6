#!/usr/bin/env bash
# release-key.sh NAME [FOLDER]: a new key pair for signing release documents.
#   FOLDER/NAME.pem      the private key: keep it off the release server, readable by you only
#   FOLDER/NAME.pub.pem  the public key: build the launcher with it (-DQL_RELEASE_KEYS=...)
set -euo pipefail
name=${1:?usage: release-key.sh NAME [FOLDER]}
folder=${2:-.}
mkdir -p "$folder"
private=$folder/$name.pem
public=$folder/$name.pub.pem
if [ -e "$private" ]; then
  echo "release-key.sh: $private exists; not overwriting a key" >&2
  exit 1
fi
(umask 077 && openssl ecparam -name prime256v1 -genkey -noout -out "$private")
openssl ec -in "$private" -pubout -out "$public" 2>/dev/null
echo "private key: $private"
echo "public key:  $public"
