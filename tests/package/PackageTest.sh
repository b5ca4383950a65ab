#!/usr/bin/env bash
# The installer package under the 32-bit Wine, in a fresh prefix of its own: a failed registration
# rolled back, a silent install of a lower version with RESTARTSERVICES=1, the setting switched
# from the command line, the upgrade to this version, a refused downgrade and a silent uninstall.
# Usage: PackageTest.sh PACKAGE.msi OLDER_PACKAGE.msi PROGRAMS_DIR WORK_DIR   (the prefix is WORK_DIR/wineprefix)
set -uo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
new=$1 old=$2 dist=$3 work=$4
export WINEPREFIX=$work/wineprefix
wine=$root/scripts/wine32
failures=0
check() {  # description, command...: a failed command is a failed check
  local what=$1
  shift
  if "$@" >/dev/null 2>&1; then echo "ok: $what"; else echo "FAILED: $what"; failures=$((failures + 1)); fi
}
not() { ! "$@"; }
win() { echo "Z:${1//\//\\}"; }
msiexec() {  # what, log, msiexec arguments...: prints the exit code and the time taken
  local what=$1 log=$2 start=$SECONDS rc=0
  shift 2
  "$wine" msiexec "$@" /qn /l*v "$(win "$log")" </dev/null >/dev/null 2>&1 || rc=$?
  echo "$what: exit code $rc, $((SECONDS - start)) s" >&2
  echo "$rc"
}
text() { tr -d '\r' <"$1"; }  # the log or file without its line ends' carriage returns

# The sequence wixl wrote, with the script's corrections: the service's actions between the
# standard actions they depend on, the older version removed inside the transaction, and the undo
# actions real rollback actions.
sequence=$(msiinfo export "$new" InstallExecuteSequence | tr -d '\r')
at() { awk -F'\t' -v a="$1" '$1 == a { print $3 }' <<<"$sequence"; }
before() { [ "$(at "$1")" -lt "$(at "$2")" ]; }
check "the older version is removed inside the transaction" before InstallInitialize RemoveExistingProducts
check "the service is removed after it has stopped" before StopServices UnregisterService
check "the service is removed before its program" before UnregisterService RemoveFiles
check "the service is registered once its program is in place" before InstallFiles RegisterService
check "the setting is written into the folder that the registration makes" before RegisterService SettingOn
check "the setting is written before the service starts" before SettingOff StartServices
check "the undo actions are rollback actions" test "$(msiinfo export "$new" CustomAction | tr -d '\r' |
  awk -F'\t' '$1 ~ /^Undo/ && int($2 / 256) % 2 { n++ } END { print n }')" = 2

# A fresh prefix, prepared as every build's is; its server and Wine's background processes stay up
# until the end, so that none is torn down or started while an installation runs.
rm -rf "$WINEPREFIX"
start=$SECONDS
source "$root/scripts/wine-env.sh" win32 >/dev/null
trap wine_env_stop EXIT
echo "fresh prefix: $((SECONDS - start)) s" >&2

drive=$WINEPREFIX/drive_c
programs="$drive/Program Files/Marnwick Software/Zudazuv Orerozo Vuzuvaz"
settings="$drive/ProgramData/Marnwick Software/ZoradidIvavuda/ZoradidIvavuda.ini"
service=Quillora5ZoradidIvavuda
companion() { "$wine" 'C:\Program Files\Marnwick Software\Zudazuv Orerozo Vuzuvaz\ZoradidIvavuda.exe' "$@" </dev/null 2>&1 | tr -d '\r'; }
running() { "$wine" sc query "$service" </dev/null 2>/dev/null | grep -q 'STATE.*RUNNING'; }
registered() { "$wine" reg query "HKLM\\SYSTEM\\CurrentControlSet\\Services\\$1" </dev/null >/dev/null 2>&1; }
entry() {  # the Add/Remove Programs entry of the product: its name, publisher and version
  "$wine" reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall' /s </dev/null 2>/dev/null | tr -d '\r' |
    awk '/^HKEY/ { name = publisher = version = "" } $1 == "DisplayName" { $1 = $2 = ""; name = $0 }
         $1 == "Publisher" { $1 = $2 = ""; publisher = $0 } $1 == "DisplayVersion" { version = $3 }
         name ~ /Zudazuv Orerozo Vuzuvaz/ && publisher && version { print publisher "|" version; name = "" }' |
    sed 's/^ *//'
}
# The Start menu folder that the installation resolved (per-machine on Windows; Wine resolves the
# user's), from the verbose log.
shortcut() { echo "$(text "$1" | sed -n 's/^Property(S): ProgramMenuFolder = C:\\\(.*\)$/\1/p' | tr '\\' /)Zudazuv Orerozo Vuzuvaz.lnk"; }

