#!/usr/bin/env bash
# Screenshots of the control panel's windows under Wine, written to build/screenshots/: in the
# style main.png (after the first poll), about.png, help.png, error.png (Install with the service
# program missing) and access-denied.png (a panel whose service manager refuses access, details
# shown); without the style the same with "-nostyle" in the name, and style-not-found.png.
# Given a display resolution in dots per inch (96 is 100 %, 144 is 150 %, 192 is 200 %), the
# programs run at that scale and the pictures go to build/screenshots/<dpi>/; the scale is set
# back to 96 at the end.
# Usage: scripts/screenshot.sh [DPI] [panel.exe]   (default: dist/win64/ZudazuvOrerozoVuzuvaz.exe)
# HELPERS may name the folder of the helper programs (default: build/win64/helpers/), CLICK_BUTTON
# the click_button.exe to use.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
dpi=""
if [[ "${1:-}" =~ ^[0-9]+$ ]]; then
  dpi=$1
  shift
  if (( dpi < 48 || dpi > 480 )); then echo "a resolution from 48 to 480 dots per inch, please" >&2; exit 2; fi
fi
exe=${1:-$root/dist/win64/ZudazuvOrerozoVuzuvaz.exe}
helpers=${HELPERS:-$root/build/win64/helpers}
nostyle=$root/build/win64/nostyle/ZudazuvOrerozoVuzuvaz_nostyle.exe
out=$root/build/screenshots${dpi:+/$dpi}
mkdir -p "$out"
unset DISPLAY
source "$root/scripts/wine-env.sh" win64
clicker=${CLICK_BUTTON:-$helpers/click_button.exe}
main="Zudazuv Orerozo Vuzuvaz"
# With no window manager on the virtual display, Wine draws a window's frame only for windows it
# does not hand to a manager: so for the programs photographed here, only while the pictures are
# taken, so that they show their caption bars.
managed_keys=()
for program in "$(basename "$exe")" "$(basename "$nostyle")" refusing_panel.exe; do
  managed_keys+=("HKCU\\Software\\Wine\\AppDefaults\\$program\\X11 Driver")
done
for key in "${managed_keys[@]}"; do
  wine reg add "$key" /v Managed /t REG_SZ /d N /f </dev/null >/dev/null 2>&1 || true
done
# Wine reads the display resolution when its server starts: set it, then start the server again.
set_dpi() {
  wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$1" /f </dev/null >/dev/null 2>&1
  wineserver -k </dev/null >/dev/null 2>&1 || true
  wineserver -w </dev/null >/dev/null 2>&1 || true
  wineserver -p </dev/null >/dev/null 2>&1 || true
  setsid wine cmd /c exit </dev/null >/dev/null 2>&1 || true
}
alone=""  # the panel's own folder for the Install error, made below
finish() {
  [ -n "$alone" ] && rm -rf "$alone"
  for key in "${managed_keys[@]}"; do wine reg delete "$key" /f </dev/null >/dev/null 2>&1 || true; done
  [ -n "$dpi" ] && wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d 96 /f </dev/null >/dev/null 2>&1
  wine_env_stop
}
trap finish EXIT
trap 'exit 1' INT TERM  # through the exit trap, so that the settings never outlive the script
[ -n "$dpi" ] && set_dpi "$dpi"

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

click() {  # click "window title" "button text"
  [ -f "$clicker" ] && wine "$clicker" "$1" "$2" </dev/null >/dev/null 2>&1 || true
}

# shoot suffix: the main window (already up), About, Help, then the error box of Install.
shoot() {
  grab "$main" "main$1.png"
  for pair in "About:About Quillora 5 Zudazuv Orerozo Vuzuvaz:about" "Help:Help:help"; do
    IFS=: read -r button title file <<<"$pair"
    click "$main" "$button"
    sleep 2
    grab "$title" "$file$1.png"
    click "$title" "Close"
    sleep 1
  done
  click "$main" "Install"
  sleep 2
  grab "Error" "error$1.png"
  click "Error" "OK"
  sleep 1
  click "$main" "Exit"
  sleep 1
}

# The panel alone in a folder, so that Install reports the missing service program.
alone=$(mktemp -d)
cp "$exe" "$alone/ZudazuvOrerozoVuzuvaz.exe"
wine "$alone/ZudazuvOrerozoVuzuvaz.exe" </dev/null >/dev/null 2>&1 &
sleep 4
shoot ""

if [ -f "$nostyle" ]; then  # its folder holds no service program either
  wine "$nostyle" </dev/null >/dev/null 2>&1 &
  sleep 3
  grab "Error" style-not-found.png
  click "Error" "&Close"
  sleep 4
  shoot "-nostyle"
fi

if [ -f "$helpers/refusing_panel.exe" ]; then
  for style in "" nostyle; do
    wine "$helpers/refusing_panel.exe" $style </dev/null >/dev/null 2>&1 &
    sleep 4
    click "Access Denied by Windows" ""  # the details expander, the one button without a caption
    sleep 1
    grab "Access Denied by Windows" "access-denied${style:+-$style}.png"
    click "Access Denied by Windows" "OK"
    sleep 1
    click "$main" "Exit"
    sleep 1
  done
fi
