// The arithmetic of a playing video: frame numbers, the length text and the
// frame copy, in the media framework's units (100 ns). No platform here.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace lx {

constexpr int64_t kTimeUnitsPerSecond = 10000000;
// Assumed when a video states no time per frame: 25 frames a second.
constexpr int64_t kAssumedTimePerFrame = kTimeUnitsPerSecond / 25;

// The time of one frame: the stated average time per frame plus 1, so it is
// never 0; a video that states none counts as 25 frames a second.
int64_t FrameTimeOf(int64_t averageTimePerFrame);

// Whole frames in the duration, at least 0 and at most what 32 bits hold.
int32_t TotalFramesOf(int64_t duration, int64_t frameTime);

// The frame shown at a position: position / frameTime rounded to nearest,
// ties to even, within 0 and what 32 bits hold.
int32_t FrameAtPosition(int64_t position, int64_t frameTime);

// The position of a frame chosen on the position bar.
int64_t PositionOfFrame(int32_t frame, int64_t frameTime);

// A video has played to its end once the position reaches a duration it
// knows; a video of unknown (zero) length never ends this way.
bool PlayedToEnd(int64_t position, int64_t duration);

// Seconds as hh:mm:ss, each part truncated and at least two digits; 3725.4
// reads 01:02:05. Negative or not-a-number lengths read 00:00:00.
std::string FormatDuration(double seconds);

// Bytes of one 32-bit frame of width x height pixels; 0 when either is not
// positive or the frame would not fit a 32-bit size.
size_t VideoFrameBytes(int32_t width, int32_t height);

// Turns a frame whose rows run top-down into one whose rows run bottom-up,
// in place.
void FlipRowsInPlace(uint8_t* pixels, int32_t rowBytes, int32_t rows);

}  // namespace lx
