#include "render/display_win32.h"

#include <windows.h>
#include <commctrl.h>
#include <vfw.h>

#include "render/frames.h"
#include "render/navigation.h"
#include "shell/control_panel.h"
#include "shell/pump.h"
#include "shell/viewer_window.h"

namespace lx {

WindowPassHooks windowPassHooks;

void WindowPassHooks::ShowPosition(int32_t frame) {
    const HWND panel = panelWindow;
    if (panel) {
        const HWND positionBar = GetDlgItem(panel, kPositionBarId);
        if (positionBar) SendMessageA(positionBar, SBM_SETPOS, WPARAM(frame), TRUE);
    }
    if (progressBar) SendMessageA(progressBar, PBM_SETPOS, WPARAM(frame), 0);
}

void WindowPassHooks::PaintView() { PaintOutputFrame(); }

void WindowPassHooks::PumpOrSleep(uint32_t milliseconds) { lx::PumpOrSleep(milliseconds); }

void PaintOutputFrame() {
    if (!drawDib || !viewerDC || !outputFrame.pixels) return;
    const ViewerSettings& s = viewerSettings;
    const int left = s.windowSize == kFullSize ? s.viewOffsetX : 0;
    auto* header = reinterpret_cast<BITMAPINFOHEADER*>(&outputFrame.header);
    DrawDibDraw(drawDib, viewerDC, left, 0, s.viewWidth, s.viewHeight, header,
                outputFrame.pixels.get(), 1, 2, outputFrame.width - 4, outputFrame.height - 8,
                DDF_HALFTONE);
}

void FitViewToWorkArea() {
    viewerSettings.windowSize = kFullSize;
    const HWND window = viewerWindow;
    if (!window) return;
    RECT workArea{};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &workArea, 0);
    SetWindowPos(window, nullptr, 0, 0, workArea.right - workArea.left,
                 workArea.bottom - workArea.top, SWP_NOMOVE | SWP_NOZORDER);
    RECT client{};
    GetClientRect(window, &client);
    RECT status{};
    if (statusBar) GetWindowRect(statusBar, &status);
    const FullSizeView view = FitViewToClient(client.right - client.left,
                                              client.bottom - client.top,
                                              status.bottom - status.top,
                                              viewerSettings.wideFormat);
    viewerSettings.viewWidth = view.width;
    viewerSettings.viewHeight = view.height;
    viewerSettings.viewOffsetX = view.offsetX;
}

}  // namespace lx
