#!/usr/bin/env bash
# Sets up, builds the x86_64 programs and starts the control panel under Wine, with the service
# program beside it. Without a DISPLAY it runs on a virtual display and writes a screenshot to
# build/screenshots/main.png, then stops.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
"$root/scripts/build.sh" win64
had_display=${DISPLAY:-}
source "$root/scripts/wine-env.sh"
if [ -n "$had_display" ]; then
  exec wine "$root/dist/win64/ZudazuvOrerozoVuzuvaz.exe"
fi
mkdir -p "$root/build/screenshots"
wine "$root/dist/win64/ZudazuvOrerozoVuzuvaz.exe" </dev/null >/dev/null 2>&1 &
sleep 6
import -window root "$root/build/screenshots/main.png"
echo "screenshot: build/screenshots/main.png"
wine_env_stop
