#!/usr/bin/env bash
# Sets up, builds every configuration and runs every test: native unit tests (address and
# undefined-behaviour sanitizers, fuzz targets), the launcher and other threaded tests under the
# thread sanitizer; and the integration and end-to-end tests under Wine of both Windows builds:
# x86_64, and i686 (the build that ships) under emulation, with the installer package's tests.
# Each part's time is printed. The release's two-build comparison takes about 5 minutes more,
# which CI's 30 do not leave: it is scripts/release.sh --check-reproducible.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
status=0
timed() {  # name, command...: runs it, prints how long it took, notes a failure
  local name=$1 start=$SECONDS rc=0
  shift
  "$@" || rc=$?
  if [ "$rc" -eq 0 ]; then
    echo "== $name: $((SECONDS - start)) s"
  else
    echo "== $name: $((SECONDS - start)) s, failed"
    status=1
  fi
}
# One Windows build's tests, in their own prefix and display.
wine_tests() {  # win64|win32
  (
    source "$root/scripts/wine-env.sh" "$1"
    rc=0
    ctest --test-dir "$root/build/$1" --output-on-failure || rc=1
    wine_env_stop
    exit $rc
  )
}

timed setup "$root/scripts/setup.sh"
timed build "$root/scripts/build.sh"
[ "$status" -eq 0 ] || exit 1

echo "== native tests (address, undefined)"
timed "native tests" ctest --test-dir "$root/build/native" --output-on-failure -j 2
echo "== native tests (thread)"
timed "native tests (thread)" ctest --test-dir "$root/build/native-tsan" --output-on-failure -j 2 -E '^fuzz_'

# One after the other: the two share the machine's two cores, and the tests that drive windows
# wait on the window system; the emulated one is the slower.
echo "== Windows tests of the x86_64 build under Wine"
timed "Windows tests (x86_64)" wine_tests win64
echo "== Windows tests of the i686 build under Wine, emulated"
timed "Windows tests (i686, emulated)" wine_tests win32
exit $status
