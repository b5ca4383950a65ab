#!/usr/bin/env bash
# Sourced, with the build to run (win64, the default, or win32): prepares a Wine prefix for it and,
# without a DISPLAY, a virtual display. Afterwards WINEPREFIX, WINEDEBUG and DISPLAY are set,
# WINE_ENV_WINE names the Wine that runs the build's programs (the 32-bit one runs under
# emulation, see scripts/wine32), the wineserver stays up (-p) and Wine's background processes run
# detached, so that they never hold a caller's output pipe open.
# Call wine_env_stop to end what this started.
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
WINE_ENV_ARCH=${1:-win64}
case "$WINE_ENV_ARCH" in
  win64) WINE_ENV_WINE=wine ;;
  win32) WINE_ENV_WINE="$root/scripts/wine32" ;;
  *) echo "wine-env.sh: unknown build $WINE_ENV_ARCH" >&2; return 2 ;;
esac
export WINEPREFIX="${WINEPREFIX:-$root/build/$WINE_ENV_ARCH/wineprefix}"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
WINE_ENV_XVFB_PID=""
if [ -z "${DISPLAY:-}" ]; then
  for n in $(seq 91 140); do
    # A display whose server is gone (killed, so it left its lock behind) is free again. kill -0
    # also fails for another user's live server, so the display must refuse connections as well.
    lock="/tmp/.X$n-lock"
    if [ -e "$lock" ] && ! kill -0 "$(tr -d ' ' <"$lock" 2>/dev/null)" 2>/dev/null &&
      ! xdpyinfo -display ":$n" >/dev/null 2>&1; then
      rm -f "$lock" "/tmp/.X11-unix/X$n"
    fi
    if [ ! -e "/tmp/.X11-unix/X$n" ] && [ ! -e "$lock" ]; then
      Xvfb ":$n" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
      WINE_ENV_XVFB_PID=$!
      export DISPLAY=":$n"
      for _ in $(seq 1 50); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done
      break
    fi
  done
fi
mkdir -p "$WINEPREFIX"
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "== preparing the Wine prefix $WINEPREFIX (once)"
  setsid "$WINE_ENV_WINE" wineboot -i </dev/null >/dev/null 2>&1 || true
  # Start from a settled prefix: a service manager left over from the first boot does not always
  # agree with the one later processes talk to.
  wineserver -k </dev/null >/dev/null 2>&1 || true
  wineserver -w </dev/null >/dev/null 2>&1 || true
fi
wineserver -p </dev/null >/dev/null 2>&1 || true
setsid "$WINE_ENV_WINE" cmd /c exit </dev/null >/dev/null 2>&1 || true
# "Segoe UI" is not on this system: draw it with a free font of close metrics.
if [ ! -f "$WINEPREFIX/.zo-fonts" ]; then
  "$WINE_ENV_WINE" reg add 'HKCU\Software\Wine\Fonts\Replacements' /v 'Segoe UI' /t REG_SZ /d 'Liberation Sans' /f \
    </dev/null >/dev/null 2>&1 && touch "$WINEPREFIX/.zo-fonts"
fi

wine_env_stop() {
  wineserver -k </dev/null >/dev/null 2>&1 || true
  [ -n "$WINE_ENV_XVFB_PID" ] && kill "$WINE_ENV_XVFB_PID" 2>/dev/null || true
}
