#!/usr/bin/env bash
# Builds the installer package from installer/ZudazuvOrerozoVuzuvaz.wxs with wixl, around the two
# i686 programs in PROGRAMS_DIR. Two runs on the same programs give the same bytes: the product
# code follows the version, the package code the contents, and every date is the commit's.
# Usage: scripts/package.sh PROGRAMS_DIR OUTPUT.msi [VERSION]   (VERSION: default the file VERSION)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
[ $# -ge 2 ] || { echo "usage: scripts/package.sh PROGRAMS_DIR OUTPUT.msi [VERSION]" >&2; exit 2; }
programs=$(cd "$1" && pwd)
output=$2
version=${3:-$(head -n 1 "$root/VERSION")}
source=$root/installer/ZudazuvOrerozoVuzuvaz.wxs
for tool in wixl msibuild faketime python3; do
  command -v "$tool" >/dev/null || { echo "package.sh: $tool is missing (run scripts/setup.sh)" >&2; exit 1; }
done

# The time every date in the package takes: SOURCE_DATE_EPOCH, else the commit's time.
epoch=${SOURCE_DATE_EPOCH:-$(git -C "$root" log -1 --format=%ct 2>/dev/null || echo 315532800)}

# wixl reads the files it names from beside the source; their times become the cabinet's.
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
cp "$source" "$programs/ZudazuvOrerozoVuzuvaz.exe" "$programs/ZoradidIvavuda.exe" "$root/res/AppIcon.ico" "$stage/"
touch -d "@$epoch" "$stage"/*

# One product code per version (a major upgrade needs a new one), one package code per contents.
upgrade_code=$(sed -n 's/.*UpgradeCode="\([0-9A-F-]*\)".*/\1/p' "$source")
read -r product_code package_code < <(python3 - "$upgrade_code" "$version" "$stage" <<'EOF'
import hashlib, os, sys, uuid
namespace, version, stage = uuid.UUID(sys.argv[1]), sys.argv[2], sys.argv[3]
contents = hashlib.sha256(version.encode())
for name in sorted(os.listdir(stage)):
    contents.update(name.encode() + b"\0" + open(os.path.join(stage, name), "rb").read())
print(str(uuid.uuid5(namespace, "product " + version)).upper(),
      str(uuid.uuid5(namespace, "package " + contents.hexdigest())).upper())
EOF
)

# wixl stamps the summary's dates with the clock: it runs at the commit's time.
at() { TZ=UTC faketime "$(date -u -d "@$epoch" '+%Y-%m-%d %H:%M:%S')" "$@"; }
msi=$stage/package.msi
(cd "$stage" && at wixl -a x86 -D Version="$version" -D ProductCode="$product_code" -D PackageCode="$package_code" \
  -o "$msi" ZudazuvOrerozoVuzuvaz.wxs)

# What wixl does not write as the source says:
# - it ignores a component's condition: the service starts when the package registered it or it
#   was registered already;
# - a shortcut under a file becomes an advertised one: it points at the panel itself;
# - a component makes and removes only its own folder: the panel's also makes the maker's folder
#   above it, which then goes with it when nothing else is in it;
# - its rollback actions lack the rollback and in-script bits (it makes them immediate actions);
# - its major upgrade removes the older product before InstallInitialize, outside the
#   installation's transaction, so that a failed upgrade would leave neither version: inside it,
#   a failure brings the older one back;
# - the properties given on the command line pass to the installation only when secure;
# - the log names what the service program is run for;
# - its summary takes the package code at random: it is the one derived above.
rollback=$((18 + 0x40 + 0x100 + 0x400 + 0x800))  # program from the File table, result ignored, rollback, no impersonation
at msibuild "$msi" \
  -q "UPDATE Component SET Condition = 'INSTALLSERVICE=\"1\" OR SERVICEREGISTERED OR (NOT INSTALLSERVICE AND NOT (Installed OR WIX_UPGRADE_DETECTED))' WHERE Component = 'ServiceStart'" \
  -q "UPDATE Shortcut SET Target = '[#PanelExe]' WHERE Shortcut = 'PanelShortcut'" \
  -q "UPDATE CustomAction SET Type = $rollback WHERE Action = 'UndoRegisterService' OR Action = 'UndoUnregisterService'" \
  -q "UPDATE InstallExecuteSequence SET Sequence = 1501 WHERE Action = 'RemoveExistingProducts'" \
  -q "UPDATE Property SET Value = 'WIX_DOWNGRADE_DETECTED;WIX_UPGRADE_DETECTED;INSTALLSERVICE;RESTARTSERVICES;SERVICEREGISTERED' WHERE Property = 'SecureCustomProperties'" \
  -q "INSERT INTO CreateFolder (Directory_, Component_) VALUES ('MakerFolder', 'Panel')" \
  -q "CREATE TABLE \`ActionText\` (\`Action\` CHAR(72) NOT NULL, \`Description\` CHAR(0) LOCALIZABLE, \`Template\` CHAR(0) LOCALIZABLE PRIMARY KEY \`Action\`)" \
  -q "INSERT INTO ActionText (Action, Description) VALUES ('RegisterService', 'Registering the service (ZoradidIvavuda /install)')" \
  -q "INSERT INTO ActionText (Action, Description) VALUES ('UnregisterService', 'Removing the service (ZoradidIvavuda /uninstall)')" \
  -q "INSERT INTO ActionText (Action, Description) VALUES ('SettingOn', 'Switching restarting on (ZoradidIvavuda /setting on)')" \
  -q "INSERT INTO ActionText (Action, Description) VALUES ('SettingOff', 'Switching restarting off (ZoradidIvavuda /setting off)')" \
  -s "Zudazuv Orerozo Vuzuvaz $version" "Marnwick Software" "Intel;1033" "{$package_code}"
mkdir -p "$(dirname "$output")"
mv "$msi" "$output"
