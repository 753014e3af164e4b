#include "shell/control_panel.h"

#include "render/frames.h"

namespace lx {

HINSTANCE appInstance = nullptr;
HWND panelWindow = nullptr;
std::atomic<int32_t> fullScreen{0};

void SetDisplayDefaults() {
    ViewerSettings& s = viewerSettings;
    s.viewWidth = 480;
    s.viewHeight = 360;
    s.windowSize = kStandard;
    s.wideFormat = 1;
    s.eyeLens = 0;
}

}  // namespace lx
