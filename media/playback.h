// Playback flags shared by the video path and the windows, and the panel's
// playback commands: pause and resume, and seeking with the position bar.
#pragma once

#include <atomic>
#include <cstdint>

namespace lx {

// 1 while a video runner's poll loop runs; clearing it ends the loop.
extern std::atomic<int32_t> videoPlaying;
// 1 between a drag of the position bar's thumb and the end of that scroll.
extern std::atomic<int32_t> seeking;
// The frame chosen on the position bar.
extern std::atomic<int32_t> seekFrame;

// The panel's side of pause, resume and seeking; the graph follows on the
// video runner's next poll pass, so the panel never waits for it.
//
// The Play/Pause button with a video source: resumes a frozen picture,
// otherwise freezes it and holds the graph where it is.
void PauseOrResume();
// The position bar's thumb is dragged to a frame: the picture stands still
// and both bars follow the thumb.
void TrackSeek(int32_t frame);
// The thumb was let go: the video runs on from there.
void EndSeeking();

}  // namespace lx
