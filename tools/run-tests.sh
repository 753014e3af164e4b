#!/bin/sh
# Builds everything and runs every test: the native suites, the same suites
# under AddressSanitizer and UndefinedBehaviorSanitizer, and the Win32 suites
# under Wine on a virtual display of their own.
set -eu
cd "$(dirname "$0")/.."
root=$(pwd)
jobs=$(nproc 2>/dev/null || echo 2)
status=0

step() { printf '\n==== %s ====\n' "$*"; }

step "native build"
cmake -S . -B build/native -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build/native -j "$jobs"
step "native tests"
(cd build/native && ctest --output-on-failure -j "$jobs") || status=1

step "sanitizer build"
cmake -S . -B build/sanitize -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLX_SANITIZE=ON >/dev/null
cmake --build build/sanitize -j "$jobs"
step "native tests under AddressSanitizer and UndefinedBehaviorSanitizer"
(cd build/sanitize && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
    ctest --output-on-failure -j "$jobs") || status=1

step "Win32 build"
cmake -S . -B build/win32 -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DLX_NATIVE_BUILD_DIR="$root/build/native" >/dev/null
cmake --build build/win32 -j "$jobs"

step "Win32 tests under Wine"
. "$root/tools/wine-session.sh"
wine_session_begin "$root/build/win32" "${LX_TEST_DISPLAY:-91}"
trap wine_session_end EXIT INT TERM
(cd build/win32 && ctest --output-on-failure --timeout 900) || status=1
wine_session_end
trap - EXIT INT TERM

if [ "$status" -ne 0 ]; then
    step "FAILED"
else
    step "all tests passed"
fi
exit "$status"
