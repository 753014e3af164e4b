#!/bin/sh
# Installs the Debian packages the build and the tests need, when any is missing.
# Idempotent: a machine that has everything is left alone without touching apt.
set -eu

NATIVE_PACKAGES="g++ cmake make pkg-config python3 libgtest-dev libgmock-dev googletest libbenchmark-dev libjpeg62-turbo-dev libpng-dev"
WIN32_PACKAGES="g++-mingw-w64-i686-posix mingw-w64-i686-dev binutils-mingw-w64-i686 wine wine32 wine64 xvfb xauth \
gstreamer1.0-plugins-base:i386 gstreamer1.0-plugins-good:i386 gstreamer1.0-libav:i386 \
libgl1:i386 libgl1-mesa-dri:i386 libglx-mesa0:i386 ffmpeg imagemagick xdotool"

if [ "$(uname -s)" != "Linux" ]; then
    exit 0
fi

missing=""
for pkg in $NATIVE_PACKAGES $WIN32_PACKAGES; do
    if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed"; then
        missing="$missing $pkg"
    fi
done

if [ -z "$missing" ]; then
    exit 0
fi

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
