// The media graph that decodes a video: a source filter for the file, a
// Sample Grabber that accepts only 32-bit RGB video and keeps a copy of the
// latest frame, a Null Renderer behind it, and whatever the framework adds
// when it renders the file once more for the sound.
//
// One graph exists at a time; the video runner that builds it is its only
// user besides the frame workers it starts, and releases it. Windows are
// reached only through the panel's message boxes.
#pragma once

#include <windows.h>
#include <dshow.h>
#include <qedit.h>

#include <atomic>
#include <cstdint>
#include <string>

namespace lx {

struct MediaGraph {
    IGraphBuilder* graph = nullptr;
    IBaseFilter* grabberFilter = nullptr;
    ISampleGrabber* grabber = nullptr;
    IBaseFilter* nullRenderer = nullptr;
    IBaseFilter* sourceFilter = nullptr;
    // The pins of the last ConnectFilters call.
    IPin* outPin = nullptr;
    IPin* inPin = nullptr;
    IMediaControl* mediaControl = nullptr;
    IVideoWindow* videoWindow = nullptr;
    IMediaSeeking* mediaSeeking = nullptr;
    // Tells when a stream has ended or failed.
    IMediaEvent* mediaEvent = nullptr;
    // The type asked of the grabber; once connected, the connected type.
    AM_MEDIA_TYPE mediaType{};
    VIDEOINFOHEADER videoInfo{};
    int32_t sampleSize = 0;
    int64_t duration = 0;  // 100 ns units
    double durationSeconds = 0;
};

extern MediaGraph mediaGraph;
// 1 from the start of a video runner to the end of its clean-up.
extern std::atomic<int32_t> graphBusy;
// Samples that have reached the grabber since the graph was built, counted by
// a callback beside the grabber's own copy; samplesCounted is 1 while the
// count works, so a frame already copied is not copied again.
extern std::atomic<uint32_t> samplesArrived;
extern std::atomic<int32_t> samplesCounted;

// Failure texts, shown in a box owned by the panel with the caption "Error".
constexpr char kNoGrabberInterfaceMessage[] = "IID_ISampleGrabber Error.";
constexpr char kAddGrabberMessage[] = "GraphBuilder AddFilter Error.";
constexpr char kGrabberTypeMessage[] = "ISampleGrabber SetMediaType Error.";
constexpr char kAddSourceMessage[] = "AddSourceFile Error";
constexpr char kAddNullRendererMessage[] = "AddFilter m_pNullRenderer";
constexpr char kBufferSamplesMessage[] = "Stream Error 011";
constexpr char kVideoFormatMessage[] =
    "Format of the file is not support.\r\nOr - File can be open by another app.\r\n ";

// The first pin of the filter with that direction, connected or not.
HRESULT FindPin(IBaseFilter* filter, PIN_DIRECTION direction, IPin** pin);
// Tries to connect the first output pin of `from` to the first input pin of
// `to`; whether it worked shows later, in the grabber's connected type.
void ConnectFilters(IGraphBuilder* graph, IBaseFilter* from, IBaseFilter* to);

// Builds the graph for the file up to the point where it can run. Returns
// nullptr, or the failure text to show; either way the graph's fields hold
// what was created, for ReleaseGraph.
const char* BuildMediaGraph(const std::wstring& path);

// The connected video's size; a top-down format has a negative height.
int32_t ConnectedWidth();
int32_t ConnectedHeight();
bool ConnectedTopDown();

// Releases every interface of the graph, leaving each field empty.
void ReleaseGraph();
// Forgets the graph's interfaces without releasing them: for a graph that
// would not stop, whose release would block as well.
void AbandonGraph();

// Graph control for the video runner. No call waits without bound: a state
// change is waited for at most kGraphStateTimeoutMs.
constexpr DWORD kGraphStateTimeoutMs = 2000;
void RunGraph();
void PauseGraph();
// Pauses, moves to the position and waits for the paused state.
void SeekGraph(int64_t position);
// Back to the start after the end of the media: stop, move to 0, pause, wait,
// and run again when asked to.
void RewindGraph(bool runAfterwards);
// Stops the graph; false when it did not stop within the time given.
bool StopGraph(DWORD timeoutMs);
// The current position, or the given one when the graph does not tell.
int64_t GraphPosition(int64_t otherwise);
// Takes the graph's pending events; true when a stream has ended or failed.
bool GraphStreamEnded();

}  // namespace lx
