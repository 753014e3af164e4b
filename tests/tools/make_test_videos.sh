#!/bin/sh
# Makes the test videos the playback tests open, in OUTDIR.
#
# usage: make_test_videos.sh OUTDIR [bench]
#        FFMPEG=/path/to/ffmpeg make_test_videos.sh OUTDIR   (default: ffmpeg)
#
# Every frame N (counted from 0) shows its own number so a test can tell which
# frame it is looking at (tests/support/frame_number.h reads it back):
#   - a grey vertical gradient, 224 at the top row down to about 32 at the
#     bottom, so a test can tell which way is up;
#   - across rows 40%..60% of the height, 16 equal-width blocks, the leftmost
#     being bit 0 of N: white for a 1, black for a 0.
# The picture is drawn in grey only, so chroma subsampling cannot blur it, and
# the blocks are 16 pixels wide at the default size, on the codecs' macroblock
# grid. Sound, where the container takes it, is a 440 Hz sine as long as the
# video.
#
# Default picture: 256x128, 25 fps, 4 s (100 frames). With "bench" as second
# argument it also makes two large H.264 files for performance tests.
# Prints nothing on success; stops at the first failure.
set -eu

if [ $# -lt 1 ] || [ $# -gt 2 ] || { [ $# -eq 2 ] && [ "$2" != bench ]; }; then
    echo "usage: $0 OUTDIR [bench]" >&2
    exit 2
fi
OUT=$1
BENCH=${2:-}
FFMPEG=${FFMPEG:-ffmpeg}
mkdir -p "$OUT"

ff() { "$FFMPEG" -nostdin -hide_banner -loglevel error -y "$@"; }
# Output option: no random stream serials or segment ids, no dates, so the same
# ffmpeg makes the same bytes on every run.
EXACT="-fflags +bitexact"

# The picture as a geq expression of the frame number N, column X, row Y
# (0 = top) and the size W x H. geq stores the value truncated to an integer.
PICTURE="if(gte(Y\,0.4*H)*lt(Y\,0.6*H)\,255*mod(floor(N/pow(2\,floor(X*16/W)))\,2)\,224-192*Y/H)"

# numbered WxH FPS SECONDS: a lavfi source of numbered grey frames.
numbered() {
    echo "nullsrc=s=$1:r=$2:d=$3,format=gray,geq=lum='$PICTURE'"
}
# tone SECONDS: a lavfi source of the sine.
tone() {
    echo "sine=frequency=440:sample_rate=44100:duration=$1"
}

V=$(numbered 256x128 25 4)
A=$(tone 4)

# --- the three formats the player is known to play ---------------------------
ff -f lavfi -i "$V" -f lavfi -i "$A" \
    -c:v mjpeg -pix_fmt yuvj420p -q:v 3 -c:a pcm_s16le $EXACT "$OUT/mjpeg_pcm.avi"
ff -f lavfi -i "$V" -f lavfi -i "$A" \
    -c:v libx264 -pix_fmt yuv420p -g 25 -c:a aac -b:a 96k -movflags +faststart $EXACT "$OUT/h264_aac.mp4"
ff -f lavfi -i "$V" -f lavfi -i "$A" \
    -c:v libvpx -b:v 1M -g 25 -c:a libvorbis -q:a 3 $EXACT "$OUT/vp8_vorbis.webm"

# A second MP4 of another size, for switching from one video to the next.
ff -f lavfi -i "$(numbered 320x160 25 4)" -f lavfi -i "$A" \
    -c:v libx264 -pix_fmt yuv420p -g 25 -c:a aac -b:a 96k -movflags +faststart $EXACT "$OUT/second.mp4"

# --- still panoramas -------------------------------------------------------------
# Pano.JPG: red left half, blue right half. second.jpg: green top half,
# yellow bottom half. pano.jpeg is the first under a name that is not ".jpg".
ff -f lavfi -i "color=black:s=1600x800:d=1,format=rgb24,geq=r='if(lt(X\,W/2)\,230\,20)':g=30:b='if(lt(X\,W/2)\,20\,230)'" \
    -frames:v 1 -c:v mjpeg -pix_fmt yuvj420p -q:v 2 -f mjpeg $EXACT "$OUT/Pano.JPG"
ff -f lavfi -i "color=black:s=1200x600:d=1,format=rgb24,geq=r='if(lt(Y\,H/2)\,20\,230)':g=220:b=20" \
    -frames:v 1 -c:v mjpeg -pix_fmt yuvj420p -q:v 2 -f mjpeg $EXACT "$OUT/second.jpg"
cp "$OUT/Pano.JPG" "$OUT/pano.jpeg"

# --- losslessly coded RGB, and ffmpeg's own decoding of it --------------------
# 32-bit BI_RGB frames in an AVI are read bottom-up when the header's height is
# positive, which is what Windows decoders expect; ffmpeg writes a negative
# (top-down) height unless told the rows are flipped. So the rows are flipped
# here and marked as bottom-up: the file holds a classic bottom-up DIB per
# frame and every reader shows the picture upright. The .bgra file holds the
# frames as a viewer shows them, top row first, 4 bytes a pixel.
ff -f lavfi -i "nullsrc=s=64x32:r=10:d=2,format=bgra,geq=r='$PICTURE':g='$PICTURE':b='$PICTURE':a=255,vflip" \
    -c:v rawvideo -pix_fmt bgra -flipped_raw_rgb 1 $EXACT "$OUT/lossless.avi"
ff -i "$OUT/lossless.avi" -fps_mode passthrough -f rawvideo -pix_fmt bgra $EXACT "$OUT/lossless_frames.bgra"

# --- one file per further container type -------------------------------------
# MPEG program streams: MPEG-1 video in a plain one, MPEG-2 in a DVD-style one.
ff -f lavfi -i "$V" -f lavfi -i "$A" \
    -c:v mpeg1video -q:v 3 -g 25 -c:a mp2 -b:a 128k -f mpeg $EXACT "$OUT/video.mpg"
ff -f lavfi -i "$V" -f lavfi -i "$A" \
    -c:v mpeg2video -q:v 3 -g 25 -c:a mp2 -b:a 128k -f vob $EXACT "$OUT/video.mpeg"
# QuickTime under both of its extensions.
for ext in mov qt; do
    ff -f lavfi -i "$V" -f lavfi -i "$A" \
        -c:v libx264 -pix_fmt yuv420p -g 25 -c:a aac -b:a 96k -f mov $EXACT "$OUT/video.$ext"
done
# Flash video: H.264 + AAC, the common pairing in FLV files (flv1 + mp3 could
# be made too); with the same codecs as the MP4 file a failure points at the
# container, not at a decoder.
ff -f lavfi -i "$V" -f lavfi -i "$A" \
    -c:v libx264 -pix_fmt yuv420p -g 25 -c:a aac -b:a 96k -f flv $EXACT "$OUT/video.flv"
ff -f lavfi -i "$V" -f lavfi -i "$A" \
    -c:v libx264 -pix_fmt yuv420p -g 25 -c:a aac -b:a 96k -f mp4 $EXACT "$OUT/video.f4v"
ff -f lavfi -i "$V" -f lavfi -i "$A" \
    -c:v wmv2 -q:v 3 -g 25 -c:a wmav2 -b:a 64k -f asf $EXACT "$OUT/video.wmv"
ff -f lavfi -i "$V" -f lavfi -i "$A" \
    -c:v libx264 -pix_fmt yuv420p -g 25 -c:a libvorbis -q:a 3 -f matroska $EXACT "$OUT/video.mkv"
for ext in ogg ogv; do
    ff -f lavfi -i "$V" -f lavfi -i "$A" \
        -c:v libtheora -q:v 8 -g 25 -c:a libvorbis -q:a 3 -f ogg $EXACT "$OUT/video.$ext"
done

# --- files that carry no playable video ---------------------------------------
ff -f lavfi -i "$(tone 2)" -c:a aac -b:a 96k $EXACT "$OUT/audio_only.mp4"
ff -f lavfi -i "$(tone 2)" -c:a pcm_s16le $EXACT "$OUT/audio_only.wav"
printf 'This is not a video.\nIt is three lines of plain text\nsaved with the extension .mp4.\n' \
    >"$OUT/text.mp4"
# 4096 pseudo-random bytes, the same on every run (Park-Miller generator; every
# product stays below 2^53, so awk's doubles compute it exactly).
LC_ALL=C awk 'BEGIN {
    x = 20241210
    for (i = 0; i < 4096; i++) {
        x = (x * 16807) % 2147483647
        printf "%c", int(x / 8388608) % 256
    }
}' >"$OUT/random.avi"
# A JPEG picture (frame 5) under a video name.
ff -f lavfi -i "$V" -vf "select=eq(n\,5)" -frames:v 1 -c:v mjpeg -pix_fmt yuvj420p -q:v 3 \
    -f mjpeg $EXACT "$OUT/picture.mkv"
: >"$OUT/empty.avi"
# The first 40% of the MP4 above. Its index sits at the front (faststart), so
# a reader finds all 100 frames announced but only the first ones present.
size=$(wc -c <"$OUT/h264_aac.mp4")
head -c $((size * 2 / 5)) "$OUT/h264_aac.mp4" >"$OUT/truncated.mp4"

# --- large files for performance tests -----------------------------------------
# Drawn at 480x240 and enlarged by whole factors without smoothing: geq at the
# full size would take minutes. 30 fps, 20 s (600 frames).
if [ "$BENCH" = bench ]; then
    for dims in 1920x960 3840x1920; do
        ff -f lavfi -i "$(numbered 480x240 30 20),scale=$dims:flags=neighbor" -f lavfi -i "$(tone 20)" \
            -c:v libx264 -preset ultrafast -pix_fmt yuv420p -g 30 -c:a aac -b:a 96k \
            -movflags +faststart $EXACT "$OUT/bench_$dims.mp4"
    done
fi
