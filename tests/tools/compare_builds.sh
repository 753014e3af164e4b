#!/bin/bash
# Renders the same views with the native and the Win32 build of lx360render
# and checks that the output frames are identical byte for byte.
#   compare_builds.sh NATIVE_RENDER WIN32_RENDER SAMPLE_JPEG WORK_DIR
set -u
native=$1
win32=$2
sample=$3
work=$4/compare_builds
mkdir -p "$work"

# The Win32 renderer reads no JPEG: both get the same PPM.
source_ppm="$work/source.ppm"
band_ppm="$work/band.ppm"
convert "$sample" -resize 1751x873! "$source_ppm" &&
    convert "$sample" -resize 1001x333! "$band_ppm" || { echo "cannot make the sources"; exit 1; }

views=(
    ""
    "--yaw 0 --pitch 0 --fov 90"
    "--yaw 179.9 --pitch 10 --fov 70 --quality draft"
    "--yaw -180 --pitch -89.5 --fov 125"
    "--yaw 45.25 --pitch 90 --fov 30 --wide 0"
    "--yaw -133.3 --pitch 33.3 --fov 100 --filter sharpen --effect fog"
    "--yaw 91 --pitch -20 --fov 60 --quality draft --wide 0 --filter soften --effect grayscale"
    "--yaw 270 --pitch 5 --fov 150 --eye-lens 4 --effect inverse"
    "--yaw 12.5 --pitch -45 --fov 26 --effect noise --repeat 3"
)
# And a fixed set of scattered views over the whole range.
while read -r yaw pitch fov quality; do
    views+=("--yaw $yaw --pitch $pitch --fov $fov --quality $quality")
done < <(awk 'BEGIN { srand(360); for (i = 0; i < 24; i++)
    printf "%.3f %.3f %.3f %s\n", rand() * 720 - 360, rand() * 180 - 90, 20 + rand() * 110,
           (i % 3 == 0) ? "draft" : "high" }')

# The low band gets a small output frame and a small view.
views+=("--in $band_ppm" "--in $band_ppm --yaw 100 --pitch 20 --fov 40 --eye-lens 4"
        "--in $band_ppm --wide 0 --quality draft --pitch -30")

passed=0
failed=0
for i in "${!views[@]}"; do
    # shellcheck disable=SC2086
    input=$source_ppm
    case ${views[$i]} in --in\ *) input=$(echo "${views[$i]}" | cut -d' ' -f2) ;; esac
    options=${views[$i]#--in $input}
    "$native" --in "$input" --out "$work/native_$i.bmp" $options >/dev/null
    native_status=$?
    # shellcheck disable=SC2086
    timeout 120 "${LX_WINE:-wine}" "$win32" --in "$("${LX_WINE:-wine}" winepath -w "$input")" \
        --out "$("${LX_WINE:-wine}" winepath -w "$work/win32_$i.bmp")" $options >/dev/null 2>"$work/win32_$i.err"
    win32_status=$?
    if [ $native_status -eq 0 ] && [ $win32_status -eq 0 ] &&
        cmp -s "$work/native_$i.bmp" "$work/win32_$i.bmp"; then
        passed=$((passed + 1))
    else
        failed=$((failed + 1))
        echo "view $i differs: ${views[$i]:-(initial view)} (status $native_status / $win32_status)"
        if [ -f "$work/native_$i.bmp" ] && [ -f "$work/win32_$i.bmp" ]; then
            cmp -l "$work/native_$i.bmp" "$work/win32_$i.bmp" | wc -l | sed 's/^/  bytes differing: /'
        fi
    fi
done
echo "$passed passed, $failed failed"
[ $failed -eq 0 ]
