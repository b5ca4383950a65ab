#!/usr/bin/env bash
# Sets up, builds every configuration and runs every test: native unit tests (address and
# undefined-behaviour sanitizers, fuzz targets), the launcher and other threaded tests under the
# thread sanitizer, and the integration and end-to-end tests of the x86_64 build under Wine.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
"$root/scripts/build.sh"

status=0
echo "== native tests (address, undefined)"
ctest --test-dir "$root/build/native" --output-on-failure -j 2 || status=1
echo "== native tests (thread)"
ctest --test-dir "$root/build/native-tsan" --output-on-failure -j 2 -E '^fuzz_' || status=1

echo "== Windows tests under Wine"
source "$root/scripts/wine-env.sh"
ctest --test-dir "$root/build/win64" --output-on-failure || status=1
wine_env_stop
exit $status
