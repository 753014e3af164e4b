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
. "$root/tools/wine-session.sh"
arch=$(wine_build_arch)
toolchain=mingw-i686.cmake
[ "$arch" = win64 ] && toolchain=mingw-x86_64.cmake
cmake -S . -B "build/$arch" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/$toolchain" \
    -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "build/$arch" -j "$jobs" --target lx360viewbench
echo "viewer under Wine ($arch build):"
wine_session_begin "$root/build/$arch" "${LX_BENCH_DISPLAY:-94}"
trap wine_session_end EXIT INT TERM
videos="$root/build/bench-videos"
[ -f "$videos/bench_3840x1920.mp4" ] || sh tests/tools/make_test_videos.sh "$videos" bench
"$LX_WINE" "build/$arch/lx360viewbench.exe" "Z:$videos/bench_1920x960.mp4" \
    "Z:$videos/bench_3840x1920.mp4" 2>/dev/null
