#!/usr/bin/env bash
# Builds the release: the i686 programs (dist/win32/) and the installer package
# (dist/ZudazuvOrerozoVuzuvaz-<version>.msi), signed when a certificate is given; prints each
# artifact's SHA-256 and writes them to dist/SHA256SUMS.
# Usage: scripts/release.sh [--check-reproducible]
#   --check-reproducible   also builds the release twice more, from copies of the tree in two other
#                          folders, and fails unless all three are identical byte for byte
# Signing: ZO_SIGN_PKCS12 names a PKCS#12 file (certificate and key), ZO_SIGN_PASSWORD its password;
# without them the release is unsigned.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
check=no
case "${1:-}" in
  --check-reproducible) check=yes ;;
  "") ;;
  *) echo "usage: scripts/release.sh [--check-reproducible]" >&2; exit 2 ;;
esac
version=$(head -n 1 "$root/VERSION")
# Every date that the artifacts carry is the commit's (a copy of the tree has no history).
if [ -z "${SOURCE_DATE_EPOCH:-}" ]; then
  SOURCE_DATE_EPOCH=$(git -C "$root" log -1 --format=%ct 2>/dev/null) ||
    { echo "release.sh: no commit to take the release's time from: set SOURCE_DATE_EPOCH" >&2; exit 1; }
fi
export SOURCE_DATE_EPOCH
programs=(win32/ZudazuvOrerozoVuzuvaz.exe win32/ZoradidIvavuda.exe)
package=ZudazuvOrerozoVuzuvaz-$version.msi
dist=$root/dist
signing=no
if [ -n "${ZO_SIGN_PKCS12:-}" ]; then
  signing=yes
  # Signing runs in dist/: a path given relative to here must still name the file.
  ZO_SIGN_PKCS12=$(realpath -e "$ZO_SIGN_PKCS12") || { echo "release.sh: no such certificate file" >&2; exit 1; }
  export ZO_SIGN_PKCS12
else
  echo "No certificate given (ZO_SIGN_PKCS12): the release is unsigned."
fi

# The programs are linked afresh, so that none signed by an earlier run is signed again.
rm -f "${programs[@]/#/$dist/}"
BUILD_TARGETS="ZudazuvOrerozoVuzuvaz ZoradidIvavuda" "$root/scripts/build.sh" win32
[ "$signing" = yes ] && (cd "$dist" && "$root/scripts/sign.sh" "${programs[@]}")
"$root/scripts/package.sh" "$dist/win32" "$dist/$package"
[ "$signing" = yes ] && (cd "$dist" && "$root/scripts/sign.sh" "$package")
(cd "$dist" && sha256sum "${programs[@]}" "$package" >SHA256SUMS)
cat "$dist/SHA256SUMS"

if [ "$check" = yes ]; then
  # Two folders whose paths differ in length too; the tree as it is checked out, with the files
  # not yet committed.
  copies=$(mktemp -d)
  trap 'rm -rf "$copies"' EXIT
  for copy in a/zo-release-one b/another-folder/zo-release-two; do
    mkdir -p "$copies/$copy"
    (cd "$root" && git ls-files -z --cached --others --exclude-standard | xargs -0 tar -c) | tar -x -C "$copies/$copy"
    echo "== the release again, in $copies/$copy"
    CCACHE_DISABLE=1 "$copies/$copy/scripts/release.sh" >/dev/null  # compiled afresh, not from a cache
    if cmp -s "$dist/SHA256SUMS" "$copies/$copy/dist/SHA256SUMS"; then
      echo "identical: $copy"
    else
      echo "DIFFERENT: $copy"; diff "$dist/SHA256SUMS" "$copies/$copy/dist/SHA256SUMS" || true
      exit 1
    fi
  done
fi
