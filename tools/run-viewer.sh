#!/bin/sh
# Builds the viewer and starts it under Wine (directly on Windows there is no
# need for this script). With a display the viewer's control panel opens there
# and runs until it is closed. Without one it runs on a virtual display: the
# script presses Power, waits until the built-in panorama turns, saves a
# screenshot and ends the viewer.
set -eu
cd "$(dirname "$0")/.."
root=$(pwd)
jobs=$(nproc 2>/dev/null || echo 2)
. "$root/tools/wine-session.sh"
# The 32-bit viewer, or its 64-bit build where this kernel runs no 32-bit
# programs (and so no 32-bit Wine).
arch=$(wine_build_arch)
toolchain=mingw-i686.cmake
[ "$arch" = win64 ] && toolchain=mingw-x86_64.cmake
cmake -S . -B "build/$arch" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/$toolchain" \
    -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "build/$arch" -j "$jobs" --target lx360view
viewer="$root/build/$arch/lx360view.exe"
if [ -n "${DISPLAY:-}" ]; then
    export LX_KEEP_DISPLAY=1
    wine_session_begin "$root/build/$arch" ""
    trap wine_session_end EXIT INT TERM
    "${LX_WINE:-wine}" "$viewer"
    exit 0
fi

wine_session_begin "$root/build/$arch" "${LX_RUN_DISPLAY:-92}"
trap wine_session_end EXIT INT TERM
. "$root/tools/viewer-session.sh"
mkdir -p build/run
viewer_start "$viewer" build/run/viewer.log
if ! viewer_find_panel; then
    echo "The control panel did not appear; see build/run/viewer.log" >&2
    exit 1
fi
sleep 1
viewer_click_power
if ! viewer_wait_for_view; then
    echo "Power did not open the viewer window; see build/run/viewer.log" >&2
    exit 1
fi
# Let the panorama load and turn for a moment.
sleep 4
shot="$root/build/run/screenshot.png"
import -window root "$shot"
echo "The viewer is turning the built-in panorama; screenshot: $shot"
