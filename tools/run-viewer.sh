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
cmake -S . -B build/win32 -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake" \
    -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build/win32 -j "$jobs" --target lx360view
viewer="$root/build/win32/lx360view.exe"

. "$root/tools/wine-session.sh"
if [ -n "${DISPLAY:-}" ]; then
    export LX_KEEP_DISPLAY=1
    wine_session_begin "$root/build/win32" ""
    trap wine_session_end EXIT INT TERM
    wine "$viewer"
    exit 0
fi

wine_session_begin "$root/build/win32" "${LX_RUN_DISPLAY:-92}"
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
