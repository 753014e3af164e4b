// The video runner: the thread that builds the media graph for sourcePath,
// installs and prepares a source frame of the video's size, and then polls
// the playing graph, starting the frame workers that copy the latest frame
// and render it, moving the position bars and looping at the end.
//
// The runner alone drives the graph. The panel's pause, resume and seek only
// leave requests that the next poll pass carries out, so the windows' thread
// never waits on the media framework.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>

namespace lx {

// The time of one frame (100 ns units), the frames in the media and the
// position last read from the graph or asked for by a seek.
extern std::atomic<int64_t> frameTime;
extern std::atomic<int32_t> totalFrames;
extern std::atomic<int64_t> playbackPosition;

constexpr char kVideoMemoryMessage[] = "Not enough memory for the video.";

DWORD WINAPI VideoRunner(LPVOID viewer);
// The starter of a video runner calls the first just before it creates the
// thread, and the second when the thread could not be created; the runner
// ends its start itself once it knows which playback it belongs to.
void BeginVideoRunner();
void EndVideoRunnerStart();
DWORD WINAPI FrameWorker(LPVOID unused);
// Called by the poll loop once the media has played to its end.
void RewindToStart();

// Ends playback: the running video runner leaves its loop, stops and
// releases its graph, and a runner still building gives up before it plays.
void EndVideoPlayback();

// Requests of the panel, carried out by the next poll pass: run or hold the
// graph, and move it to a position (holding it there).
void AskGraphToRun();
void AskGraphToPause();
void AskGraphToSeek(int64_t position);

// How long the viewer's teardown gives a video runner to finish.
constexpr DWORD kVideoRunnerEndTimeoutMs = 5000;

}  // namespace lx
