// The program's entry: sets the display defaults, switches the viewer on and
// serves the windows' messages until the viewer is closed.
#include <windows.h>
#include <commctrl.h>

#include "shell/control_panel.h"
#include "shell/viewer_window.h"

namespace {

void RunMessageLoop() {
    MSG message;
    for (;;) {
        if (!PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            // Waiting for the next message instead of polling every
            // millisecond: it reacts at once and costs nothing at rest.
            MsgWaitForMultipleObjects(0, nullptr, FALSE, INFINITE, QS_ALLINPUT);
            continue;
        }
        if (message.message == WM_QUIT) return;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    lx::appInstance = instance;
    lx::SetDisplayDefaults();
    InitCommonControls();
    if (!lx::CreateViewerWindow()) return 1;
    RunMessageLoop();
    return 0;
}
