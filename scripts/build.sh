#!/usr/bin/env bash
# Builds the configurations: native (core + unit tests, sanitizers), native-tsan (thread
# sanitizer), win64 (x86_64) and win32 (i686, the release build); both Windows ones with the tests
# that run under Wine (win32 under emulation).
# Usage: scripts/build.sh [native|native-tsan|win64|win32 ...]   (default: all)
# BUILD_TARGETS, when set, names the targets to build (default: all of them).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
jobs=$(nproc)
configs=("$@")
[ ${#configs[@]} -eq 0 ] && configs=(native native-tsan win64 win32)
# Where ccache is installed, compilations are cached; paths under the checkout are hashed relative
# to it, so several checkouts of the tree share one cache.
launcher=()
if command -v ccache >/dev/null; then
  export CCACHE_BASEDIR="$root" CCACHE_NOHASHDIR=1
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi
# CMake keeps the compilers it found when a build folder was first configured, whatever the
# toolchain file names later; a folder set up with other compilers is configured afresh.
forget_other_compilers() {  # build folder, toolchain file
  local want found
  want=$(sed -n 's/^set(CMAKE_CXX_COMPILER \(.*\))$/\1/p' "$2")
  found=$({ cat "$1"/CMakeFiles/*/CMakeCXXCompiler.cmake 2>/dev/null || true; } | sed -n 's/^set(CMAKE_CXX_COMPILER "\(.*\)")$/\1/p')
  if [ -n "$found" ] && [ "$(basename "$found")" != "$want" ]; then
    echo "== $1 was configured with $(basename "$found"): configuring it afresh with $want"
    rm -rf "$1/CMakeCache.txt" "$1/CMakeFiles"
  fi
}
for c in "${configs[@]}"; do
  case "$c" in
    native)      args=(-DCMAKE_CXX_COMPILER=clang++ -DCMAKE_C_COMPILER=clang -DCMAKE_BUILD_TYPE=Debug) ;;
    native-tsan) args=(-DCMAKE_CXX_COMPILER=clang++ -DCMAKE_C_COMPILER=clang -DCMAKE_BUILD_TYPE=Debug -DSANITIZE=thread) ;;
    native-release) args=(-DCMAKE_CXX_COMPILER=clang++ -DCMAKE_C_COMPILER=clang -DCMAKE_BUILD_TYPE=Release -DSANITIZE= -DBUILD_BENCHMARKS=ON) ;;
    win64)       args=(-DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" -DCMAKE_BUILD_TYPE=Release) ;;
    win32)       args=(-DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-i686.cmake" -DCMAKE_BUILD_TYPE=Release -DBUILD_WIN_TESTS=ON) ;;
    *) echo "unknown configuration: $c" >&2; exit 2 ;;
  esac
  echo "== building $c"
  for a in "${args[@]}"; do
    case "$a" in -DCMAKE_TOOLCHAIN_FILE=*) forget_other_compilers "$root/build/$c" "${a#*=}" ;; esac
  done
  cmake -S "$root" -B "$root/build/$c" "${args[@]}" "${launcher[@]}" >/dev/null
  cmake --build "$root/build/$c" -j "$jobs" ${BUILD_TARGETS:+--target $BUILD_TARGETS}
done
