#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <vector>

#include "effects/effects.h"
#include "render/frames.h"
#include "support/random_bytes.h"

namespace {

using Pixel = std::array<uint8_t, 4>;  // blue, green, red, fourth

// Plain transcriptions of the four effects, byte by byte, for comparison.
void RefInverse(uint8_t* p, size_t byteCount) {
    for (size_t unit = 0; unit < byteCount / 8; ++unit)
        for (size_t b = 0; b < 8; ++b) p[8 * unit + b] ^= 0xFF;
}

void RefNoise(uint8_t* p, size_t byteCount) {
    static const uint8_t mask[8] = {0x11, 0x11, 0x11, 0x00, 0x11, 0x11, 0x11, 0x00};
    for (size_t unit = 0; unit < byteCount / 8; ++unit)
        for (size_t b = 0; b < 8; ++b) p[8 * unit + b] |= mask[b];
}

void RefFog(uint8_t* p, size_t byteCount) {
    for (size_t unit = 0; unit < byteCount / 4; ++unit) {
        for (size_t b = 0; b < 3; ++b) {
            int t = p[4 * unit + b] + 63;
            if (t > 255) t = 255;
            t -= 48;
            if (t < 0) t = 0;
            p[4 * unit + b] = uint8_t(t);
        }
    }
}

void RefGrayScale(uint8_t* p, size_t pixelCount) {
    for (size_t n = 0; n < pixelCount; ++n) {
        uint8_t* px = p + 4 * n;
        const uint8_t g = uint8_t((px[0] + px[1] + px[2] + 127) >> 2);
        px[0] = px[1] = px[2] = px[3] = g;
    }
}

struct Effect {
    const char* name;
    void (*apply)();
    void (*reference)(uint8_t*, size_t byteCount);
};

void RefGrayScaleBytes(uint8_t* p, size_t byteCount) { RefGrayScale(p, byteCount / 4); }

const Effect kEffects[] = {
    {"Inverse", lx::ApplyInverse, RefInverse},
    {"Noise", lx::ApplyNoise, RefNoise},
    {"Fog", lx::ApplyFog, RefFog},
    {"GrayScale", lx::ApplyGrayScale, RefGrayScaleBytes},
};

using lx::testing::FillRandom;

class PixelEffectsTest : public ::testing::Test {
protected:
    void SetUp() override {
        lx::outputFrame.pixels = lx::AllocatePixels(lx::kOutputBufferBytes);
        ASSERT_TRUE(lx::outputFrame.pixels);
    }
    void TearDown() override {
        lx::outputFrame.pixels.reset();
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
};

// The vector paths against the plain ones, on frames whose byte counts do and
// do not fill whole vectors; the bytes after the frame must stay as they were.
TEST_F(PixelEffectsTest, MatchPlainArithmeticOnRandomFrames) {
    const int32_t sizes[][2] = {{4, 3}, {8, 5}, {5, 3}, {7, 2}, {1, 1}, {532, 399}, {1064, 600}};
    constexpr size_t kMargin = 64;
    uint32_t seed = 1;
    for (const Effect& effect : kEffects) {
        for (const auto& size : sizes) {
            SCOPED_TRACE(std::string(effect.name) + " " + std::to_string(size[0]) + "x" +
                         std::to_string(size[1]));
            SetSize(size[0], size[1]);
            const size_t bytes = size_t(lx::outputFrame.byteCount) + kMargin;
            FillRandom(Pixels(), bytes, seed++);
            std::vector<uint8_t> expected(Pixels(), Pixels() + bytes);
            effect.reference(expected.data(), size_t(lx::outputFrame.byteCount));
            effect.apply();
            ASSERT_EQ(0, std::memcmp(expected.data(), Pixels(), bytes));
        }
    }
}

struct EffectCase {
    const char* name;
    void (*apply)();
    Pixel in;
    Pixel out;
};

const EffectCase kEffectCases[] = {
    {"InverseBlack", lx::ApplyInverse, {0, 0, 0, 0}, {255, 255, 255, 255}},
    {"InverseFourthByte", lx::ApplyInverse, {1, 128, 254, 0x12}, {254, 127, 1, 0xED}},
    {"NoiseBlack", lx::ApplyNoise, {0, 0, 0, 0}, {17, 17, 17, 0}},
    {"NoiseWhite", lx::ApplyNoise, {255, 255, 255, 255}, {255, 255, 255, 255}},
    {"Noise128And0F", lx::ApplyNoise, {128, 0x0F, 128, 0x80}, {145, 0x1F, 145, 0x80}},
    {"FogBlack", lx::ApplyFog, {0, 0, 0, 0}, {15, 15, 15, 0}},
    {"FogWhite", lx::ApplyFog, {255, 255, 255, 255}, {207, 207, 207, 255}},
    {"Fog192And193", lx::ApplyFog, {192, 193, 100, 7}, {207, 207, 115, 7}},
    {"GrayBlack", lx::ApplyGrayScale, {0, 0, 0, 0}, {31, 31, 31, 31}},
    {"GrayWhite", lx::ApplyGrayScale, {255, 255, 255, 255}, {223, 223, 223, 223}},
    {"GrayPureRed", lx::ApplyGrayScale, {0, 0, 255, 0}, {95, 95, 95, 95}},
    {"GrayIgnoresFourthByte", lx::ApplyGrayScale, {0, 0, 0, 255}, {31, 31, 31, 31}},
};

// Each known pixel is placed at the frame start, a row end and the frame end
// of a frame of other pixels, which must come out as the plain arithmetic says.
TEST_F(PixelEffectsTest, KnownPixelsAtAwkwardPositions) {
    constexpr int32_t kW = 8, kH = 5;
    const int32_t positions[] = {0, kW - 1, kW, kW * kH - 1};
    for (const EffectCase& c : kEffectCases) {
        for (int32_t at : positions) {
            SCOPED_TRACE(std::string(c.name) + " at " + std::to_string(at));
            SetSize(kW, kH);
            const size_t bytes = size_t(lx::outputFrame.byteCount) + 16;
            FillRandom(Pixels(), bytes, uint32_t(at) + 99);
            std::memcpy(Pixels() + 4 * at, c.in.data(), 4);
            std::vector<uint8_t> expected(Pixels(), Pixels() + bytes);
            for (const Effect& e : kEffects)
                if (e.apply == c.apply) e.reference(expected.data(), size_t(lx::outputFrame.byteCount));
            std::memcpy(expected.data() + 4 * at, c.out.data(), 4);
            c.apply();
            ASSERT_EQ(0, std::memcmp(expected.data(), Pixels(), bytes));
        }
    }
}

// A frame claiming more bytes than the buffer holds is processed up to the
// buffer's end and no further; without a buffer nothing happens.
TEST_F(PixelEffectsTest, StayInsideTheBuffer) {
    for (const Effect& effect : kEffects) {
        SCOPED_TRACE(effect.name);
        SetSize(1064, 600);
        lx::outputFrame.byteCount = int32_t(lx::kOutputBufferBytes + 4096);
        lx::outputFrame.pixelCount = int32_t(lx::kOutputBufferBytes / 4 + 1024);
        uint8_t* end = Pixels() + lx::kOutputBufferBytes - 8;
        std::array<uint8_t, 8> expected{};
        std::memcpy(end, expected.data(), 8);
        effect.apply();
        effect.reference(expected.data(), 8);
        EXPECT_EQ(0, std::memcmp(expected.data(), end, 8));
    }
    lx::outputFrame.pixels.reset();
    for (const Effect& effect : kEffects) effect.apply();
}

}  // namespace
