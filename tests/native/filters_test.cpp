#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "effects/effects.h"
#include "render/frames.h"
#include "support/random_bytes.h"

namespace {

// Plain transcription of the sharpen filter: every byte of rows 1 .. H - 2
// from the unfiltered frame into a scratch copy, then the rows copied back.
void RefSharpen(uint8_t* p, int32_t w, int32_t h) {
    if (h < 3) return;
    const size_t row = 4 * size_t(w);
    std::vector<uint8_t> scratch(p, p + row * size_t(h));
    for (int32_t y = 1; y <= h - 2; ++y) {
        for (size_t k = y * row; k < (y + 1) * row; ++k) {
            const int16_t x = p[k];
            int16_t s = int16_t(5 * x - p[k - row] - p[k + row] - p[k - 4] - p[k + 4]);
            if (s < 0) s = 0;
            if (s > 255) s = 255;
            scratch[k] = uint8_t(uint16_t(s + 3 * x) >> 2);
        }
    }
    std::memcpy(p + row, scratch.data() + row, row * size_t(h - 2));
}

// Plain transcription of the soften filter, in place and in increasing order;
// p must hold W + 1 pixels after the frame.
void RefSoften(uint8_t* p, int32_t w, int32_t h) {
    const size_t row = 4 * size_t(w);
    for (size_t k = 0; k < row * size_t(h); ++k)
        p[k] = uint8_t(uint16_t(p[k] + p[k + 4] + p[k + row] + p[k + row + 4]) >> 2);
}

using lx::testing::FillRandom;

class FrameFiltersTest : public ::testing::Test {
protected:
    void SetUp() override {
        lx::outputFrame.pixels = lx::AllocatePixels(lx::kOutputBufferBytes);
        lx::outputFrame.scratch = lx::AllocatePixels(lx::kOutputBufferBytes);
        ASSERT_TRUE(lx::outputFrame.pixels && lx::outputFrame.scratch);
    }
    void TearDown() override {
        lx::outputFrame.pixels.reset();
        lx::outputFrame.scratch.reset();
        lx::outputFrame.width = lx::outputFrame.height = 0;
        lx::outputFrame.pixelCount = lx::outputFrame.byteCount = 0;
    }
    static void SetSize(int32_t w, int32_t h) {
        lx::outputFrame.width = w;
        lx::outputFrame.height = h;
        lx::outputFrame.pixelCount = w * h;
        lx::outputFrame.byteCount = 4 * w * h;
    }
    static uint8_t* Pixels() { return lx::outputFrame.pixels.get(); }
    static void FillPixels(size_t first, size_t count, uint8_t value) {
        std::memset(Pixels() + 4 * first, value, 4 * count);
    }
};

struct Filter {
    const char* name;
    void (*apply)();
    void (*reference)(uint8_t*, int32_t, int32_t);
};

const Filter kFilters[] = {
    {"Sharpen", lx::SharpenFrame, RefSharpen},
    {"Soften", lx::SoftenFrame, RefSoften},
};

// The vector paths against the plain ones, including frames too short for a
// sharpen and widths that leave a ragged tail. The bytes after the frame, which
// the soften reads, are random too, and no byte beyond the frame may change.
TEST_F(FrameFiltersTest, MatchPlainArithmeticOnRandomFrames) {
    const int32_t sizes[][2] = {{4, 3},  {8, 5},  {5, 3},     {7, 4},
                                {4, 1},  {4, 2},  {532, 399}, {1064, 600}};
    uint32_t seed = 7;
    for (const Filter& filter : kFilters) {
        for (const auto& size : sizes) {
            const int32_t w = size[0], h = size[1];
            SCOPED_TRACE(std::string(filter.name) + " " + std::to_string(w) + "x" + std::to_string(h));
            SetSize(w, h);
            const size_t bytes = 4 * size_t(w) * size_t(h + 1) + 64;
            FillRandom(Pixels(), bytes, seed++);
            const std::vector<uint8_t> before(Pixels(), Pixels() + bytes);
            std::vector<uint8_t> expected = before;
            filter.reference(expected.data(), w, h);
            filter.apply();
            ASSERT_EQ(0, std::memcmp(expected.data(), Pixels(), bytes));
            if (filter.apply == lx::SharpenFrame) {
                const size_t row = 4 * size_t(w);
                EXPECT_EQ(0, std::memcmp(before.data(), Pixels(), row)) << "row 0 changed";
                EXPECT_EQ(0, std::memcmp(before.data() + row * (h - 1), Pixels() + row * (h - 1), row))
                    << "last row changed";
            }
        }
    }
}

struct Change {
    int32_t y, x;
    uint8_t value;
};

struct SpikeCase {
    const char* name;
    uint8_t background;
    uint8_t spike;
    int32_t y, x;
    std::vector<Change> changes;  // pixels that differ from the frame before
};

// An 8 x 5 frame of one grey with one brighter pixel: the spike becomes
// (255 + 3 * 250) >> 2 = 251 and each of its four neighbours, whose S of -50 is
// clamped to 0, becomes (0 + 300) >> 2 = 75. At a row end the side neighbour
// is the adjacent pixel of the next or previous row.
TEST_F(FrameFiltersTest, SharpenSpikeAtAwkwardPositions) {
    constexpr int32_t kW = 8, kH = 5;
    const SpikeCase cases[] = {
        {"Interior", 100, 250, 2, 3, {{2, 3, 251}, {1, 3, 75}, {3, 3, 75}, {2, 2, 75}, {2, 4, 75}}},
        {"RowEnd", 100, 250, 2, 7, {{2, 7, 251}, {1, 7, 75}, {3, 7, 75}, {2, 6, 75}, {3, 0, 75}}},
        {"RowStart", 100, 250, 2, 0, {{2, 0, 251}, {1, 0, 75}, {3, 0, 75}, {2, 1, 75}, {1, 7, 75}}},
        {"FirstFilteredRow", 100, 250, 1, 0, {{1, 0, 251}, {2, 0, 75}, {1, 1, 75}}},
        {"LastFilteredRow", 100, 250, 3, 7, {{3, 7, 251}, {2, 7, 75}, {3, 6, 75}}},
        {"InRowZero", 100, 250, 0, 3, {{1, 3, 75}}},
        {"AtFrameEnd", 100, 250, 4, 7, {{3, 7, 75}}},
        {"WhiteOnBlack", 0, 255, 2, 3, {}},
        {"BlackOnWhite", 255, 0, 2, 3, {}},
        {"WhiteOnBlackAtRowEnd", 0, 255, 2, 7, {}},
        {"BlackOnWhiteAtRowEnd", 255, 0, 2, 7, {}},
    };
    for (const SpikeCase& c : cases) {
        SCOPED_TRACE(c.name);
        SetSize(kW, kH);
        FillPixels(0, kW * kH, c.background);
        FillPixels(size_t(c.y * kW + c.x), 1, c.spike);
        std::vector<uint8_t> expected(Pixels(), Pixels() + 4 * kW * kH);
        for (const Change& change : c.changes)
            std::memset(expected.data() + 4 * (change.y * kW + change.x), change.value, 4);
        lx::SharpenFrame();
        ASSERT_EQ(0, std::memcmp(expected.data(), Pixels(), expected.size()));
    }
}

// Left half 0, right half 200, zeros after the frame: the last column of the
// left half and the last column of the frame (which meets the dark start of the
// next row) become 100; the last row averages with the zeros after the frame.
TEST_F(FrameFiltersTest, SoftenHalvesMeetAtBothColumnEnds) {
    constexpr int32_t kW = 8, kH = 5;
    SetSize(kW, kH);
    FillPixels(0, kW * (kH + 2), 0);
    for (int32_t y = 0; y < kH; ++y) FillPixels(size_t(y * kW + kW / 2), kW / 2, 200);
    lx::SoftenFrame();
    const uint8_t upper[kW] = {0, 0, 0, 100, 200, 200, 200, 100};
    const uint8_t last[kW] = {0, 0, 0, 50, 100, 100, 100, 50};
    for (int32_t y = 0; y < kH; ++y) {
        for (int32_t x = 0; x < kW; ++x) {
            const uint8_t want = y < kH - 1 ? upper[x] : last[x];
            const uint8_t* px = Pixels() + 4 * (y * kW + x);
            for (int b = 0; b < 4; ++b) ASSERT_EQ(want, px[b]) << "pixel " << y << "," << x;
        }
    }
}

// A uniform frame is unchanged by both filters, except where the soften reads
// the different bytes after the frame: the last row and the last pixel of the
// row before it.
TEST_F(FrameFiltersTest, UniformFrameIsUnchanged) {
    constexpr int32_t kW = 8, kH = 5;
    for (const Filter& filter : kFilters) {
        for (uint8_t value : {uint8_t(0), uint8_t(77), uint8_t(255)}) {
            SCOPED_TRACE(std::string(filter.name) + " " + std::to_string(value));
            SetSize(kW, kH);
            FillPixels(0, kW * kH, value);
            FillPixels(kW * kH, kW + 1, uint8_t(value ^ 0xFF));
            filter.apply();
            const size_t untouched = filter.apply == lx::SoftenFrame ? kW * kH - kW - 1 : kW * kH;
            for (size_t k = 0; k < 4 * untouched; ++k) ASSERT_EQ(value, Pixels()[k]) << "byte " << k;
            if (filter.apply == lx::SoftenFrame) {
                EXPECT_NE(value, Pixels()[4 * untouched]);
            }
        }
    }
}

// A frame larger than the buffer: rows and pixels whose neighbours would lie
// past the buffer keep their values, the rest is filtered as usual.
TEST_F(FrameFiltersTest, OversizedFrameStaysInsideTheBuffer) {
    constexpr int32_t kW = 1064, kH = 3000;
    const size_t bufferPixels = lx::kOutputBufferBytes / 4;
    const size_t row = 4 * size_t(kW);
    SetSize(kW, kH);
    FillRandom(Pixels(), lx::kOutputBufferBytes, 3);
    {
        SCOPED_TRACE("Sharpen");
        const size_t rowsInBuffer = bufferPixels / kW;
        const size_t lastRow = rowsInBuffer - 2;
        std::vector<uint8_t> around(Pixels() + row * (lastRow - 1), Pixels() + row * (lastRow + 2));
        const std::vector<uint8_t> tail(Pixels() + row * (lastRow + 1), Pixels() + lx::kOutputBufferBytes);
        lx::SharpenFrame();
        RefSharpen(around.data(), kW, 3);
        EXPECT_EQ(0, std::memcmp(around.data() + row, Pixels() + row * lastRow, row));
        EXPECT_EQ(0, std::memcmp(tail.data(), Pixels() + row * (lastRow + 1), tail.size()));
    }
    {
        SCOPED_TRACE("Soften");
        const size_t keep = kW + 1;
        const size_t first = bufferPixels - keep;  // first pixel left alone
        const std::vector<uint8_t> tail(Pixels() + 4 * first, Pixels() + lx::kOutputBufferBytes);
        std::vector<uint8_t> expected(Pixels() + 4 * (first - 1), Pixels() + lx::kOutputBufferBytes);
        lx::SoftenFrame();
        for (int b = 0; b < 4; ++b) {
            const uint8_t* p = expected.data() + b;
            expected[b] = uint8_t((p[0] + p[4] + p[row] + p[row + 4]) >> 2);
        }
        EXPECT_EQ(0, std::memcmp(expected.data(), Pixels() + 4 * (first - 1), 4));
        EXPECT_EQ(0, std::memcmp(tail.data(), Pixels() + 4 * first, tail.size()));
    }
}

TEST_F(FrameFiltersTest, MissingBuffersAreLeftAlone) {
    SetSize(8, 5);
    lx::outputFrame.scratch.reset();
    lx::SharpenFrame();
    lx::outputFrame.pixels.reset();
    lx::SharpenFrame();
    lx::SoftenFrame();
}

}  // namespace
