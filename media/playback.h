// Playback flags shared by the video path and the windows.
#pragma once

#include <atomic>
#include <cstdint>

namespace lx {

// 1 while a video runner's poll loop runs; clearing it ends the loop.
extern std::atomic<int32_t> videoPlaying;

}  // namespace lx
