#!/bin/sh
# Installs the Debian packages the build and the tests need, when any is missing.
# Idempotent: a machine that has everything is left alone without touching apt.
set -eu

NATIVE_PACKAGES="g++ cmake make pkg-config python3 libgtest-dev libgmock-dev googletest libbenchmark-dev libjpeg62-turbo-dev libpng-dev \
libavformat-dev libavcodec-dev libavutil-dev libswscale-dev libswresample-dev ffmpeg"
WIN32_PACKAGES="g++-mingw-w64-i686-posix mingw-w64-i686-dev binutils-mingw-w64-i686 wine wine32 wine64 xvfb xauth \
gstreamer1.0-plugins-base:i386 gstreamer1.0-plugins-good:i386 gstreamer1.0-libav:i386 \
gstreamer1.0-plugins-bad:i386 gstreamer1.0-plugins-ugly:i386 \
libgl1:i386 libgl1-mesa-dri:i386 libglx-mesa0:i386 ffmpeg imagemagick xdotool fonts-wine python3-xlib"

# Where the kernel runs no 32-bit programs, Wine runs the 64-bit build of the
# Windows programs, which needs the 64-bit compiler and media plugins.
WIN64_PACKAGES="g++-mingw-w64-x86-64-posix mingw-w64-x86-64-dev binutils-mingw-w64-x86-64 \
gstreamer1.0-plugins-base gstreamer1.0-plugins-good gstreamer1.0-libav \
gstreamer1.0-plugins-bad gstreamer1.0-plugins-ugly libgl1 libgl1-mesa-dri libglx-mesa0"

if [ "$(uname -s)" != "Linux" ]; then
    exit 0
fi

missing_of() {
    missing=""
    for pkg in "$@"; do
        if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed"; then
            missing="$missing $pkg"
        fi
    done
}

install_packages() {
    if [ "$(id -u)" != "0" ]; then
        echo "install-deps: missing packages:$missing (run as root to install them)" >&2
        exit 1
    fi
    echo "install-deps: installing$missing"
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
        dpkg --add-architecture i386
    fi
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    # shellcheck disable=SC2086
    apt-get install -y -qq --no-install-recommends $missing >/dev/null
}

install_missing() {
    missing_of "$@"
    [ -z "$missing" ] || install_packages
}

install_missing $NATIVE_PACKAGES $WIN32_PACKAGES
if ! /usr/lib/wine/wine --version >/dev/null 2>&1; then
    install_missing $WIN64_PACKAGES
fi
