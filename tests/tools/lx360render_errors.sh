#!/usr/bin/env bash
# Black-box checks of lx360render: every bad input or option ends with exit
# status 2 and one line on stderr naming the file or option, never a crash;
# good pictures render, and the same picture as PPM, BMP 24 and BMP 32 gives
# the same frame.
#
# usage: lx360render_errors.sh path/to/lx360render TEMP_DIR
# Needs ImageMagick's convert for the fixtures.
set -u

BIN=${1:?usage: $0 lx360render TEMP_DIR}
T=${2:?usage: $0 lx360render TEMP_DIR}/lx360render_errors
rm -rf "$T"
mkdir -p "$T" || exit 1

passed=0
failed=0
pass() { passed=$((passed + 1)); }
fail() {
    failed=$((failed + 1))
    echo "FAIL: $*"
}

# Little-endian 16- and 32-bit fields for hand-made headers (negative values
# wrap to two's complement).
le16() { local v=$(($1 & 0xFFFF)); printf "\\$(printf %03o $((v & 255)))\\$(printf %03o $((v >> 8)))"; }
le32() {
    local v=$(($1 & 0xFFFFFFFF))
    le16 $((v & 0xFFFF))
    le16 $((v >> 16))
}
# A 54-byte BMP header: width, height, bit count, compression, data offset.
bmp_header() {
    printf 'BM'; le32 $((54 + 64)); le32 0; le32 "$5"
    le32 40; le32 "$1"; le32 "$2"; le16 1; le16 "$3"; le32 "$4"
    le32 0; le32 0; le32 0; le32 0; le32 0
}

# --- fixtures ---------------------------------------------------------------
convert -size 64x32 gradient: "$T/gradient.jpg" || { echo "convert failed"; exit 1; }
convert -seed 7 -size 64x32 plasma:fractal -depth 8 "ppm:$T/good.ppm" &&
    convert "$T/good.ppm" -type TrueColor "BMP3:$T/good24.bmp" &&
    convert "$T/good.ppm" -alpha on -define bmp:format=bmp4 "BMP:$T/good32.bmp" ||
    { echo "convert failed"; exit 1; }
head -c $(($(wc -c <"$T/gradient.jpg") / 2)) "$T/gradient.jpg" >"$T/truncated.jpg"
: >"$T/empty.ppm"
echo "this is not a picture" >"$T/text.jpg"
printf 'P6\n4 4\n65535\n' >"$T/maxval16.ppm"
head -c 96 /dev/zero >>"$T/maxval16.ppm"
printf 'P6\n100000 100000\n255\n' >"$T/huge.ppm"
head -c 300 /dev/zero >>"$T/huge.ppm"
printf 'P6\n# two rows\n64 2\n255\n' >"$T/tworows.ppm"
head -c $((64 * 2 * 3)) /dev/zero >>"$T/tworows.ppm"
printf 'P6\n64 32\n255\n' >"$T/shortdata.ppm"
head -c 100 /dev/zero >>"$T/shortdata.ppm"
printf 'BM\001\002garbage' >"$T/badheader.bmp"
{ bmp_header -64 32 24 0 54; head -c 64 /dev/zero; } >"$T/negwidth.bmp"
{ bmp_header 16384 -8192 32 0 54; head -c 64 /dev/zero; } >"$T/hugetopdown.bmp"
{ bmp_header 2147483647 2147483647 24 0 54; head -c 64 /dev/zero; } >"$T/int32max.bmp"
{ bmp_header 4 -2147483648 24 0 54; head -c 64 /dev/zero; } >"$T/int32min.bmp"
{ bmp_header 8 8 8 0 54; head -c 64 /dev/zero; } >"$T/palette.bmp"
{ bmp_header 8 8 24 1 54; head -c 64 /dev/zero; } >"$T/rle.bmp"
{ bmp_header 8 8 24 0 20; head -c 64 /dev/zero; } >"$T/badoffset.bmp"

# --- errors: exit 2, one stderr line that contains NEEDLE -------------------
# expect_error NAME NEEDLE ARGS...
expect_error() {
    local name=$1 needle=$2
    shift 2
    "$BIN" "$@" >"$T/stdout.txt" 2>"$T/stderr.txt"
    local rc=$? lines
    lines=$(wc -l <"$T/stderr.txt")
    if [ "$rc" -ge 128 ]; then
        fail "$name: crashed with status $rc"
    elif [ "$rc" -ne 2 ]; then
        fail "$name: status $rc, expected 2"
    elif [ "$lines" -ne 1 ] || [ "$(wc -c <"$T/stderr.txt")" -le 1 ]; then
        fail "$name: $lines lines on stderr, expected 1: $(head -c 300 "$T/stderr.txt")"
    elif ! grep -qF -- "$needle" "$T/stderr.txt"; then
        fail "$name: message does not name '$needle': $(cat "$T/stderr.txt")"
    elif [ -s "$T/stdout.txt" ]; then
        fail "$name: wrote to stdout"
    else
        pass
    fi
}

OUT=$T/out.bmp
GOOD=$T/good.ppm

