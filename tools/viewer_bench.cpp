// Figures of the running viewer: processor time of the whole process with the
// built-in panorama turning and at rest, and the time of one render pass at
// High quality with sharpening. Prints figures; judges nothing.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>

#include <cstdio>
#include <string>

#include "media/playback.h"
#include "media/video_runner.h"
#include "tests/support/frame_number.h"
#include "tests/support/process_threads.h"

#include "media/media_graph.h"
#include "media/still_picture.h"
#include "render/display_win32.h"
#include "render/frames.h"
#include "render/pipeline.h"
#include "shell/control_panel.h"
#include "shell/pump.h"
#include "shell/viewer_window.h"

namespace {

double ProcessCpuSeconds() {
    FILETIME created, exited, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    auto seconds = [](const FILETIME& t) {
        return double((uint64_t(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 1e7;
    };
    return seconds(kernel) + seconds(user);
}

// Runs the message loop the way the program does (waiting for the next
// message rather than polling) for the given time and returns the share of one core the process used meanwhile.
double CoreShareOver(DWORD milliseconds) {
    const double cpuBefore = ProcessCpuSeconds();
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < milliseconds) {
        MSG message;
        if (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        } else {
            const DWORD elapsed = GetTickCount() - start;
            if (elapsed < milliseconds) {
                MsgWaitForMultipleObjects(0, nullptr, FALSE, milliseconds - elapsed, QS_ALLINPUT);
            }
        }
    }
    return (ProcessCpuSeconds() - cpuBefore) / (milliseconds / 1000.0);
}

// Passes back to back: paint included, no pause after the pass.
class NoPauseHooks : public lx::WindowPassHooks {
public:
    void PumpOrSleep(uint32_t) override {}
};

double MillisecondsPerPass(int passes, bool paint) {
    NoPauseHooks hooks;
    class Quiet : public lx::PassHooks {
        void PumpOrSleep(uint32_t) override {}
    } quiet;
    lx::SetPassHooks(paint ? static_cast<lx::PassHooks*>(&hooks) : &quiet);
    LARGE_INTEGER frequency, begin, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&begin);
    for (int i = 0; i < passes; ++i) {
        lx::viewState.spin = 0;
        lx::viewState.yaw += 0.1f;
        lx::viewState.targetYaw = lx::viewState.yaw;
        lx::RenderPipeline();
    }
    QueryPerformanceCounter(&end);
    lx::SetPassHooks(&lx::windowPassHooks);
    return 1000.0 * double(end.QuadPart - begin.QuadPart) / double(frequency.QuadPart) / passes;
}

// Counts paints, and the distinct video frames they showed: the frame number
// each test video carries is read while the pass holds the source.
class VideoCountingHooks : public lx::WindowPassHooks {
public:
    void PaintView() override {
        ++paints;
        const int32_t number = lx::testing::ReadFrameNumber(lx::sourceFrame.pixels.get(),
                                                            lx::sourceFrame.width, lx::sourceFrame.height);
        if (number >= 0 && number != lastNumber) {
            lastNumber = number;
            ++distinctFrames;
        }
        lx::WindowPassHooks::PaintView();
    }
    int32_t paints = 0;
    int32_t distinctFrames = 0;
    int32_t lastNumber = -1;
};

// A numbered test video played with the view turning for 20 s, then paused
// with the view at rest.
void BenchVideo(const std::string& path) {
    VideoCountingHooks hooks;
    lx::SetPassHooks(&hooks);
    lx::sourcePath = path;
    lx::sourceKind = 1;
    SendMessageA(lx::viewerWindow, lx::kOpenSourceMessage, 0, 0);
    const DWORD start = GetTickCount();
    while (lx::videoPlaying != 1 && GetTickCount() - start < 30000) lx::PumpOrSleep(1);
    if (lx::videoPlaying != 1) {
        std::printf("%s: does not play\n", path.c_str());
        return;
    }
    CoreShareOver(2000);
    const int32_t paints = hooks.paints;
    const int32_t frames = hooks.distinctFrames;
    int32_t mostThreads = lx::testing::ThreadsOfThisProcess();
    double share = 0;
    for (int i = 0; i < 4; ++i) {
        share += CoreShareOver(5000) / 4;
        mostThreads = std::max(mostThreads, lx::testing::ThreadsOfThisProcess());
    }
    std::printf("%s, %dx%d, turning, 20 s:\n", path.c_str(), lx::sourceFrame.width,
                lx::sourceFrame.height);
    std::printf("  passes per second:          %6.1f\n", (hooks.paints - paints) / 20.0);
    std::printf("  distinct frames per second: %6.1f\n", (hooks.distinctFrames - frames) / 20.0);
    std::printf("  processor time:             %6.1f %% of one core\n", 100.0 * share);
    std::printf("  threads:                    %6d at most\n", mostThreads);
    lx::PauseOrResume();
    SendMessageA(lx::viewerWindow, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10));
    SendMessageA(lx::viewerWindow, WM_LBUTTONUP, 0, MAKELPARAM(10, 10));
    CoreShareOver(1000);
    std::printf("  paused, view at rest:       %6.1f %% of one core over 10 s\n",
                100.0 * CoreShareOver(10000));
    lx::EndVideoPlayback();
    while (lx::graphBusy != 0) lx::PumpOrSleep(1);
    lx::SetPassHooks(&lx::windowPassHooks);
}

}  // namespace

int main(int argc, char** argv) {
    lx::appInstance = GetModuleHandleA(nullptr);
    lx::viewerSettings.wideFormat = 1;
    lx::viewerSettings.sharpen = 1;  // as after power-on
    InitCommonControls();
    std::printf("message loop alone:                 %5.1f %% of one core over 3 s\n",
                100.0 * CoreShareOver(3000));
    if (!lx::CreateViewerWindow()) return 1;
    while (lx::stillRunnerState != 2) lx::PumpOrSleep(1);
    CoreShareOver(1000);
    std::printf("turning (about 40 passes a second): %5.1f %% of one core over 10 s\n",
                100.0 * CoreShareOver(10000));
    SendMessageA(lx::viewerWindow, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10));
    SendMessageA(lx::viewerWindow, WM_LBUTTONUP, 0, MAKELPARAM(10, 10));
    CoreShareOver(1000);
    std::printf("at rest (a pass every 250 ms):      %5.1f %% of one core over 10 s\n",
                100.0 * CoreShareOver(10000));

    lx::StopStillRunner();
    lx::viewerSettings.quality = lx::kHigh;
    lx::viewerSettings.sharpen = 1;
    std::printf("render pass, %dx%d from %dx%d, High, sharpened:\n", lx::outputFrame.width,
                lx::outputFrame.height, lx::sourceFrame.width, lx::sourceFrame.height);
    MillisecondsPerPass(20, true);
    const double cpuBefore = ProcessCpuSeconds();
    std::printf("  with the paint:    %6.2f ms per pass\n", MillisecondsPerPass(300, true));
    std::printf("  processor time:    %6.2f ms per pass (both cores)\n",
                (ProcessCpuSeconds() - cpuBefore) * 1000 / 300);
    std::printf("  without the paint: %6.2f ms per pass\n", MillisecondsPerPass(300, false));
    std::fflush(stdout);
    // The numbered benchmark videos, by Windows path.
    for (int i = 1; i < argc; ++i) {
        BenchVideo(argv[i]);
        std::fflush(stdout);
    }
    ExitProcess(0);
}
