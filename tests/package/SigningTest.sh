#!/usr/bin/env bash
# Signing: both programs and the package signed with a throwaway self-signed certificate made
# here, each signature checked by osslsigncode against that certificate (SHA-256), and a signed
# program changed afterwards refused.
# Usage: SigningTest.sh PROGRAMS_DIR PACKAGE.msi WORK_DIR
set -uo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
programs=$(realpath "$1") package=$(realpath "$2") work=$3
rm -rf "$work" && mkdir -p "$work" && cd "$work" || exit 1
openssl req -x509 -newkey rsa:2048 -nodes -keyout key.pem -out cert.pem -days 2 -subj "/CN=Throwaway test signer" \
  -addext extendedKeyUsage=codeSigning 2>/dev/null &&
  openssl pkcs12 -export -inkey key.pem -in cert.pem -out cert.p12 -passout pass:throwaway || exit 1
cp "$programs/ZudazuvOrerozoVuzuvaz.exe" "$programs/ZoradidIvavuda.exe" "$package" . || exit 1
files=(ZudazuvOrerozoVuzuvaz.exe ZoradidIvavuda.exe "$(basename "$package")")
ZO_SIGN_PKCS12=cert.p12 ZO_SIGN_PASSWORD=throwaway "$root/scripts/sign.sh" "${files[@]}" || exit 1
failures=0
for file in "${files[@]}"; do
  if osslsigncode verify -in "$file" -CAfile cert.pem >verify.txt 2>&1 && grep -q '^Message digest algorithm *: SHA256' verify.txt; then
    echo "ok: $file is signed with SHA-256 and verifies"
  else
    echo "FAILED: $file"; cat verify.txt; failures=$((failures + 1))
  fi
done
# One byte of the code changed after signing: the signature no longer matches.
printf 'X' | dd of=ZoradidIvavuda.exe bs=1 seek=1024 conv=notrunc 2>/dev/null
if osslsigncode verify -in ZoradidIvavuda.exe -CAfile cert.pem >/dev/null 2>&1; then
  echo "FAILED: a changed program still verifies"; failures=$((failures + 1))
else
  echo "ok: a changed program is refused"
fi
echo "$failures failed"
[ "$failures" -eq 0 ]
