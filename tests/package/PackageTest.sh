#!/usr/bin/env bash
# The installer package under the 32-bit Wine, in a fresh prefix: a failed registration rolled back,
# a silent install of a lower version, /setting, the upgrade, a refused downgrade, the uninstall.
# Usage: PackageTest.sh PACKAGE.msi OLDER_PACKAGE.msi PROGRAMS_DIR WORK_DIR   (prefix: WORK_DIR/wineprefix)
set -uo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
new=$1 old=$2 dist=$3 work=$4
export WINEPREFIX=$work/wineprefix
wine=$root/scripts/wine32
failures=0
exec 3>&2  # the installations' times, past the checks' silenced output
check() {  # description, shell condition
  if eval "$2" >/dev/null 2>&1; then echo "ok: $1"; else echo "FAILED: $1"; failures=$((failures + 1)); fi
}
msiexec() {  # log name, msiexec arguments...: prints the exit code (Wine's process status keeps its low 8 bits)
  local log=$1 start=$SECONDS rc=0
  shift
  "$wine" msiexec "$@" /qn /l*v "$(win "$work/$log.log")" </dev/null >/dev/null 2>&1 || rc=$?
  echo "$log: exit code $rc, $((SECONDS - start)) s" >&3
  echo "$rc"
}
table() { msiinfo export "$new" "$1" | tr -d '\r'; }
win() { echo "Z:${1//\//\\}"; }
newer=$(win "$new") older=$(win "$old")

