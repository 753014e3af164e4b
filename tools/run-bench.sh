#!/bin/sh
# Prints the speed figures: the native kernel benchmarks, then the running
# viewer under Wine (processor time turning and at rest, one render pass).
set -eu
cd "$(dirname "$0")/.."
root=$(pwd)
jobs=$(nproc 2>/dev/null || echo 2)
cmake -S . -B build/native -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build/native -j "$jobs" --target lx360bench
build/native/lx360bench --benchmark_min_time=0.3
cmake -S . -B build/win32 -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake" \
    -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build/win32 -j "$jobs" --target lx360viewbench
. "$root/tools/wine-session.sh"
wine_session_begin "$root/build/win32" "${LX_BENCH_DISPLAY:-94}"
trap wine_session_end EXIT INT TERM
wine build/win32/lx360viewbench.exe 2>/dev/null
