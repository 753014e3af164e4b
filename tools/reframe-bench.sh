#!/usr/bin/env bash
# Prints the reframing speed figures: lx360render against ffmpeg's v360
# filter on the same work, in one run. 10 s of 3840 x 1920 H.264 at 30 fps
# to 1920 x 1080 H.264 at -preset veryfast, both at bilinear quality:
# (a) a fixed view, (b) a view that moves every frame (v360 through
# sendcmd). Also the cost of decoding, scaling and encoding alone, and of
# decoding and encoding with no more than a crop between: the floor any
# reframer built on these libraries starts from.
#
# usage: tools/reframe-bench.sh [BUILD_DIR]   (default build/native)
set -eu
cd "$(dirname "$0")/.."
build=${1:-build/native}
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j "$(nproc 2>/dev/null || echo 2)" --target lx360render >/dev/null
bin=$build/lx360render
work=build/bench-videos/reframe
mkdir -p "$work"
input=$work/pano_3840x1920_30fps.mp4
if [ ! -f "$input" ]; then
    echo "making $input ..."
    ffmpeg -v error -y -f lavfi -i testsrc2=size=3840x1920:rate=30:duration=10 \
        -c:v libx264 -preset veryfast -pix_fmt yuv420p "$input"
fi

# A yaw that moves 0.5 degrees a frame, inside v360's +-180.
commands=$work/moving.cmd
awk 'BEGIN { for (i = 0; i < 300; i++) printf "%.6f v360 yaw %.2f;\n", i / 30, -75 + i * 0.5 }' >"$commands"
vfov=$(python3 -c 'import math; print(2 * math.degrees(math.atan(math.tan(math.radians(48)) * 1080 / 1920)))')
flat="v360=e:flat:interp=line:w=1920:h=1080:h_fov=96:v_fov=$vfov:pitch=-10"
encode=(-c:v libx264 -preset veryfast -pix_fmt yuv420p -an)

# The machines we share wander by several per cent from run to run, so
# every command runs ROUNDS times (default 3), the rounds interleaved, and
# the fastest run of each is reported with its processor time.
rounds=${ROUNDS:-3}
names=()
declare -A best_wall best_cpu
TIMEFORMAT='%R %U %S'
measure() {
    local name=$1
    shift
    local figures
    figures=$( { time "$@" >/dev/null 2>"$work/stderr.txt"; } 2>&1 ) ||
        { echo "$name failed: $(head -c 300 "$work/stderr.txt")" >&2; exit 1; }
    read -r real user sys <<<"$figures"
    if [ -z "${best_wall[$name]:-}" ] || [ "$(echo "$real < ${best_wall[$name]}" | bc -l)" = 1 ]; then
        best_wall[$name]=$real
        best_cpu[$name]=$(echo "$user + $sys" | bc -l)
    fi
}

scale="ffmpeg decode, scale, encode alone"
crop="ffmpeg decode, crop, encode (no reframing)"
v360_fixed="(a) fixed view: ffmpeg v360"
lx_fixed="(a) fixed view: lx360render"
v360_moving="(b) moving view: ffmpeg v360 + sendcmd"
lx_moving="(b) moving view: lx360render --turn"
for round in $(seq "$rounds"); do
    echo "round $round of $rounds ..." >&2
    measure "$scale" \
        ffmpeg -v error -y -i "$input" -vf scale=1920:1080 "${encode[@]}" "$work/scale.mp4"
    measure "$crop" \
        ffmpeg -v error -y -i "$input" -vf crop=1920:1080 "${encode[@]}" "$work/crop.mp4"
    measure "$v360_fixed" \
        ffmpeg -v error -y -i "$input" -vf "$flat:yaw=30" "${encode[@]}" "$work/v360_fixed.mp4"
    measure "$lx_fixed" \
        "$bin" --in "$input" --out "$work/lx_fixed.mp4" --size 1920x1080 --yaw 30 --pitch 10 --fov 96 \
        --quality high --preset veryfast --no-audio --quiet
    measure "$v360_moving" \
        ffmpeg -v error -y -i "$input" -vf "sendcmd=f=$commands,$flat:yaw=-75" "${encode[@]}" "$work/v360_moving.mp4"
    measure "$lx_moving" \
        "$bin" --in "$input" --out "$work/lx_moving.mp4" --size 1920x1080 --yaw -75 --turn 15 --pitch 10 \
        --fov 96 --quality high --preset veryfast --no-audio --quiet
done

echo "10 s of 3840 x 1920 H.264 at 30 fps to 1920 x 1080 H.264, -preset veryfast, $(nproc) cores, best of $rounds:"
for name in "$scale" "$crop" "$v360_fixed" "$lx_fixed" "$v360_moving" "$lx_moving"; do
    printf '%-44s wall %6.2f s   processor %6.2f s\n' "$name" "${best_wall[$name]}" "${best_cpu[$name]}"
done
ratio() { echo "scale=3; $1 / $2" | bc -l; }
echo "lx360render / v360 wall time: (a) $(ratio "${best_wall[$lx_fixed]}" "${best_wall[$v360_fixed]}") (goal 0.9)," \
     "(b) $(ratio "${best_wall[$lx_moving]}" "${best_wall[$v360_moving]}") (goal 0.15);" \
     "no reframing at all: $(ratio "${best_wall[$crop]}" "${best_wall[$v360_fixed]}") of (a)"