# The order wixl and the script's corrections give: the service's actions between the standard
# actions they depend on, the older version removed inside the transaction, real rollback actions.
at() { table InstallExecuteSequence | awk -F'\t' -v a="$1" '$1 == a { print $3 }'; }
before() { while [ $# -gt 1 ]; do [ "$(at "$1")" -lt "$(at "$2")" ] || return 1; shift; done; }
check "the order of the sequence" "before InstallInitialize RemoveExistingProducts StopServices UnregisterService RemoveFiles InstallFiles RegisterService SettingOn SettingOff StartServices"
check "the undo actions are rollback actions" "[ \$(table CustomAction | awk -F'\t' '/^Undo/ && int(\$2 / 256) % 2' | wc -l) = 2 ]"

rm -rf "$WINEPREFIX"
source "$root/scripts/wine-env.sh" win32 >/dev/null
trap wine_env_stop EXIT
drive=$WINEPREFIX/drive_c
programs="$drive/Program Files/Marnwick Software"
settings="$drive/ProgramData/Marnwick Software/ZoradidIvavuda/ZoradidIvavuda.ini"
service=Quillora5ZoradidIvavuda
companion() { "$wine" 'C:\Program Files\Marnwick Software\Zudazuv Orerozo Vuzuvaz\ZoradidIvavuda.exe' "$@" </dev/null 2>&1 | tr -d '\r'; }
running() { "$wine" sc query "$service" </dev/null 2>/dev/null | grep -q 'STATE.*RUNNING'; }
registered() { "$wine" reg query "HKLM\\SYSTEM\\CurrentControlSet\\Services\\$1" </dev/null >/dev/null 2>&1; }
entry() {  # "publisher|version" of the product's Add/Remove Programs entries
  "$wine" reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall' /s </dev/null 2>/dev/null | tr -d '\r' |
    awk '/^HKEY/ { p = v = "" } $1 == "DisplayName" { mine = /Zudazuv Orerozo Vuzuvaz/ } mine && $1 == "DisplayVersion" { v = $3 }
         mine && $1 == "Publisher" { $1 = $2 = ""; p = substr($0, 3) } mine && p && v { print p "|" v; mine = 0 }'
}
version=$(table Property | awk -F'\t' '$1 == "ProductVersion" { print $2 }')

# A file in the settings folder's place makes the registration fail.
blocker="$drive/ProgramData/Marnwick Software/ZoradidIvavuda"
mkdir -p "$(dirname "$blocker")" && : >"$blocker"
check "a failed registration fails the installation and rolls it back" \
  '[ "$(msiexec failed /i "$newer")" != 0 ] && [ ! -e "$programs" ] && ! registered $service && [ -z "$(entry)" ]'
rm -f "$blocker"

check "a silent install with RESTARTSERVICES=1" '[ "$(msiexec install /i "$older" RESTARTSERVICES=1)" = 0 ]'
shortcut="$drive/$(tr -d '\r' <"$work/install.log" | sed -n 's/^Property(S): ProgramMenuFolder = C:\\//p' | tr '\\' /)Zudazuv Orerozo Vuzuvaz.lnk"
check "the programs and the shortcut are in place" \
  'cmp "$programs"/*/ZudazuvOrerozoVuzuvaz.exe "$dist/ZudazuvOrerozoVuzuvaz.exe" && cmp "$programs"/*/ZoradidIvavuda.exe "$dist/ZoradidIvavuda.exe" && [ -f "$shortcut" ]'
check "the service is registered and runs" 'registered $service && running'
check "Add/Remove Programs names the publisher and the version" '[ "$(entry)" = "Marnwick Software|0.0.1" ]'
check "/setting prints RestartServices=1" '[ "$(companion /setting)" = RestartServices=1 ]'
check "/setting off prints and writes 0" '[ "$(companion /setting off)" = RestartServices=0 ] && grep -qx $'"'"'RestartServices=0\r'"'"' "$settings"'
check "/setting on prints and writes 1" '[ "$(companion /setting on)" = RestartServices=1 ] && grep -qx $'"'"'RestartServices=1\r'"'"' "$settings"'

# The administrators' own bytes, which no package rewrites.
printf '; kept as it is\r\n[Settings]\r\nRestartServices=1\r\n' >"$settings"
cp "$settings" "$work/settings.before"
check "the upgrade keeps the settings file byte for byte" '[ "$(msiexec upgrade /i "$newer")" = 0 ] && cmp "$settings" "$work/settings.before"'
check "the service stays registered and runs; one entry, of the new version" 'registered $service && running && [ "$(entry)" = "Marnwick Software|$version" ]'
check "a downgrade is refused (1603) and the newer version stays" \
  '[ "$(msiexec downgrade /i "$older")" = $((1603 % 256)) ] && [ "$(entry)" = "Marnwick Software|$version" ]'

check "a silent uninstall keeps the settings file byte for byte" '[ "$(msiexec uninstall /x "$newer")" = 0 ] && cmp "$settings" "$work/settings.before"'
check "it removes the programs, the shortcut, the service, its event source and the entry" \
  '[ ! -e "$programs" ] && [ ! -e "$shortcut" ] && ! registered $service && ! registered EventLog\\Application\\$service && [ -z "$(entry)" ]'

# Registration left to the panel, on a machine without settings: nothing registered, started or
# removed that is not there, also by a second run; the setting still written.
rm -rf "$(dirname "$settings")"
check "INSTALLSERVICE=0 installs, runs again and uninstalls without a service" \
  '[ "$(msiexec noservice /i "$newer" INSTALLSERVICE=0 RESTARTSERVICES=0)" = 0 ] && ! registered $service &&
   grep -qx $'"'"'RestartServices=0\r'"'"' "$settings" &&
   [ "$(msiexec noservice-again /i "$newer")" = 0 ] && ! registered $service && [ "$(msiexec noservice-uninstall /x "$newer")" = 0 ]'

# Removed by hand before the uninstall: the uninstall still succeeds, and what was left (the event
# source) goes.
check "a service removed by hand leaves nothing behind the uninstall" \
  '[ "$(msiexec byhand /i "$newer")" = 0 ] && "$wine" sc delete $service </dev/null >/dev/null 2>&1 &&
   [ "$(msiexec byhand-uninstall /x "$newer")" = 0 ] && ! registered EventLog\\Application\\$service'

echo "$failures failed" >&2
[ "$failures" -eq 0 ]
