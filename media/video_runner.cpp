#include "media/video_runner.h"

#include <commctrl.h>

#include <string>

#include "media/media_graph.h"
#include "media/playback.h"
#include "media/still_picture.h"
#include "media/video_timing.h"
#include "render/display_win32.h"
#include "render/frames.h"
#include "render/navigation.h"
#include "render/pipeline.h"
#include "render/projection.h"
#include "shell/control_panel.h"
#include "shell/panel_indicators.h"
#include "shell/pump.h"
#include "shell/viewer_window.h"

namespace lx {

std::atomic<int64_t> frameTime{FrameTimeOf(0)};
std::atomic<int32_t> totalFrames{0};
std::atomic<int64_t> playbackPosition{0};

namespace {

constexpr DWORD kWorkerStackBytes = 0x100000;
constexpr DWORD kStartDelayMs = 1000;
// How long a running graph may take to deliver its first frame.
constexpr DWORD kFirstFrameTimeoutMs = 4000;
// A pass at least this often while the view moves or a new frame waits, as
// the still runner ticks; otherwise one now and then for the paint alone.
constexpr DWORD kMovingPassMs = 25;
constexpr DWORD kRestPassMs = 250;
constexpr DWORD kFrozenRestMs = 225;
constexpr DWORD kStopTimeoutMs = 5000;
constexpr size_t kPathCharacters = 520;
// How long a new runner waits for the previous one to release its graph.
constexpr DWORD kPreviousGraphWaitMs = 10000;

// Counts the calls of EndVideoPlayback, so that a runner can tell it was
// asked to end while it still built its graph.
std::atomic<uint32_t> playbackEndings{0};
// Runners created but not yet past reading playbackEndings: an ending must
// wait for them, or a runner started just before it would not see it.
std::atomic<int32_t> videoRunnersStarting{0};
constexpr DWORD kRunnerStartWaitMs = 2000;
// What the panel asked of the graph, carried out by the poll loop.
std::atomic<int32_t> wantRunning{1};
std::atomic<int64_t> pendingSeek{-1};

// The frame copy: its size, its row order, and the sample count it copied.
// Written before the first worker starts; the workers run one at a time.
size_t frameBytes = 0;
bool frameTopDown = false;
uint32_t samplesCopied = 0;

struct ComSession {
    HRESULT result = CoInitialize(nullptr);
    ~ComSession() {
        if (SUCCEEDED(result)) CoUninitialize();
    }
};

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\0'; }

std::wstring GraphPath(const std::string& path) {
    wchar_t wide[kPathCharacters] = {};
    const int length = MultiByteToWideChar(CP_ACP, 0, path.data(), int(path.size()), wide,
                                           int(kPathCharacters) - 1);
    std::wstring text(wide, size_t(length > 0 ? length : 0));
    while (!text.empty() && IsBlank(text.back())) text.pop_back();
    size_t first = 0;
    while (first < text.size() && IsBlank(text[first])) ++first;
    return text.substr(first);
}

void ShowError(const char* text) { MessageBoxA(panelWindow, text, kErrorCaption, MB_ICONHAND); }

bool Cancelled(uint32_t endingsAtStart) { return playbackEndings.load() != endingsAtStart; }

// Waits, giving up early when playback is ended meanwhile.
bool WaitUnlessCancelled(DWORD milliseconds, uint32_t endingsAtStart) {
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < milliseconds) {
        if (Cancelled(endingsAtStart)) return false;
        Sleep(10);
    }
    return !Cancelled(endingsAtStart);
}

// A graph can connect and run and still never deliver a frame (a JPEG
// named as a video): that is a file the program cannot show, and the
// picture in view stays.
bool FirstFrameArrives(uint32_t endingsAtStart) {
    if (samplesCounted == 0) return true;  // nothing tells; play on
    const DWORD start = GetTickCount();
    while (samplesArrived.load() == 0) {
        if (GetTickCount() - start >= kFirstFrameTimeoutMs || Cancelled(endingsAtStart)) return false;
        Sleep(10);
    }
    return true;
}

bool FrameFitsTheCore() {
    const int32_t width = ConnectedWidth();
    const int32_t height = ConnectedHeight();
    return mediaGraph.videoInfo.bmiHeader.biBitCount == 32 && SourceSizeAccepted(width, height) &&
           VideoFrameBytes(width, height) > 0;
}

void SetBarRanges(int32_t frames) {
    if (const HWND panel = panelWindow) {
        SendDlgItemMessageA(panel, kPositionBarId, SBM_SETRANGE, 1, frames);
    }
    if (const HWND bar = progressBar) SendMessageA(bar, PBM_SETRANGE32, 1, frames);
}

// The source frame for the connected size, prepared for the view.
bool InstallVideoSource() {
    const int32_t width = ConnectedWidth();
    const int32_t height = ConnectedHeight();
    videoRenderLock.Acquire();
    const bool allocated = AllocateSource(width, height);
    videoRenderLock.Release();
    if (!allocated) return false;
    frameBytes = VideoFrameBytes(width, height);
    frameTopDown = ConnectedTopDown();
    samplesCopied = samplesArrived.load() - 1;
    mediaGraph.sampleSize = int32_t(frameBytes);
    WaitUntilViewerReady();
    videoRenderLock.Acquire();
    PrepareSource();
    videoRenderLock.Release();
    return true;
}

bool ViewMoving() {
    const ViewState& v = viewState;
    return v.dragging != 0 || v.zoomingIn != 0 || v.zoomingOut != 0 || v.spin != 0;
}

bool NewSampleWaiting() {
    return frozen == 0 && (samplesCounted == 0 || samplesArrived.load() != samplesCopied);
}

void StartFrameWorker() {
    if (!videoWorkers.Admit()) return;
    const HANDLE worker = CreateThread(nullptr, kWorkerStackBytes, FrameWorker, nullptr, 0, nullptr);
    if (worker) {
        CloseHandle(worker);
    } else {
        videoWorkers.Leave();
    }
}

// Runs on the worker holding the frame lock. Copies the grabber's latest
// frame straight into the source buffer unless it is the one already there.
void CopyLatestFrame() {
    ISampleGrabber* grabber = mediaGraph.grabber;
    const uint32_t arrived = samplesArrived.load();
    if (samplesCounted == 1 && arrived == samplesCopied) return;
    if (!sourceFrame.pixels || frameBytes == 0 || frameBytes > sourceFrame.capacity) return;
    // The grabber refuses a frame larger than the size it is given, so it
    // never writes past the source buffer.
    long size = long(frameBytes);
    if (grabber->GetCurrentBuffer(&size, reinterpret_cast<long*>(sourceFrame.pixels.get())) != S_OK) {
        return;
    }
    samplesCopied = arrived;
    if (frameTopDown) FlipRowsInPlace(sourceFrame.pixels.get(), sourceFrame.rowBytes, sourceFrame.height);
    MarkSourceChanged();
}

bool graphRunning = false;

void CarryOutRequests() {
    const int64_t target = pendingSeek.exchange(-1);
    if (target >= 0) {
        SeekGraph(target);
        graphRunning = false;
        playbackPosition = target;
    }
    const bool run = wantRunning == 1;
    if (run && !graphRunning) {
        RunGraph();
    } else if (!run && graphRunning) {
        PauseGraph();
    }
    graphRunning = run;
}

void PollLoop() {
    DWORD lastPass = GetTickCount() - kRestPassMs;
    int32_t shownFrame = -1;
    while (videoPlaying == 1) {
        const DWORD interval = ViewMoving() || NewSampleWaiting() ? kMovingPassMs : kRestPassMs;
        if (GetTickCount() - lastPass >= interval) {
            lastPass = GetTickCount();
            StartFrameWorker();
        }
        CarryOutRequests();
        playbackPosition = GraphPosition(playbackPosition);
        currentFrame = FrameAtPosition(playbackPosition, frameTime);
        if (currentFrame != shownFrame) {
            shownFrame = currentFrame;
            windowPassHooks.ShowPosition(shownFrame);
        }
        if (graphRunning && (PlayedToEnd(playbackPosition, mediaGraph.duration) || GraphStreamEnded())) {
            RewindToStart();
        }
        if (frozen == 1 && viewState.spin == 0) PumpOrSleep(kFrozenRestMs);
        PumpOrSleep(1);
    }
}

void Play(uint32_t endings) {
    RunGraph();
    graphRunning = true;
    frameTime = FrameTimeOf(mediaGraph.videoInfo.AvgTimePerFrame);
    totalFrames = TotalFramesOf(mediaGraph.duration, frameTime);
    if (!WaitUnlessCancelled(kStartDelayMs, endings)) return;
    if (!FirstFrameArrives(endings)) {
        if (!Cancelled(endings)) ShowError(kVideoFormatMessage);
        return;
    }
    SetPanelImage(kPlayButtonId, "pause1");
    SetBarRanges(totalFrames);
    // The still runner's passes read the source frame that is replaced now.
    StopStillRunner();
    if (!InstallVideoSource()) {
        ShowError(kVideoMemoryMessage);
        return;
    }
    frozen = 0;
    StopMotion();
    seekFrame = 0;
    SetIndicatorText(kLengthLabelId, FormatDuration(mediaGraph.durationSeconds));
    SendMessageA(viewerWindow, WM_KEYDOWN, VK_RIGHT, 0);
    wantRunning = 1;
    pendingSeek = -1;
    videoPlaying = 1;
    // An ending that came between the checks above and here still counts.
    if (Cancelled(endings)) videoPlaying = 0;
    PollLoop();
}

// Stops the graph and waits for the workers before anything is released;
// a graph that does not stop is left alone rather than waited for.
void FinishGraph() {
    const bool stopped = StopGraph(kStopTimeoutMs);
    Sleep(100);
    while (videoWorkers.Count() > 0) Sleep(1);
    if (stopped) {
        ReleaseGraph();
    } else {
        AbandonGraph();
    }
}

// There is one graph: a runner that finds the previous one still finishing
// waits for it, unless playback is ended meanwhile or the previous graph
// never lets go.
bool TakeGraph(uint32_t endingsAtStart) {
    const DWORD start = GetTickCount();
    for (;;) {
        int32_t idle = 0;
        if (graphBusy.compare_exchange_strong(idle, 1)) return true;
        if (Cancelled(endingsAtStart) || GetTickCount() - start >= kPreviousGraphWaitMs) return false;
        Sleep(10);
    }
}

}  // namespace

