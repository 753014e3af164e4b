// Reads the number a test video made by tests/tools/make_test_videos.sh shows
// in each frame, and tells whether the frame is upright.
//
// The picture: a grey vertical gradient, bright at the top (224) and dark at
// the bottom (about 32), with a band across rows 40%..60% of the height made of
// 16 equal-width blocks, the leftmost being bit 0 of the frame number: white
// for a 1, black for a 0.
//
// The reader is strict so that a garbled frame cannot pass for a plausible
// number: every block must be clearly black or clearly white, the gradient
// just above and just below the band must be mid-grey in every block's column
// (the band is where it should be, and the picture is not black, white or
// shifted), and the strip above the band must be brighter than the strip below
// (an upside-down frame reads as no number, not as the same one).
#pragma once

#include <cstddef>
#include <cstdint>

namespace lx::testing {

namespace frame_number_detail {

// Pixels a frame is read in: at least 2 columns and 1 row per window.
constexpr int32_t kMinWidth = 32;
constexpr int32_t kMinHeight = 20;
constexpr int kBits = 16;
// Averages in this range are neither black nor white.
constexpr int kAmbiguousLow = 64;
constexpr int kAmbiguousHigh = 192;
// How much brighter the strip above the band must be than the one below. The
// gradient makes it about 67; an upside-down frame gives about -67.
constexpr int kMinGuardStep = 24;
// How much brighter the top quarter must be than the bottom one for
// ShowsUpright. The gradient makes it about 144.
constexpr int kMinUprightStep = 32;

// Rows counted from the top of the picture, as the fraction num/100 of the
// height, rounded down.
inline int32_t RowAt(int32_t height, int percent) {
    return int32_t(int64_t(height) * percent / 100);
}

// The mean luminance (0..255) of the columns [x0, x1) and rows [top0, top1)
// counted from the top, sampling at most about 64 x 64 pixels of it. The
// rectangle must be inside the picture and not empty.
inline int MeanLuminance(const uint8_t* pixels, int32_t width, int32_t height, int32_t x0,
                         int32_t x1, int32_t top0, int32_t top1) {
    const int32_t stepX = (x1 - x0) / 64 > 1 ? (x1 - x0) / 64 : 1;
    const int32_t stepY = (top1 - top0) / 64 > 1 ? (top1 - top0) / 64 : 1;
    const size_t stride = size_t(width) * 4;
    uint64_t sum = 0;
    uint64_t count = 0;
    for (int32_t top = top0; top < top1; top += stepY) {
        // Rows are stored bottom-up: the picture's top row is the last one.
        const uint8_t* row = pixels + size_t(height - 1 - top) * stride;
        for (int32_t x = x0; x < x1; x += stepX) {
            const uint8_t* p = row + size_t(x) * 4;
            // BT.601 weights in 1/256: blue, green, red.
            sum += (29u * p[0] + 150u * p[1] + 77u * p[2] + 128u) >> 8;
            ++count;
        }
    }
    return int(sum / count);
}

inline bool IsAmbiguous(int mean) { return mean >= kAmbiguousLow && mean <= kAmbiguousHigh; }

inline bool Readable(const uint8_t* pixels, int32_t width, int32_t height) {
    return pixels != nullptr && width >= kMinWidth && height >= kMinHeight;
}

}  // namespace frame_number_detail

// Reads the frame number a test video shows. Pixels are 32-bit BGRX, rows
// bottom-up (the last row in memory is the top of the picture), stride 4*width.
// Returns -1 when the picture does not carry a readable number.
inline int32_t ReadFrameNumber(const uint8_t* pixels, int32_t width, int32_t height) {
    namespace d = frame_number_detail;
    if (!d::Readable(pixels, width, height)) return -1;

    // Windows in the middle of each block, clear of its edges, where lossy
    // coding leaves the block's own value: the middle half of its width, and
    // the rows 45%..55% of the band's 40%..60%. The guard strips sit in the
    // gradient, 30%..35% and 65%..70%.
    const int32_t bandTop = d::RowAt(height, 45);
    const int32_t bandBottom = d::RowAt(height, 55);
    const int32_t aboveTop = d::RowAt(height, 30);
    const int32_t aboveBottom = d::RowAt(height, 35);
    const int32_t belowTop = d::RowAt(height, 65);
    const int32_t belowBottom = d::RowAt(height, 70);

    int32_t number = 0;
    int64_t aboveSum = 0;
    int64_t belowSum = 0;
    for (int bit = 0; bit < d::kBits; ++bit) {
        const int32_t blockLeft = int32_t(int64_t(width) * bit / d::kBits);
        const int32_t blockRight = int32_t(int64_t(width) * (bit + 1) / d::kBits);
        const int32_t quarter = (blockRight - blockLeft) / 4;
        const int32_t x0 = blockLeft + quarter;
        const int32_t x1 = blockRight - quarter;

        const int band = d::MeanLuminance(pixels, width, height, x0, x1, bandTop, bandBottom);
        if (d::IsAmbiguous(band)) return -1;
        const int above = d::MeanLuminance(pixels, width, height, x0, x1, aboveTop, aboveBottom);
        const int below = d::MeanLuminance(pixels, width, height, x0, x1, belowTop, belowBottom);
        if (!d::IsAmbiguous(above) || !d::IsAmbiguous(below)) return -1;
        aboveSum += above;
        belowSum += below;
        if (band > d::kAmbiguousHigh) number |= int32_t(1) << bit;
    }
    if (aboveSum - belowSum < int64_t(d::kMinGuardStep) * d::kBits) return -1;
    return number;
}

// true when the picture is upright: its top is brighter than its bottom.
inline bool ShowsUpright(const uint8_t* pixels, int32_t width, int32_t height) {
    namespace d = frame_number_detail;
    if (!d::Readable(pixels, width, height)) return false;
    const int top = d::MeanLuminance(pixels, width, height, 0, width, 0, d::RowAt(height, 25));
    const int bottom =
        d::MeanLuminance(pixels, width, height, 0, width, d::RowAt(height, 75), height);
    return top - bottom >= d::kMinUprightStep;
}

}  // namespace lx::testing
