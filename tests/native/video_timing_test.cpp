// The frame arithmetic of a playing video: frame times, frame numbers at a
// position, the length text and the frame copy's size and row order.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

#include "media/video_timing.h"

namespace lx {
namespace {

constexpr int32_t kMaxInt32 = std::numeric_limits<int32_t>::max();

TEST(VideoTiming, FrameTimeIsNeverZero) {
    const struct {
        int64_t stated;
        int64_t frameTime;
    } cases[] = {
        {400000, 400001},
        {333667, 333668},
        {0, kAssumedTimePerFrame + 1},  // a video that states no frame time
        {-7, kAssumedTimePerFrame + 1},
    };
    for (const auto& c : cases) EXPECT_EQ(FrameTimeOf(c.stated), c.frameTime) << c.stated;
}

TEST(VideoTiming, TotalFramesRoundDownAndStayInRange) {
    const struct {
        int64_t duration;
        int64_t frameTime;
        int32_t frames;
    } cases[] = {
        {40000000, 400001, 99},  // 100 frames of 400,000 units each
        {40000000, 400000, 100},
        {0, 400001, 0},
        {-40000000, 400001, 0},
        {40000000, 0, 0},
        {int64_t(1) << 40, 1, kMaxInt32},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(TotalFramesOf(c.duration, c.frameTime), c.frames) << c.duration << " / " << c.frameTime;
    }
}

TEST(VideoTiming, FrameAtPositionRoundsToNearestWithTiesToEven) {
    const struct {
        int64_t position;
        int64_t frameTime;
        int32_t frame;
    } cases[] = {
        {0, 400001, 0},
        {400001, 400001, 1},
        {600000, 400001, 1},   // just under one and a half
        {600002, 400001, 2},   // just over
        {3, 2, 2},             // 1.5 goes to the even 2
        {5, 2, 2},             // 2.5 goes to the even 2
        {7, 2, 4},             // 3.5 goes to 4
        {-400001, 400001, 0},  // a position before the start
        {10, 0, 0},
        {int64_t(1) << 40, 1, kMaxInt32},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FrameAtPosition(c.position, c.frameTime), c.frame) << c.position << " / " << c.frameTime;
    }
    EXPECT_EQ(PositionOfFrame(50, 400001), 20000050);
    EXPECT_EQ(PositionOfFrame(-3, 400001), 0);
    EXPECT_EQ(FrameAtPosition(PositionOfFrame(70000, 400001), 400001), 70000);
}

TEST(VideoTiming, OnlyAKnownDurationEnds) {
    EXPECT_FALSE(PlayedToEnd(39999999, 40000000));
    EXPECT_TRUE(PlayedToEnd(40000000, 40000000));
    EXPECT_TRUE(PlayedToEnd(40000001, 40000000));
    // A video of unknown length must not rewind on every pass.
    EXPECT_FALSE(PlayedToEnd(0, 0));
    EXPECT_FALSE(PlayedToEnd(5, -1));
}

TEST(VideoTiming, DurationTextIsHoursMinutesSeconds) {
    const struct {
        double seconds;
        const char* text;
    } cases[] = {
        {3725.4, "01:02:05"},
        {60.0, "00:01:00"},
        {3599.9, "00:59:59"},
        {4.0, "00:00:04"},
        {0.0, "00:00:00"},
        {-3.0, "00:00:00"},
        {std::nan(""), "00:00:00"},
        {360000.0, "100:00:00"},
    };
    for (const auto& c : cases) EXPECT_EQ(FormatDuration(c.seconds), c.text) << c.seconds;
}

TEST(VideoTiming, FrameBytesRefuseSizesThatDoNotFit) {
    EXPECT_EQ(VideoFrameBytes(256, 128), 131072u);
    EXPECT_EQ(VideoFrameBytes(16384, 8192), 536870912u);
    EXPECT_EQ(VideoFrameBytes(0, 128), 0u);
    EXPECT_EQ(VideoFrameBytes(256, -128), 0u);
    EXPECT_EQ(VideoFrameBytes(40000, 20000), 0u);
}

TEST(VideoTiming, FlippingTurnsTopDownRowsBottomUp) {
    for (int32_t rows : {1, 2, 3, 4}) {
        const int32_t rowBytes = 8;
        std::vector<uint8_t> pixels(size_t(rows * rowBytes));
        for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = uint8_t(i);
        FlipRowsInPlace(pixels.data(), rowBytes, rows);
        for (int32_t row = 0; row < rows; ++row) {
            for (int32_t i = 0; i < rowBytes; ++i) {
                EXPECT_EQ(pixels[size_t(row * rowBytes + i)], uint8_t((rows - 1 - row) * rowBytes + i))
                    << rows << " rows, row " << row;
            }
        }
    }
}

}  // namespace
}  // namespace lx
