// A prepared source of a given size, with the renderer started, torn down
// after each test so the process-wide records start fresh.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <random>

#include "render/frames.h"
#include "render/projection.h"

namespace lx::testing {

inline void ResetRecords() {
    StopRenderer();
    sourceFrame = SourceFrame{};
    viewState = ViewState{};
    viewerSettings = ViewerSettings{};
    outputFrame.width = outputFrame.height = outputFrame.pixelCount = outputFrame.byteCount = 0;
    SetShellHooks(nullptr);
}

// Each pixel holds its own column in the low 16 bits and its row in the high
// 16 bits, so a rendered pixel tells where in the source it came from.
inline void FillWithCoordinates() {
    for (int32_t r = 0; r < sourceFrame.height; ++r)
        for (int32_t c = 0; c < sourceFrame.width; ++c) {
            const uint32_t value = uint32_t(c) | uint32_t(r) << 16;
            std::memcpy(sourceFrame.pixels.get() + size_t(r) * sourceFrame.width * 4 + 4 * size_t(c),
                        &value, 4);
        }
}

inline void FillWithNoise(uint32_t seed) {
    std::mt19937 random(seed);
    const size_t bytes = size_t(sourceFrame.width) * sourceFrame.height * 4;
    for (size_t i = 0; i < bytes; ++i) sourceFrame.pixels[i] = uint8_t(random());
}

class PreparedSource : public ::testing::Test {
protected:
    void TearDown() override { ResetRecords(); }

    // Allocates, fills and prepares a source; the renderer is started first.
    void Prepare(int32_t width, int32_t height, int32_t wideFormat = 1, int32_t eyeLens = 0) {
        ASSERT_TRUE(StartRenderer());
        ASSERT_TRUE(AllocateSource(width, height));
        viewerSettings.wideFormat = wideFormat;
        viewerSettings.eyeLens = eyeLens;
        ASSERT_TRUE(PrepareSource());
    }
};

}  // namespace lx::testing
