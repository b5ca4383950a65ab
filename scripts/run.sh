#!/usr/bin/env bash
# Sets up, builds the programs and starts the control panel under Wine, with the service program
# beside it: the x86_64 build, or with --win32 the i686 build (the one that ships) under
# emulation. Without a DISPLAY it runs on a virtual display and writes a screenshot to
# build/screenshots/main.png, then stops.
# Usage: scripts/run.sh [--win32]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
arch=win64
case "${1:-}" in
  "") ;;
  --win32) arch=win32 ;;
  *) echo "usage: scripts/run.sh [--win32]" >&2; exit 2 ;;
esac
"$root/scripts/setup.sh"
"$root/scripts/build.sh" "$arch"
had_display=${DISPLAY:-}
source "$root/scripts/wine-env.sh" "$arch"
panel="$root/dist/$arch/ZudazuvOrerozoVuzuvaz.exe"
if [ -n "$had_display" ]; then
  exec "$WINE_ENV_WINE" "$panel"
fi
mkdir -p "$root/build/screenshots"
"$WINE_ENV_WINE" "$panel" </dev/null >/dev/null 2>&1 &
# Under emulation the panel takes longer to come up and make its first poll.
[ "$arch" = win32 ] && sleep 14 || sleep 6
import -window root "$root/build/screenshots/main.png"
echo "screenshot: build/screenshots/main.png"
wine_env_stop
