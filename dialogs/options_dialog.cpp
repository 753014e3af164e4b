#include "dialogs/options_dialog.h"

#include <windows.h>

#include "render/frames.h"
#include "shell/viewer_window.h"

namespace lx {

void ResizeViewerWindow() {
    const HWND window = viewerWindow;
    if (!window) return;
    const int width = viewerSettings.viewWidth;
    const int height = viewerSettings.viewHeight;
    MoveWindow(window, 1, 1, width, height, TRUE);
    RECT client{};
    GetClientRect(window, &client);
    const int clientHeight = client.bottom - client.top;
    MoveWindow(window, 1, 1, width, height + (height - clientHeight) + 24, TRUE);
    SetFocus(window);
}

}  // namespace lx
