#include "shell/viewer_window.h"

#include <commctrl.h>

#include <string>

#include "dialogs/options_dialog.h"
#include "media/playback.h"
#include "media/media_graph.h"
#include "media/still_picture.h"
#include "media/video_runner.h"
#include "render/display_win32.h"
#include "render/frames.h"
#include "render/navigation.h"
#include "render/pipeline.h"
#include "render/projection.h"
#include "shell/control_panel.h"
#include "shell/panel_indicators.h"
#include "shell/pump.h"

namespace lx {

HWND viewerWindow = nullptr;
HWND statusBar = nullptr;
HWND progressBar = nullptr;
HDC viewerDC = nullptr;
HDRAWDIB drawDib = nullptr;
HANDLE runnerThread = nullptr;
DWORD runnerThreadId = 0;

namespace {

// Asks the viewer window's own thread to size the window: the focus can only
// be given from there.
constexpr UINT kResizeMessage = WM_APP + 1;
constexpr DWORD kRunnerStackBytes = 0xFFFFF;

// Set once the viewer window, its bars, its DC and its DrawDib handle exist.
HANDLE viewerReady = nullptr;

class WindowShellHooks : public ShellHooks {
public:
    void ResizeViewerWindow() override {
        const HWND window = viewerWindow;
        if (!window) return;
        if (GetWindowThreadProcessId(window, nullptr) == GetCurrentThreadId()) {
            lx::ResizeViewerWindow();
        } else {
            SendMessageA(window, kResizeMessage, 0, 0);
        }
    }
    void FullScreenOff() override { fullScreen = 0; }
    void SetSizeLabel(const std::string& text) override { SetIndicatorText(kSizeLabelId, text); }
    void SetLengthLabel(const std::string& text) override { SetIndicatorText(kLengthLabelId, text); }
};

WindowShellHooks windowShellHooks;

void StartRunner(HWND window, LPTHREAD_START_ROUTINE procedure) {
    // Nothing waits on a runner; the handle of the one before is let go.
    if (runnerThread) CloseHandle(runnerThread);
    runnerThread = CreateThread(nullptr, kRunnerStackBytes, procedure, window, 0, &runnerThreadId);
}

void OpenSourceRunner(HWND window) {
    if (sourceKind == 1) {
        if (videoPlaying != 0) return;
        BeginVideoRunner();
        StartRunner(window, VideoRunner);
        if (!runnerThread) EndVideoRunnerStart();
        return;
    }
    BeginStillRunner();
    StartRunner(window, StillRunner);
    if (!runnerThread) EndStillRunnerStart();
}

void OnSystemCommand(WPARAM command) {
    if ((command & 0xFFF0) == SC_CLOSE) {
        const HWND panel = panelWindow;
        if (panel) {
            SetFocus(panel);
            ShowWindow(panel, SW_RESTORE);
        } else {
            // Without a control panel there is nothing to bring back: close.
            PostQuitMessage(0);
        }
        return;
    }
    if (stillRunnerState == 2) {
        AcquireOnWindowThread(stillRenderLock);
        UpdateView();
        stillRenderLock.Release();
    }
}

void OnSize(HWND window, WPARAM wParam, LPARAM lParam) {
    if (statusBar) SendMessageA(statusBar, WM_SIZE, wParam, lParam);
    RECT client{};
    GetClientRect(window, &client);
    if (progressBar) {
        MoveWindow(progressBar, 185, client.bottom - 15, 152, 12, TRUE);
        ShowWindow(progressBar, SW_SHOW);
    }
}

void ShowPanel(int how) {
    const HWND panel = panelWindow;
    if (!panel) return;
    ShowWindow(panel, how);
    SetFocus(panel);
}

// The video runner's passes use the DC, the DrawDib handle and the output
// frame that the teardown frees: it gets a bounded time to finish first.
void WaitForVideoRunner() {
    const DWORD start = GetTickCount();
    while (graphBusy != 0 && GetTickCount() - start < kVideoRunnerEndTimeoutMs) PumpOrSleep(1);
}

void TearDown() {
    EndVideoPlayback();
    PumpOrSleep(200);
    WaitForVideoRunner();
    StopStillRunner();
    if (viewerDC) ReleaseDC(viewerWindow, viewerDC);
    if (drawDib) DrawDibClose(drawDib);
    viewerDC = nullptr;
    drawDib = nullptr;
    StopRenderer();
    statusBar = nullptr;
    progressBar = nullptr;
    viewerWindow = nullptr;
    if (viewerReady) ResetEvent(viewerReady);
}

bool HandleInput(UINT message, WPARAM wParam, LPARAM lParam) {
    const auto x = uint16_t(LOWORD(lParam));
    const auto y = uint16_t(HIWORD(lParam));
    switch (message) {
    case WM_KEYDOWN: KeyDown(int32_t(wParam)); return true;
    case WM_KEYUP: KeyUp(int32_t(wParam)); return true;
    case WM_MOUSEMOVE: MouseMove(uint32_t(wParam), x, y); return true;
    case WM_LBUTTONDOWN: LeftButtonDown(x, y); return true;
    case WM_LBUTTONUP: LeftButtonUp(); return true;
    case WM_MBUTTONDOWN: MiddleButtonDown(); return true;
    case WM_MOUSEWHEEL: MouseWheel(int16_t(GET_WHEEL_DELTA_WPARAM(wParam))); return true;
    default: return false;
    }
}

void CreateStatusBar(HWND window) {
    statusBar = CreateStatusWindowA(0x54800010, "", window, kStatusBarId);
    if (!statusBar) return;
    int edges[3] = {180, 340, 400};
    SendMessageA(statusBar, SB_SETPARTS, 3, LPARAM(edges));
    SendMessageA(statusBar, SB_SETTEXTA, 0, LPARAM(" Ready"));
    SendMessageA(statusBar, SB_SETTEXTA, 2, LPARAM(" Movie"));
    SendMessageA(statusBar, SB_SIMPLE, 0, 0);
}

bool StartRendererForViewer() {
    sourcePath.clear();
    if (!StartRenderer()) return false;
    const HWND panel = panelWindow;
    if (panel) {
        SendDlgItemMessageA(panel, kSpeedSliderId, TBM_SETPOS, TRUE, viewState.turnStep);
    }
    StopMotion();
    return true;
}

void RegisterViewerClass() {
    WNDCLASSEXA windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.style = CS_BYTEALIGNCLIENT | CS_OWNDC | CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = ViewerWindowProc;
    windowClass.hInstance = appInstance;
    windowClass.hIcon = LoadIconA(appInstance, "video");
    windowClass.hCursor = LoadCursor(nullptr, IDC_SIZEALL);
    windowClass.hbrBackground = HBRUSH(GetStockObject(BLACK_BRUSH));
    windowClass.lpszClassName = kViewerClassName;
    RegisterClassExA(&windowClass);
}

}  // namespace

void WaitUntilViewerReady() {
    if (viewerReady) WaitForSingleObject(viewerReady, INFINITE);
}

bool CreateViewerWindow() {
    if (!appInstance) appInstance = GetModuleHandleA(nullptr);
    if (!viewerReady) viewerReady = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    ResetEvent(viewerReady);
    if (!StartRendererForViewer()) {
        MessageBoxA(panelWindow, "Not enough memory for the view.", "Error", MB_ICONHAND);
        return false;
    }
    SetPassHooks(&windowPassHooks);
    SetShellHooks(&windowShellHooks);

    RegisterViewerClass();
    viewerWindow = CreateWindowExA(0, kViewerClassName, kViewerTitle, 0x80C80000, 0, 0, 10, 10,
                                   nullptr, nullptr, appInstance, nullptr);
    InitCommonControls();
    CreateStatusBar(viewerWindow);
    progressBar = CreateWindowExA(0, "MSCTLS_PROGRESS32", "", WS_CHILD, 0, 0, 100, 18,
                                  viewerWindow, nullptr, appInstance, nullptr);
    viewerDC = GetDC(viewerWindow);
    // Where DrawDib stretches with the device context's own mode (Wine does,
    // ignoring its halftone flag), the default mode ANDs together the pixels a
    // shrink drops and specks every soft gradient. Whole pixels cost no more.
    SetStretchBltMode(viewerDC, COLORONCOLOR);
    drawDib = DrawDibOpen();
    ShowWindow(viewerWindow, SW_SHOWDEFAULT);
    if (panelWindow) SetFocus(panelWindow);
    SetEvent(viewerReady);
    return viewerWindow != nullptr;
}

LRESULT CALLBACK ViewerWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (HandleInput(message, wParam, lParam)) return 0;
    switch (message) {
    case kFreezeMessage:
        frozen = wParam == 1 ? 1 : 0;
        return 0;
    case WM_CREATE:
    case kOpenSourceMessage:
        OpenSourceRunner(window);
        return 0;
    case kResizeMessage:
        ResizeViewerWindow();
        return 0;
    case WM_SYSCOMMAND:
        OnSystemCommand(wParam);
        if ((wParam & 0xFFF0) == SC_CLOSE) return 0;
        return DefWindowProcA(window, message, wParam, lParam);
    case WM_SIZE:
        OnSize(window, wParam, lParam);
        return 0;
    case WM_RBUTTONDOWN:
        ShowPanel(SW_SHOWNORMAL);
        return 0;
    case WM_DESTROY:
        TearDown();
        return 0;
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}

}  // namespace lx