void BeginVideoRunner() { ++videoRunnersStarting; }

void EndVideoRunnerStart() { --videoRunnersStarting; }

void EndVideoPlayback() {
    const DWORD start = GetTickCount();
    while (videoRunnersStarting > 0 && GetTickCount() - start < kRunnerStartWaitMs) Sleep(1);
    playbackEndings.fetch_add(1);
    videoPlaying = 0;
}

void AskGraphToRun() { wantRunning = 1; }

void AskGraphToPause() { wantRunning = 0; }

void AskGraphToSeek(int64_t position) {
    wantRunning = 0;
    pendingSeek = position;
}

DWORD WINAPI VideoRunner(LPVOID) {
    const std::string path = sourcePath;
    const uint32_t endings = playbackEndings.load();
    EndVideoRunnerStart();
    if (!TakeGraph(endings)) return 0;
    videoPlaying = 0;
    {
        ComSession com;
        const char* failure = BuildMediaGraph(GraphPath(path));
        if (!failure && !FrameFitsTheCore()) failure = kVideoFormatMessage;
        if (failure) {
            ShowError(failure);
        } else if (!Cancelled(endings)) {
            Play(endings);
        }
        FinishGraph();
    }
    graphBusy = 0;
    return 0;
}

DWORD WINAPI FrameWorker(LPVOID) {
    ComSession com;
    videoRenderLock.Acquire();
    if (mediaGraph.grabber) {
        if (frozen == 0) {
            CopyLatestFrame();
        } else {
            PumpOrSleep(1);
        }
        RenderPipeline();
        PumpOrSleep(1);
    }
    videoRenderLock.Release();
    videoWorkers.Leave();
    return 0;
}

void RewindToStart() {
    Sleep(100);
    RewindGraph(wantRunning == 1);
    graphRunning = wantRunning == 1;
    playbackPosition = 0;
    // An end reported before the rewind must not rewind again.
    GraphStreamEnded();
}

}  // namespace lx
