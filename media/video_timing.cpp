#include "media/video_timing.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <limits>
#include <vector>

namespace lx {

namespace {

constexpr int64_t kMaxInt32 = std::numeric_limits<int32_t>::max();

int32_t ClampToInt32(int64_t value) { return int32_t(std::clamp<int64_t>(value, 0, kMaxInt32)); }

}  // namespace

int64_t FrameTimeOf(int64_t averageTimePerFrame) {
    return (averageTimePerFrame > 0 ? averageTimePerFrame : kAssumedTimePerFrame) + 1;
}

int32_t TotalFramesOf(int64_t duration, int64_t frameTime) {
    if (duration <= 0 || frameTime <= 0) return 0;
    return ClampToInt32(duration / frameTime);
}

int32_t FrameAtPosition(int64_t position, int64_t frameTime) {
    if (position <= 0 || frameTime <= 0) return 0;
    int64_t frame = position / frameTime;
    const int64_t twiceRest = 2 * (position % frameTime);
    if (twiceRest > frameTime || (twiceRest == frameTime && frame % 2 == 1)) ++frame;
    return ClampToInt32(frame);
}

int64_t PositionOfFrame(int32_t frame, int64_t frameTime) {
    return int64_t(std::max<int32_t>(frame, 0)) * std::max<int64_t>(frameTime, 0);
}

bool PlayedToEnd(int64_t position, int64_t duration) { return duration > 0 && position >= duration; }

std::string FormatDuration(double seconds) {
    // Up to 99,999 hours; longer lengths are not real videos.
    if (!(seconds > 0)) seconds = 0;
    seconds = std::min(seconds, 99999.0 * 3600);
    const int64_t hours = int64_t(seconds / 3600);
    const int64_t minutes = int64_t((seconds - 3600.0 * double(hours)) / 60);
    const int64_t rest = int64_t(seconds - 3600.0 * double(hours) - 60.0 * double(minutes));
    char text[32];
    std::snprintf(text, sizeof(text), "%02lld:%02lld:%02lld", static_cast<long long>(hours),
                  static_cast<long long>(minutes), static_cast<long long>(rest));
    return text;
}

size_t VideoFrameBytes(int32_t width, int32_t height) {
    if (width <= 0 || height <= 0) return 0;
    const uint64_t bytes = uint64_t(width) * uint64_t(height) * 4;
    if (bytes > uint64_t(std::numeric_limits<int32_t>::max())) return 0;
    return size_t(bytes);
}

void FlipRowsInPlace(uint8_t* pixels, int32_t rowBytes, int32_t rows) {
    if (!pixels || rowBytes <= 0 || rows < 2) return;
    std::vector<uint8_t> row(size_t(rowBytes), 0);
    uint8_t* top = pixels;
    uint8_t* bottom = pixels + size_t(rows - 1) * size_t(rowBytes);
    while (top < bottom) {
        std::memcpy(row.data(), top, size_t(rowBytes));
        std::memcpy(top, bottom, size_t(rowBytes));
        std::memcpy(bottom, row.data(), size_t(rowBytes));
        top += rowBytes;
        bottom -= rowBytes;
    }
}

}  // namespace lx
