#!/usr/bin/env bash
# The benchmarks: they print figures and are never part of the tests.
#   native (release build, fixed metrics): settings file read/parse/write, markup layout
#   under Wine: one poll against `sc query` + `tasklist`, start-up time and working set, start-up
#               against the least program with the same window (ratio), a message's round trip
#               to the check box against a plain button and the main window, handles and GDI/USER
#               objects over 10,000 polls (takes several minutes; GDI/USER counts only outside Wine), a caption bar
#               repaint (the pointer over the close button), GDI objects over 20 display-scale
#               changes, start-up at 200 % against 100 %, the refusal of a 200 MB settings file
#   size: the programs' sizes in bytes against their budgets, and the libraries each imports
# Usage: scripts/bench.sh [native] [wine] [size]   (default: all three)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
parts=("$@")
[ ${#parts[@]} -eq 0 ] && parts=(native wine size)
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
      source "$root/scripts/wine-env.sh" win64
      bench="$root/build/win64/helpers/bench_panel.exe"
      echo "== poll"; wine "$bench" poll
      panel="Z:${root//\//\\}\\dist\\win64\\ZudazuvOrerozoVuzuvaz.exe"
      minimal="Z:${root//\//\\}\\build\\win64\\helpers\\bench_minimal_panel.exe"
      echo "== start"; wine "$bench" start "$panel"
      echo "== start-up against the minimal program"; wine "$bench" startup "$panel" "$minimal" 20
      echo "== message round trip"; wine "$bench" messages "$panel"
      echo "== install"; wine "$bench" install "Z:${root//\//\\}\\dist\\win64\\ZoradidIvavuda.exe"
      echo "== 10,000 polls"; wine "$bench" leak
      echo "== caption bar"; wine "$bench" caption
      echo "== 20 display-scale changes"; wine "$bench" dpi
      echo "== start-up at 200 % against 100 %"; wine "$bench" scale "$panel" 10
      echo "== a 200 MB settings file"; wine "$bench" oversized
      wine_env_stop ;;
    size)
      "$root/scripts/build.sh" win32 win64
      echo "== executable sizes (bytes, budget)"
      for entry in win32/ZudazuvOrerozoVuzuvaz.exe:540000 win32/ZoradidIvavuda.exe:290000 \
                   win64/ZudazuvOrerozoVuzuvaz.exe:480000 win64/ZoradidIvavuda.exe:-; do
        file="$root/dist/${entry%%:*}"
        printf '%-36s %8d  %s\n' "${entry%%:*}" "$(stat -c %s "$file")" "${entry##*:}"
      done
      echo "== imported libraries; DllCharacteristics (0x40 relocatable, 0x100 no-execute data) and relocations"
      for arch in win32:i686 win64:x86_64; do
        for exe in "$root/dist/${arch%%:*}"/*.exe; do
          objdump="${arch##*:}-w64-mingw32-objdump"
          echo "${arch%%:*}/$(basename "$exe"): $("$objdump" -p "$exe" | awk '/DLL Name:/ {print $3}' | tr '\n' ' ')"
          echo "    DllCharacteristics $("$objdump" -p "$exe" | awk '/^DllCharacteristics/ {print $2}'), $("$objdump" -h "$exe" | grep -c '\.reloc') .reloc section"
        done
      done ;;
    *) echo "unknown part: $part" >&2; exit 2 ;;
  esac
done