expect_error "missing file"          missing.ppm      --in "$T/missing.ppm" --out "$OUT"
expect_error "directory as input"    "$T"             --in "$T" --out "$OUT"
expect_error "empty file"            empty.ppm        --in "$T/empty.ppm" --out "$OUT"
expect_error "text named .jpg"       text.jpg         --in "$T/text.jpg" --out "$OUT"
expect_error "truncated JPEG"        truncated.jpg    --in "$T/truncated.jpg" --out "$OUT"
expect_error "PPM maxval 65535"      maxval16.ppm     --in "$T/maxval16.ppm" --out "$OUT"
expect_error "PPM 100000x100000"     huge.ppm         --in "$T/huge.ppm" --out "$OUT"
expect_error "PPM with two rows"     tworows.ppm      --in "$T/tworows.ppm" --out "$OUT"
expect_error "PPM short pixel data"  shortdata.ppm    --in "$T/shortdata.ppm" --out "$OUT"
expect_error "BMP bad header"        badheader.bmp    --in "$T/badheader.bmp" --out "$OUT"
expect_error "BMP negative width"    negwidth.bmp     --in "$T/negwidth.bmp" --out "$OUT"
expect_error "BMP huge top-down"     hugetopdown.bmp  --in "$T/hugetopdown.bmp" --out "$OUT"
expect_error "BMP int32 max size"    int32max.bmp     --in "$T/int32max.bmp" --out "$OUT"
expect_error "BMP int32 min height"  int32min.bmp     --in "$T/int32min.bmp" --out "$OUT"
expect_error "BMP 8-bit palette"     palette.bmp      --in "$T/palette.bmp" --out "$OUT"
expect_error "BMP RLE"               rle.bmp          --in "$T/rle.bmp" --out "$OUT"
expect_error "BMP data offset"       badoffset.bmp    --in "$T/badoffset.bmp" --out "$OUT"
for fov in abc 0 -5 200 nan inf 1e39 ''; do
    expect_error "--fov '$fov'"      --fov            --in "$GOOD" --out "$OUT" --fov "$fov"
done
expect_error "--yaw 12abc"           --yaw            --in "$GOOD" --out "$OUT" --yaw 12abc
expect_error "--pitch inf"           --pitch          --in "$GOOD" --out "$OUT" --pitch inf
expect_error "--quality best"        --quality        --in "$GOOD" --out "$OUT" --quality best
expect_error "--wide 2"              --wide           --in "$GOOD" --out "$OUT" --wide 2
expect_error "--eye-lens 3"          --eye-lens       --in "$GOOD" --out "$OUT" --eye-lens 3
expect_error "--filter blur"         --filter         --in "$GOOD" --out "$OUT" --filter blur
expect_error "--effect sepia"        --effect         --in "$GOOD" --out "$OUT" --effect sepia
expect_error "--repeat 0"            --repeat         --in "$GOOD" --out "$OUT" --repeat 0
expect_error "--repeat 1.5"          --repeat         --in "$GOOD" --out "$OUT" --repeat 1.5
expect_error "unknown option"        --colour         --in "$GOOD" --out "$OUT" --colour red
expect_error "value missing at end"  --fov            --in "$GOOD" --out "$OUT" --fov
expect_error "value missing"         --yaw            --in "$GOOD" --yaw --out "$OUT"
expect_error "no --in"               --in             --out "$OUT"
expect_error "no --out"              --out            --in "$GOOD"
for size in 1063x600 1064x599 0x0 3000x1000 2x400 1064 x600 1064x 12x12x4; do
    expect_error "--size '$size'"    --size           --in "$GOOD" --out "$OUT" --size "$size"
done
expect_error "--turn with a picture"     "video --out"   --in "$GOOD" --out "$OUT" --turn 5
expect_error "--lossless with a picture" "video --out"   --in "$GOOD" --out "$OUT" --lossless
expect_error "--path with --yaw"    --path           --in "$GOOD" --out "$T/v.mkv" --path p --yaw 3
expect_error "--repeat with a video" --repeat        --in "$GOOD" --out "$T/v.mkv" --repeat 2
expect_error "--lossless in .mp4"   --lossless       --in "$GOOD" --out "$T/v.mp4" --lossless
expect_error "--lossless with --crf" --crf           --in "$GOOD" --out "$T/v.mkv" --lossless --crf 3
for value in -1 64 2.5 x; do
    expect_error "--crf '$value'"    --crf            --in "$GOOD" --out "$T/v.webm" --crf "$value"
done
expect_error "--crf 52 for H.264"   --crf            --in "$GOOD" --out "$T/v.mp4" --crf 52
for value in 0 241 -3 abc; do
    expect_error "--fps '$value'"    --fps            --in "$GOOD" --out "$T/v.mkv" --fps "$value"
done
for value in 0 -1 nan; do
    expect_error "--duration '$value'" --duration     --in "$GOOD" --out "$T/v.mkv" --duration "$value"
