#!/usr/bin/env bash
# Screenshots of the control panel's windows under Wine, written to build/screenshots/:
# main.png (after the first poll), and about.png and help.png when those windows open.
# Usage: scripts/screenshot.sh [panel.exe]   (default: dist/win64/ZudazuvOrerozoVuzuvaz.exe)
# CLICK_BUTTON may name the click_button.exe to use (default: build/win64/helpers/).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
exe=${1:-$root/dist/win64/ZudazuvOrerozoVuzuvaz.exe}
out=$root/build/screenshots
mkdir -p "$out"
unset DISPLAY
source "$root/scripts/wine-env.sh"
trap wine_env_stop EXIT

grab() {  # grab "window title" file
  local id
  id=$(xwininfo -root -tree | grep -F "\"$1\"" | head -n1 | awk '{print $1}')
  if [ -n "$id" ]; then
    import -window "$id" -frame "$out/$2" 2>/dev/null || import -window root "$out/$2"
    echo "screenshot: $out/$2"
  else
    import -window root "$out/$2"
    echo "window \"$1\" not found; whole screen: $out/$2"
  fi
}

wine "$exe" </dev/null >/dev/null 2>&1 &
sleep 4
grab "Zudazuv Orerozo Vuzuvaz" main.png
clicker=${CLICK_BUTTON:-$root/build/win64/helpers/click_button.exe}
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
