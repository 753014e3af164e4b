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

. "$root/tools/wine-session.sh"
windows_build() {
    cmake -S . -B "build/$1" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/$2" \
        -DCMAKE_BUILD_TYPE=Release -DLX_NATIVE_BUILD_DIR="$root/build/native" >/dev/null
    cmake --build "build/$1" -j "$jobs"
}

step "Win32 build"
windows_build win32 mingw-i686.cmake
# The Windows tests run where Wine can run them: the 32-bit build, or on a
# kernel without 32-bit programs the same code built for 64-bit Windows.
arch=$(wine_build_arch)
if [ "$arch" = win64 ]; then
    step "Win64 build (this kernel runs no 32-bit programs, so Wine cannot run the Win32 one)"
    windows_build win64 mingw-x86_64.cmake
fi

step "Windows tests under Wine ($arch)"
wine_session_begin "$root/build/$arch" "${LX_TEST_DISPLAY:-91}"
trap wine_session_end EXIT INT TERM
(cd "build/$arch" && ctest --output-on-failure --timeout 900) || status=1
wine_session_end
trap - EXIT INT TERM

if [ "$status" -ne 0 ]; then
    step "FAILED"
else
    step "all tests passed"
fi
exit "$status"
