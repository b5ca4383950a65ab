#!/usr/bin/env bash
# Installs the Debian packages that building, running, testing and packaging need (only those
# missing: wixl and msitools build the installer package, faketime dates it, osslsigncode and
# openssl sign it), and prepares the 32-bit Wine that runs the i686 build (scripts/setup-win32.sh).
set -euo pipefail
packages=(cmake g++ clang libclang-rt-14-dev libgtest-dev libgmock-dev googletest libbenchmark-dev
          g++-mingw-w64-i686-win32 g++-mingw-w64-x86-64-win32 binutils-mingw-w64
          wine wine64 xvfb xauth imagemagick python3 x11-utils fonts-liberation
          wixl msitools faketime osslsigncode openssl)
SUDO=""; [ "$(id -u)" -ne 0 ] && SUDO=sudo
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  $SUDO apt-get update -q
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
$SUDO "$(dirname "$0")/setup-win32.sh"