# A registration that fails rolls the installation back: a file takes the settings folder's place.
blocker="$drive/ProgramData/Marnwick Software/ZoradidIvavuda"
mkdir -p "$(dirname "$blocker")" && : >"$blocker"
log=$work/package-failed.log
check "an installation whose registration fails fails" not test "$(msiexec failed "$log" /i "$(win "$new")")" = 0
check "it leaves no program behind" test ! -e "$drive/Program Files/Marnwick Software"
check "nor a service" not registered "$service"
check "nor an entry in Add/Remove Programs" test -z "$(entry)"
rm -f "$blocker"

log=$work/package-install.log
check "a silent install with RESTARTSERVICES=1 succeeds" test "$(msiexec install "$log" /i "$(win "$old")" RESTARTSERVICES=1)" = 0
check "the panel is in place" cmp "$programs/ZudazuvOrerozoVuzuvaz.exe" "$dist/ZudazuvOrerozoVuzuvaz.exe"
check "the service program is in place" cmp "$programs/ZoradidIvavuda.exe" "$dist/ZoradidIvavuda.exe"
link=$drive/$(shortcut "$log")
check "the Start-menu shortcut exists" test -f "$link"
check "the service is registered" registered "$service"
check "the service runs" running
check "the log shows the registration's action" grep -q 'Action start .*RegisterService' "$log"
check "/setting prints RestartServices=1" test "$(companion /setting)" = RestartServices=1
check "Add/Remove Programs names the publisher and the version" test "$(entry)" = "Marnwick Software|0.0.1"

check "/setting off prints RestartServices=0" test "$(companion /setting off)" = RestartServices=0
check "/setting off writes 0 into the file" grep -qx $'RestartServices=0\r' "$settings"
check "/setting on prints RestartServices=1" test "$(companion /setting on)" = RestartServices=1
check "/setting on writes 1 into the file" grep -qx $'RestartServices=1\r' "$settings"

# The administrators' own bytes, which no package rewrites.
printf '; kept as it is\r\n[Settings]\r\nRestartServices=1\r\n' >"$settings"
cp "$settings" "$work/settings.before"
log=$work/package-upgrade.log
check "the upgrade succeeds" test "$(msiexec upgrade "$log" /i "$(win "$new")")" = 0
check "the upgrade keeps the settings file byte for byte" cmp "$settings" "$work/settings.before"
check "the service is registered after the upgrade" registered "$service"
check "the service runs after the upgrade" running
version=$(msiinfo export "$new" Property | tr -d '\r' | awk -F'\t' '$1 == "ProductVersion" { print $2 }')
check "one entry, of the new version" test "$(entry)" = "Marnwick Software|$version"

log=$work/package-downgrade.log
# (Wine's msiexec ends with the exit code as its process's status, which keeps the low 8 bits.)
check "a downgrade is refused (1603)" test "$(msiexec downgrade "$log" /i "$(win "$old")")" = $((1603 % 256))
check "the newer version stays" test "$(entry)" = "Marnwick Software|$version"

log=$work/package-uninstall.log
check "a silent uninstall succeeds" test "$(msiexec uninstall "$log" /x "$(win "$new")")" = 0
check "the programs are gone" test ! -e "$drive/Program Files/Marnwick Software"
check "the shortcut is gone" test ! -e "$link"
check "the service is gone" not registered "$service"
check "the event source is gone" not registered "EventLog\\Application\\$service"
check "Add/Remove Programs has no entry" test -z "$(entry)"
check "the uninstall keeps the settings file byte for byte" cmp "$settings" "$work/settings.before"

# Registration left to the panel: nothing registered, started or removed that is not there.
log=$work/package-noservice.log
check "an install with INSTALLSERVICE=0 succeeds" test "$(msiexec noservice "$log" /i "$(win "$new")" INSTALLSERVICE=0)" = 0
check "it registers no service" not registered "$service"
check "its uninstall succeeds without a service" test "$(msiexec "noservice uninstall" "$work/package-noservice-uninstall.log" /x "$(win "$new")")" = 0

echo "$failures failed" >&2
[ "$failures" -eq 0 ]
