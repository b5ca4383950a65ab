#!/usr/bin/env bash
# The benchmarks: they print figures and are never part of the tests.
#   native (release build, fixed metrics): settings file read/parse/write, markup layout
#   under Wine: one poll against `sc query` + `tasklist`, start-up time and working set,
#               handles and GDI/USER objects over 10,000 polls (takes several minutes), a caption
#               bar repaint (the pointer over the close button)
# Usage: scripts/bench.sh [native] [wine]   (default: both)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
parts=("$@")
[ ${#parts[@]} -eq 0 ] && parts=(native wine)
for part in "${parts[@]}"; do
  case "$part" in
    native)
      "$root/scripts/build.sh" native-release
      for b in "$root"/build/native-release/bench_*; do
        echo "== $(basename "$b")"
        "$b" --benchmark_min_time=0.2
      done ;;
    wine)
      "$root/scripts/build.sh" win64
      unset DISPLAY
      source "$root/scripts/wine-env.sh"
      bench="$root/build/win64/helpers/bench_panel.exe"
      echo "== poll"; wine "$bench" poll
      echo "== start"; wine "$bench" start "Z:${root//\//\\}\\dist\\win64\\ZudazuvOrerozoVuzuvaz.exe"
      echo "== install"; wine "$bench" install "Z:${root//\//\\}\\dist\\win64\\ZoradidIvavuda.exe"
      echo "== 10,000 polls"; wine "$bench" leak
      echo "== caption bar"; wine "$bench" caption
      echo "== executable sizes (bytes)"
      ls -l "$root"/dist/win32/*.exe "$root"/dist/win64/*.exe | awk '{print $5, $9}'
      wine_env_stop ;;
    *) echo "unknown part: $part" >&2; exit 2 ;;
  esac
done
