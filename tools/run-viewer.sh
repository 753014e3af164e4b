#!/bin/sh
# Builds the renderer and shows a view of the built-in sample panorama: the
# initial view a user sees when the viewer is switched on, rendered at High
# quality with sharpening.
set -eu
cd "$(dirname "$0")/.."
jobs=$(nproc 2>/dev/null || echo 2)
cmake -S . -B build/native -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build/native -j "$jobs" --target lx360render
mkdir -p build/run
out="$(pwd)/build/run/view.png"
build/native/lx360render --in resources/lx360s.jpg --out "$out" --filter sharpen
echo "Rendered the sample panorama's initial view: $out"
