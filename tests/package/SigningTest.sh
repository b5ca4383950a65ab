#!/usr/bin/env bash
# Both programs and the package signed by scripts/sign.sh with a throwaway self-signed certificate
# made here: each verifies against it with SHA-256, and a program changed after signing does not.
# Usage: SigningTest.sh PROGRAMS_DIR PACKAGE.msi WORK_DIR
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
files=("$(realpath "$1")/ZudazuvOrerozoVuzuvaz.exe" "$(realpath "$1")/ZoradidIvavuda.exe" "$(realpath "$2")")
rm -rf "$3" && mkdir -p "$3" && cd "$3"
openssl req -x509 -newkey rsa:2048 -nodes -keyout key.pem -out cert.pem -days 2 -subj "/CN=Throwaway test signer" \
  -addext extendedKeyUsage=codeSigning 2>/dev/null
openssl pkcs12 -export -inkey key.pem -in cert.pem -out cert.p12 -passout pass:throwaway
openssl pkcs12 -export -inkey key.pem -in cert.pem -out open.p12 -passout pass:  # a file without a password
cp "${files[@]}" .
ZO_SIGN_PKCS12=cert.p12 ZO_SIGN_PASSWORD=throwaway "$root/scripts/sign.sh" "${files[@]##*/}"
cp "${files[0]}" open.exe
(unset ZO_SIGN_PASSWORD; ZO_SIGN_PKCS12=open.p12 "$root/scripts/sign.sh" open.exe)
for file in "${files[@]##*/}" open.exe; do
  osslsigncode verify -in "$file" -CAfile cert.pem >verify.txt 2>&1 || { cat verify.txt; exit 1; }
  grep -q '^Message digest algorithm *: SHA256' verify.txt || { echo "FAILED: $file not signed with SHA-256"; exit 1; }
done
printf 'X' | dd of=ZoradidIvavuda.exe bs=1 seek=1024 conv=notrunc 2>/dev/null
! osslsigncode verify -in ZoradidIvavuda.exe -CAfile cert.pem >/dev/null 2>&1 || { echo "FAILED: a changed program verifies"; exit 1; }
echo "signed and verified: ${files[*]##*/}, and a program signed with a key file without a password; a changed program is refused"