done
expect_error "--start -1"           --start          --in "$GOOD" --out "$T/v.mkv" --start -1
expect_error "--turn inf"           --turn           --in "$GOOD" --out "$T/v.mkv" --turn inf
expect_error "unwritable BMP"        no-such-dir      --in "$GOOD" --out "$T/no-such-dir/out.bmp"
expect_error "unwritable PNG"        no-such-dir      --in "$GOOD" --out "$T/no-such-dir/out.PNG"

# --- good inputs --------------------------------------------------------------
u32() { od -An -t u4 --endian=little -j "$2" -N 4 "$1" | tr -d ' '; }
s32() { od -An -t d4 --endian=little -j "$2" -N 4 "$1" | tr -d ' '; }

# expect_frame NAME OUT ARGS...: status 0, silent, and a BMP that is exactly
# the 54-byte headers and byteCount = 4 x width x height pixel bytes.
expect_frame() {
    local name=$1 out=$2
    shift 2
    rm -f "$out"
    "$BIN" "$@" --out "$out" >"$T/stdout.txt" 2>"$T/stderr.txt"
    local rc=$?
    if [ "$rc" -ne 0 ]; then
        fail "$name: status $rc: $(head -c 300 "$T/stderr.txt")"
        return
    fi
    if [ -s "$T/stderr.txt" ] || [ -s "$T/stdout.txt" ]; then
        fail "$name: unexpected output: $(head -c 300 "$T/stderr.txt" "$T/stdout.txt")"
        return
    fi
    local size width height count
    size=$(wc -c <"$out")
    width=$(s32 "$out" 18)
    height=$(s32 "$out" 22)
    count=$(u32 "$out" 34)
    if [ "$(head -c 2 "$out")" != BM ] || [ "$(u32 "$out" 14)" != 40 ] ||
        [ "$(od -An -t u2 --endian=little -j 28 -N 2 "$out" | tr -d ' ')" != 32 ]; then
        fail "$name: not a 32-bit BMP with a 40-byte header"
    elif [ "$width" -le 0 ] || [ "$height" -le 0 ] || [ "$count" -ne $((4 * width * height)) ]; then
        fail "$name: header says $width x $height with $count bytes"
    elif [ "$size" -ne $((54 + count)) ] || [ "$(u32 "$out" 2)" -ne "$size" ] ||
        [ "$(u32 "$out" 10)" -ne 54 ]; then
        fail "$name: file of $size bytes, expected 54 + $count"
    else
        pass
    fi
}

expect_frame "PPM"         "$T/ppm.bmp"   --in "$T/good.ppm"
expect_frame "BMP 24-bit"  "$T/bmp24.bmp" --in "$T/good24.bmp"
expect_frame "BMP 32-bit"  "$T/bmp32.bmp" --in "$T/good32.bmp"
expect_frame "JPEG"        "$T/jpeg.bmp"  --in "$T/gradient.jpg"
expect_frame "draft, 4:3, eye-lens, filters and effect" "$T/options.bmp" --in "$T/good.ppm" \
    --quality draft --wide 0 --eye-lens 4 --filter sharpen --effect fog --yaw 10 --pitch -20 --fov 150
expect_frame "--size"      "$T/size.bmp"  --in "$T/good.ppm" --size 1920x1080 --pitch 20
if [ -f "$T/size.bmp" ] && [ "$(s32 "$T/size.bmp" 18)" = 1920 ] && [ "$(s32 "$T/size.bmp" 22)" = 1080 ]; then
    pass
else
    fail "--size 1920x1080 did not give a 1920 x 1080 frame"
fi
expect_frame "--opt=value" "$T/equals.bmp" --in="$T/good.ppm" --fov=60 --pitch=-30.5

for variant in bmp24 bmp32; do
    if [ -f "$T/$variant.bmp" ] && [ -f "$T/ppm.bmp" ] && cmp -s -i 54 "$T/ppm.bmp" "$T/$variant.bmp"; then
        pass
    else
        fail "the picture as PPM and as $variant renders different pixels"
    fi
done
if cmp -s -i 54 "$T/ppm.bmp" "$T/options.bmp"; then
    fail "the view options changed nothing"
else
    pass
fi

rm -f "$T/out.png"
"$BIN" --in "$T/good.ppm" --out "$T/out.png" 2>"$T/stderr.txt"
if [ $? -eq 0 ] && [ "$(head -c 4 "$T/out.png" | tail -c 3)" = PNG ]; then
    pass
else
    fail "PNG output: $(head -c 300 "$T/stderr.txt")"
fi

"$BIN" --in "$T/good.ppm" --out "$T/repeat.bmp" --repeat 3 >"$T/stdout.txt" 2>"$T/stderr.txt"
rc=$?
if [ "$rc" -eq 0 ] && [ "$(wc -l <"$T/stdout.txt")" -eq 1 ] &&
    grep -qE '^passes=3 ms_per_pass=[0-9]+\.[0-9]{3}$' "$T/stdout.txt" && [ -s "$T/repeat.bmp" ]; then
    pass
else
    fail "--repeat 3: status $rc, stdout: $(head -c 200 "$T/stdout.txt")"
fi

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
