#!/usr/bin/env bash
# Prepares the 32-bit runtime that runs the i686 build: Debian's 32-bit Wine unpacked into a
# private root, run by a statically linked qemu-i386 (this kernel runs no 32-bit code) that the
# kernel's binfmt_misc hands every i386 program to. Nothing is installed into the system: the
# packages come from Debian's archive through a private apt configuration (its own state, cache
# and sources), so the system's dpkg state and its x86_64 Wine stay as they are; a system-wide
# 32-bit Wine would make every Wine prefer the 32-bit loader, which this kernel cannot run.
# Idempotent: a second run reuses the root and the downloads. Needs root (binfmt_misc, ldconfig).
# The folder: $ZO_WIN32_RUNTIME, by default /var/cache/zo-win32-runtime (shared by the checkouts).
set -euo pipefail
cache=${ZO_WIN32_RUNTIME:-/var/cache/zo-win32-runtime}
root_dir="$cache/root"
qemu="$cache/qemu/usr/bin/qemu-i386"
binfmt_name=zo-qemu-i386
# What the 32-bit Wine needs beside its own dependencies: the zlib it loads as a builtin DLL, the
# runtime library that ends its threads (the C library loads it by name, no package names it), and
# the fonts its fontconfig sees (it sees the root's font folders, not the host's).
i386_packages=(wine32 libz-mingw-w64 libgcc-s1 fonts-liberation)
# Bookworm's own qemu (7.2) crashes running Wine; the backported one (10) runs it.
qemu_suite=bookworm-backports
# Changed whenever the root is made differently, so that an older one is made again.
recipe="2 ${i386_packages[*]}"

mkdir -p "$cache"
exec 9>"$cache/.lock"
flock 9  # several checkouts may set up at once

# The archive's address, from the system's own sources (the first Debian one), so that a mirror
# configured there is used here too.
archive_uri() {  # suite-suffix ("" or "-security")
  local want="debian$1" uri
  uri=$(sed -n 's/^URIs: *//p' /etc/apt/sources.list.d/*.sources 2>/dev/null | grep -E "/$want/?\$" | head -1 || true)
  [ -z "$uri" ] && uri=$(sed -n 's/^deb \(\[[^]]*\] \)\?\([^ ]*\) .*/\2/p' /etc/apt/sources.list 2>/dev/null |
                         grep -E "/$want/?\$" | head -1 || true)
  [ -z "$uri" ] && uri="http://deb.debian.org/$want"
  echo "${uri%/}"
}

# Private apt: its own state (an empty dpkg status, so that every dependency is fetched), cache,
# lists and sources, for one architecture.
private_apt() {  # name, architecture, sources lines...
  local dir="$cache/apt-$1" arch=$2; shift 2
  mkdir -p "$dir/state/lists/partial" "$dir/cache/archives/partial" "$dir/etc/preferences.d" "$dir/etc/apt.conf.d"
  touch "$dir/state/status"
  printf '%s\n' "$@" >"$dir/etc/sources.list"
  cat >"$dir/apt.conf" <<EOF
APT::Architecture "$arch";
APT::Architectures { "$arch"; };
Dir::State "$dir/state";
Dir::State::status "$dir/state/status";
Dir::Cache "$dir/cache";
Dir::Etc::sourcelist "$dir/etc/sources.list";
Dir::Etc::sourceparts "-";
Dir::Etc::preferencesparts "$dir/etc/preferences.d";
Dir::Etc::parts "$dir/etc/apt.conf.d";
APT::Install-Recommends "false";
APT::Get::Download-Only "true";
Debug::NoLocking "true";
EOF
  echo "$dir/apt.conf"
}

# Fetches the packages (and everything they depend on) into the private cache; prints the files
# of the versions chosen now (the cache may hold older ones from an earlier run).
fetch() {  # apt.conf, packages...
  local conf=$1 try; shift
  # The archive's indexes are sometimes caught mid-sync: try again, then go on with the last ones.
  for try in 1 2 3; do
    APT_CONFIG="$conf" apt-get -q update >/dev/null 2>&1 && break
    [ "$try" = 3 ] && echo "== 32-bit runtime: the archive's indexes did not update; using the last ones" >&2
    sleep 5
  done
  APT_CONFIG="$conf" DEBIAN_FRONTEND=noninteractive apt-get -q -y install "$@" >/dev/null
  local archives
  archives=$(APT_CONFIG="$conf" apt-config shell d Dir::Cache::archives/d | sed "s/^d='\(.*\)'$/\1/")
  # "Inst NAME (VERSION SUITES [ARCH])", perhaps followed by " []": the file NAME_VERSION_ARCH.deb
  # with the epoch's colon escaped.
  APT_CONFIG="$conf" apt-get -s install "$@" |
    sed -n 's/^Inst \([^ ]*\) (\([^ ]*\) [^[]*\[\([^]]*\)\]).*$/\1_\2_\3.deb/p' |
    sed "s/:/%3a/; s|^|${archives%/}/|"
}

