#!/usr/bin/env bash
# Screenshots of the control panel's windows under Wine, written to build/screenshots/:
# main.png (after the first poll), and about.png and help.png when those windows open.
# Usage: scripts/screenshot.sh [panel.exe]   (default: dist/win64/ZudazuvOrerozoVuzuvaz.exe)
# HELPERS may name the folder of the helper programs (default: build/win64/helpers/), CLICK_BUTTON
# the click_button.exe to use.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
exe=${1:-$root/dist/win64/ZudazuvOrerozoVuzuvaz.exe}
out=$root/build/screenshots
mkdir -p "$out"
helpers=${HELPERS:-$root/build/win64/helpers}
unset DISPLAY
source "$root/scripts/wine-env.sh"
# With no window manager on the virtual display, Wine draws a window's frame only for windows it
# does not hand to a manager: so for the panel alone while the pictures are taken, so that they
# show its caption bars.
managed_key="HKCU\\Software\\Wine\\AppDefaults\\$(basename "$exe")\\X11 Driver"
wine reg add "$managed_key" /v Managed /t REG_SZ /d N /f </dev/null >/dev/null 2>&1 || true
finish() {
  wine reg delete "$managed_key" /f </dev/null >/dev/null 2>&1 || true
  wine_env_stop
}
trap finish EXIT
trap 'exit 1' INT TERM  # through the exit trap, so that the setting never outlives the script

grab() {  # grab "window title" file: the window's rectangle cut from the screen
  local geometry
  geometry=$(wine "$helpers/window_rect.exe" "$1" </dev/null 2>/dev/null | tr -d '\r' || true)
  if [ -n "$geometry" ]; then
    import -window root -crop "$geometry" +repage "$out/$2"
    echo "screenshot: $out/$2"
  else
    import -window root "$out/$2"
    echo "window \"$1\" not found; whole screen: $out/$2"
  fi
}

wine "$exe" </dev/null >/dev/null 2>&1 &
sleep 4
grab "Zudazuv Orerozo Vuzuvaz" main.png
clicker=${CLICK_BUTTON:-$helpers/click_button.exe}
if [ -f "$clicker" ]; then
  for pair in "About:About Quillora 5 Zudazuv Orerozo Vuzuvaz:about.png" "Help:Help:help.png"; do
    IFS=: read -r button title file <<<"$pair"
    wine "$clicker" "Zudazuv Orerozo Vuzuvaz" "$button" </dev/null >/dev/null 2>&1 || true
    sleep 2
    grab "$title" "$file"
    wine "$clicker" "$title" "Close" </dev/null >/dev/null 2>&1 || true
    sleep 1
  done
fi
