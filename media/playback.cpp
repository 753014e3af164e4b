#include "media/playback.h"

#include <windows.h>
#include <commctrl.h>

#include "media/video_runner.h"
#include "media/video_timing.h"
#include "render/display_win32.h"
#include "render/frames.h"
#include "shell/control_panel.h"
#include "shell/panel_indicators.h"
#include "shell/viewer_window.h"

namespace lx {

std::atomic<int32_t> videoPlaying{0};
std::atomic<int32_t> seeking{0};
std::atomic<int32_t> seekFrame{0};

namespace {

void SendFreeze(WPARAM freeze) {
    if (const HWND viewer = viewerWindow) SendMessageA(viewer, kFreezeMessage, freeze, 0);
}

void ShowRunning() {
    SetPanelImage(kPlayButtonId, "pause1");
    SetPanelImage(kFreezeIconId, "frez2");
}

}  // namespace

void PauseOrResume() {
    if (frozen == 1) {
        ShowRunning();
        SendFreeze(0);
        AskGraphToRun();
    } else {
        SetPanelImage(kPlayButtonId, "play1");
        SetPanelImage(kFreezeIconId, "frez1");
        SendFreeze(1);
        AskGraphToPause();
    }
}

void TrackSeek(int32_t frame) {
    SendFreeze(1);
    seekFrame = frame;
    windowPassHooks.ShowPosition(frame);
    seeking = 1;
    AskGraphToSeek(PositionOfFrame(frame, frameTime));
}

void EndSeeking() {
    SendFreeze(1);
    ShowRunning();
    seeking = 0;
    SendFreeze(0);
    AskGraphToRun();
}

}  // namespace lx