# Copies a DLL with Wine's builtin mark in its DOS header, where Wine looks for it.
mark_builtin() {  # from, to
  { head -c 64 "$1"; printf 'Wine builtin DLL'; head -c 16 /dev/zero; tail -c +97 "$1"; } >"$2"
}

unpack_root() {
  local main security conf
  main=$(archive_uri "")
  security=$(archive_uri "-security")
  conf=$(private_apt i386 i386 \
    "deb [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] $main bookworm main" \
    "deb [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] $main bookworm-updates main" \
    "deb [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] $security bookworm-security main")
  echo "== 32-bit runtime: fetching Wine (i386)"
  rm -rf "$root_dir.new"
  mkdir -p "$root_dir.new"
  local debs deb
  debs=$(fetch "$conf" "${i386_packages[@]}")
  for deb in $debs; do dpkg-deb -x "$deb" "$root_dir.new"; done
  # The loader's own library cache: without it, it reads the host's and loads the host's /lib32
  # C library, which has no FreeType beside it.
  mkdir -p "$root_dir.new/etc"
  printf '%s\n' /lib/i386-linux-gnu /usr/lib/i386-linux-gnu /usr/local/lib >"$root_dir.new/etc/ld.so.conf"
  ldconfig -r "$root_dir.new"
  # zlib1.dll as a builtin in Wine's folders, marked as one, as the package's install script
  # would (without it user32 does not load).
  local mingw wine_arch out
  for mingw in i686 x86_64; do
    wine_arch=$mingw; [ "$mingw" = i686 ] && wine_arch=i386
    out="$root_dir.new/usr/lib/i386-linux-gnu/wine/$wine_arch-windows"
    [ -d "$out" ] && mark_builtin "$root_dir.new/usr/$mingw-w64-mingw32/lib/zlib1.dll" "$out/zlib1.dll"
  done
  # Fontconfig's cache in the root, made after the fonts are there: one made before hides them.
  rm -rf "$root_dir.new/var/cache/fontconfig"
  mkdir -p "$root_dir.new/var/cache/fontconfig"
  echo "$recipe" >"$root_dir.new/.ready"
  rm -rf "$root_dir"
  mv "$root_dir.new" "$root_dir"
}

unpack_qemu() {
  local main conf
  main=$(archive_uri "")
  conf=$(private_apt bpo amd64 \
    "deb [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] $main $qemu_suite main")
  echo "== 32-bit runtime: fetching qemu-user ($qemu_suite)"
  rm -rf "$cache/qemu.new"
  mkdir -p "$cache/qemu.new/unpacked" "$cache/qemu.new/usr/bin"
  local debs
  debs=$(fetch "$conf" "qemu-user/$qemu_suite")
  dpkg-deb -x "$(grep '/qemu-user_' <<<"$debs")" "$cache/qemu.new/unpacked"
  # Only the one emulator is kept (the package has one for every processor).
  mv "$cache/qemu.new/unpacked/usr/bin/qemu-i386" "$cache/qemu.new/usr/bin/"
  rm -rf "$cache/qemu.new/unpacked"
  rm -rf "$cache/qemu"
  mv "$cache/qemu.new" "$cache/qemu"
}

# Hands i386 programs to our qemu. F: the kernel opens the interpreter now, so it works from any
# folder; the root is given to qemu by QEMU_LD_PREFIX at run time (scripts/wine-env.sh).
register_binfmt() {
  local dir=/proc/sys/fs/binfmt_misc entry
  [ -e "$dir/register" ] || mount -t binfmt_misc binfmt_misc "$dir"
  entry="$dir/$binfmt_name"
  # F keeps the file it opened: a qemu unpacked again is registered again.
  if [ -e "$entry" ] && grep -qx "interpreter $qemu" "$entry" && [ "${1:-}" != again ]; then return; fi
  [ -e "$entry" ] && echo -1 >"$entry"
  printf ':%s:M::\\x7fELF\\x01\\x01\\x01\\x00\\x00\\x00\\x00\\x00\\x00\\x00\\x00\\x00\\x02\\x00\\x03\\x00:\\xff\\xff\\xff\\xff\\xff\\xfe\\xfe\\x00\\xff\\xff\\xff\\xff\\xff\\xff\\xff\\xff\\xfe\\xff\\xff\\xff:%s:F\n' \
    "$binfmt_name" "$qemu" >"$dir/register"
}

fresh=""
[ -x "$qemu" ] || { unpack_qemu; fresh=again; }
[ "$(cat "$root_dir/.ready" 2>/dev/null)" = "$recipe" ] || unpack_root
register_binfmt $fresh
