#!/usr/bin/env bash
# Signs programs and packages in place with osslsigncode (SHA-256), with the certificate and key of
# the PKCS#12 file that ZO_SIGN_PKCS12 names and the password in ZO_SIGN_PASSWORD. No time-stamp
# server is asked; the signing time is SOURCE_DATE_EPOCH's, else the commit's, so that signing
# the same files with the same certificate gives the same bytes.
# Usage: ZO_SIGN_PKCS12=cert.p12 ZO_SIGN_PASSWORD=... scripts/sign.sh FILE...
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
: "${ZO_SIGN_PKCS12:?names the PKCS#12 file to sign with}"
epoch=${SOURCE_DATE_EPOCH:-$(git -C "$root" log -1 --format=%ct 2>/dev/null || date +%s)}
for file in "$@"; do
  rm -f "$file.signed"
  # The password goes through a pipe, not the command line; a line of its own, also when empty
  # (a file without a password), which an empty pipe would not be.
  osslsigncode sign -pkcs12 "$ZO_SIGN_PKCS12" -readpass <(printf '%s\n' "${ZO_SIGN_PASSWORD:-}") -h sha256 \
    -n "Zudazuv Orerozo Vuzuvaz" -time "$epoch" -in "$file" -out "$file.signed" >/dev/null
  mv "$file.signed" "$file"
  echo "signed: $file"
done
