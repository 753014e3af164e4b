#include "video_harness.h"

#include <windows.h>

#include "media/media_graph.h"
#include "media/playback.h"
#include "media/still_picture.h"
#include "media/video_runner.h"
#include "render/frames.h"
#include "render/pipeline.h"
#include "shell/pump.h"
#include "shell/viewer_window.h"
#include "support/frame_number.h"
#include "viewer_harness.h"

namespace lx::testing {

namespace {

std::string videoFolder;

constexpr DWORD kPlayTimeoutMs = 20000;

}  // namespace

void SetVideoFolder(const std::string& linuxPath) {
    videoFolder = "Z:" + linuxPath;
    for (char& c : videoFolder) {
        if (c == '/') c = '\\';
    }
    if (!videoFolder.empty() && videoFolder.back() != '\\') videoFolder += '\\';
}

std::string VideoPath(const std::string& name) { return videoFolder + name; }

std::string VideoFolder() { return videoFolder; }

void OpenVideo(const std::string& path) {
    sourcePath = path;
    sourceKind = 1;
    SendMessageA(viewerWindow, kOpenSourceMessage, 0, 0);
}

bool EndVideo() {
    EndVideoPlayback();
    return WaitFor([] { return graphBusy == 0; }, kPlayTimeoutMs);
}

bool WaitUntilPlaying() { return WaitFor([] { return videoPlaying == 1; }, kPlayTimeoutMs); }

int32_t ShownFrameNumber() {
    AcquireOnWindowThread(videoRenderLock);
    const int32_t number = sourceFrame.pixels
                               ? ReadFrameNumber(sourceFrame.pixels.get(), sourceFrame.width,
                                                 sourceFrame.height)
                               : -1;
    videoRenderLock.Release();
    return number;
}

bool SourceShowsUpright() {
    AcquireOnWindowThread(videoRenderLock);
    const bool upright = sourceFrame.pixels &&
                         ShowsUpright(sourceFrame.pixels.get(), sourceFrame.width, sourceFrame.height);
    videoRenderLock.Release();
    return upright;
}

}  // namespace lx::testing
