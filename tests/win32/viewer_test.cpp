// The viewer window under Wine: start-up with the built-in panorama, what it
// paints, how messages steer the view, and how its passes are kept apart.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <cmath>
#include <thread>

#include "dialogs/options_dialog.h"
#include "media/still_picture.h"
#include "render/display_win32.h"
#include "render/frames.h"
#include "render/navigation.h"
#include "render/pipeline.h"
#include "render/projection.h"
#include "render/remap.h"
#include "shell/control_panel.h"
#include "shell/panel_indicators.h"
#include "shell/pump.h"
#include "shell/viewer_window.h"
#include "viewer_harness.h"

namespace lx {
namespace {

using testing::WaitFor;
using testing::PumpFor;
using testing::countingHooks;

constexpr DWORD kLoadTimeoutMs = 20000;

RECT ClientOnScreen(HWND window) {
    RECT client{};
    GetClientRect(window, &client);
    MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&client), 2);
    return client;
}

void StopTheTurn() {
    SendMessageA(viewerWindow, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10));
    SendMessageA(viewerWindow, WM_LBUTTONUP, 0, MAKELPARAM(10, 10));
}

TEST(ViewerStartup, ShowsTheBuiltInPanoramaTurningRight) {
    const testing::Startup& s = testing::startup;
    ASSERT_TRUE(s.loaded);
    EXPECT_EQ(s.sourceWidth, 3500);
    EXPECT_EQ(s.sourceHeight, 1744);
    EXPECT_EQ(s.yaw, -90.0f);
    EXPECT_NEAR(s.fov, 123.76f, 0.01f);
    EXPECT_EQ(s.dragging, 1) << "the runner's right-arrow key starts the turn";
    // About 40 passes a second, each turning 0.025 * (5 - 1) degrees.
    EXPECT_GE(s.passesInOneSecond, 20);
    EXPECT_LE(s.passesInOneSecond, 45);
    EXPECT_NEAR(s.yawAfterOneSecond - s.yaw, 0.1f * s.passesInOneSecond, 0.25f)
        << s.passesInOneSecond << " passes";
}

TEST(ViewerStartup, WindowClassTitleAndBars) {
    ASSERT_TRUE(WaitFor([] { return stillRunnerState == 2; }, kLoadTimeoutMs));
    char text[64] = {};
    GetClassNameA(viewerWindow, text, sizeof(text));
    EXPECT_STREQ(text, "LX_VIDEO");
    GetWindowTextA(viewerWindow, text, sizeof(text));
    EXPECT_STREQ(text, "* Lumivex 360 Video Viewer");
    const DWORD style = DWORD(GetWindowLongA(viewerWindow, GWL_STYLE));
    EXPECT_EQ(style & 0x80C80000u, 0x80C80000u);
    EXPECT_EQ(GetClassLongA(viewerWindow, GCL_STYLE), 0x1023);

    RECT client{};
    GetClientRect(viewerWindow, &client);
    EXPECT_EQ(viewerSettings.viewWidth, 852) << "the view size of a source 400 rows or more";
    EXPECT_EQ(viewerSettings.viewHeight, 480);
    EXPECT_EQ(client.bottom, 480 + 24);
    RECT window{};
    GetWindowRect(viewerWindow, &window);
    EXPECT_EQ(window.left, 1);
    EXPECT_EQ(window.top, 1);
    EXPECT_EQ(window.right - window.left, 852);

    EXPECT_EQ(GetDlgCtrlID(statusBar), kStatusBarId);
    int edges[3] = {};
    EXPECT_EQ(SendMessageA(statusBar, SB_GETPARTS, 3, LPARAM(edges)), 3);
    EXPECT_EQ(edges[0], 180);
    EXPECT_EQ(edges[1], 340);
    EXPECT_EQ(edges[2], 400);
    SendMessageA(statusBar, SB_GETTEXTA, 0, LPARAM(text));
    EXPECT_STREQ(text, " Ready");
    SendMessageA(statusBar, SB_GETTEXTA, 2, LPARAM(text));
    EXPECT_STREQ(text, " Movie");

    RECT bar{};
    GetWindowRect(progressBar, &bar);
    MapWindowPoints(nullptr, viewerWindow, reinterpret_cast<POINT*>(&bar), 2);
    EXPECT_EQ(bar.left, 185);
    EXPECT_EQ(bar.top, client.bottom - 15);
    EXPECT_EQ(bar.right - bar.left, 152);
    EXPECT_EQ(bar.bottom - bar.top, 12);
    EXPECT_TRUE(IsWindowVisible(progressBar));

    GetDlgItemTextA(panelWindow, kSizeLabelId, text, sizeof(text));
    EXPECT_STREQ(text, "3500x1744");
    GetDlgItemTextA(panelWindow, kLengthLabelId, text, sizeof(text));
    EXPECT_STREQ(text, "off");
    EXPECT_EQ(SendDlgItemMessageA(panelWindow, kSpeedSliderId, TBM_GETPOS, 0, 0), 5);
}

TEST(ViewerStartup, ResizingKeepsTheProgressBarAboveTheBottom) {
    RECT window{};
    GetWindowRect(viewerWindow, &window);
    for (int height : {300, 700}) {
        MoveWindow(viewerWindow, window.left, window.top, 700, height, TRUE);
        RECT client{};
        GetClientRect(viewerWindow, &client);
        RECT bar{};
        GetWindowRect(progressBar, &bar);
        MapWindowPoints(nullptr, viewerWindow, reinterpret_cast<POINT*>(&bar), 2);
        EXPECT_EQ(bar.left, 185);
        EXPECT_EQ(bar.top, client.bottom - 15) << height;
    }
    MoveWindow(viewerWindow, window.left, window.top, window.right - window.left,
               window.bottom - window.top, TRUE);
}

TEST(ViewerLayout, FullSizeFillsTheWorkAreaAndStandardComesBack) {
    const ViewerSettings saved = viewerSettings;
    RECT workArea{};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &workArea, 0);
    for (int32_t wide : {1, 0}) {
        SCOPED_TRACE(wide);
        viewerSettings.wideFormat = wide;
        FitViewToWorkArea();
        RECT window{}, client{}, status{};
        GetWindowRect(viewerWindow, &window);
        GetClientRect(viewerWindow, &client);
        GetWindowRect(statusBar, &status);
        EXPECT_EQ(viewerSettings.windowSize, kFullSize);
        EXPECT_EQ(window.right - window.left, workArea.right - workArea.left);
        EXPECT_EQ(window.bottom - window.top, workArea.bottom - workArea.top);
        const int32_t height = client.bottom - (status.bottom - status.top);
        EXPECT_EQ(viewerSettings.viewHeight, height / 2 * 2);
        const int32_t width = wide ? client.right / 4 * 4
                                   : int32_t(std::nearbyint(viewerSettings.viewHeight / 0.666f - 4)) / 4 * 4;
        EXPECT_EQ(viewerSettings.viewWidth, width);
        EXPECT_EQ(viewerSettings.viewOffsetX,
                  int32_t(std::nearbyint((client.right - width) * 0.5)));
        PumpFor(100);
    }
    viewerSettings = saved;
    ResizeViewerWindow();
    RECT client{};
    GetClientRect(viewerWindow, &client);
    EXPECT_EQ(client.bottom, viewerSettings.viewHeight + 24);
}

// The screen shows the output frame stretched to the view, whole pixels
// kept, exactly as the reference stretch does; a frame two degrees off
// differs.
TEST(ViewerPaint, ClientAreaShowsTheStretchedOutputFrame) {
    ASSERT_TRUE(WaitFor([] { return stillRunnerState == 2; }, kLoadTimeoutMs));
    StopTheTurn();
    PumpFor(700);
    const RECT client = ClientOnScreen(viewerWindow);
    const int32_t width = viewerSettings.viewWidth;
    const int32_t height = viewerSettings.viewHeight;
    // The window is as wide as the view outside, so its borders hide the
    // right-hand columns of the view.
    const int32_t visible = client.right - client.left;
    AcquireOnWindowThread(stillRenderLock);
    const auto screen = testing::CaptureScreen(client.left, client.top, width, height);
    const auto shown = testing::StretchedOutputFrame(width, height);
    const float yaw = viewState.yaw;
    viewState.yaw = yaw + 2;
    BuildViewMatrix();
    RemapBilinear();
    const auto turned = testing::StretchedOutputFrame(width, height);
    viewState.yaw = yaw;
    BuildViewMatrix();
    RemapBilinear();
    ForgetRenderedFrame();
    stillRenderLock.Release();

    // Every pixel as the reference stretch gives it. A stretch that ANDs the
    // pixels a shrink drops covers soft gradients with specks of colours the
    // picture does not have.
    EXPECT_EQ(testing::PixelsDifferingBy(screen, shown, visible, 0), 0)
        << "specks: " << testing::PixelsDifferingBy(screen, shown, visible, 24);
    EXPECT_GT(testing::MeanAbsoluteDifference(screen, turned, visible), 1.0);
    // Not a blank picture: the view of the meadow has detail.
    int distinct = 0;
    for (size_t i = 4 * 500; i < shown.pixels.size(); i += 4 * 997) {
        distinct += shown.pixels[i] != shown.pixels[i - 4 * 500];
    }
    EXPECT_GT(distinct, 50);
}

TEST(ViewerPaint, FadeSuppressesDrawing) {
    StopTheTurn();
    PumpFor(300);
    fadeActive = 1;
    const HDC dc = GetDC(viewerWindow);
    RECT area{0, 0, viewerSettings.viewWidth, viewerSettings.viewHeight};
    FillRect(dc, &area, HBRUSH(GetStockObject(WHITE_BRUSH)));
    ReleaseDC(viewerWindow, dc);
    const int32_t paints = countingHooks.paints;
    SendMessageA(viewerWindow, WM_KEYDOWN, VK_RIGHT, 0);
    PumpFor(600);
    const RECT client = ClientOnScreen(viewerWindow);
    const auto faded = testing::CaptureScreen(client.left + 100, client.top + 100, 64, 64);
    fadeActive = 0;
    EXPECT_EQ(countingHooks.paints, paints);
    for (size_t i = 0; i < faded.pixels.size(); ++i) {
        if (i % 4 == 3) continue;
        ASSERT_EQ(faded.pixels[i], 255) << "painted during the fade at byte " << i;
    }
    PumpFor(300);
    EXPECT_GT(countingHooks.paints, paints);
    StopTheTurn();
}

// Each message goes through the window procedure to the navigation fields.
TEST(ViewerInput, MessagesSetTheNavigationFields) {
    struct Case {
        const char* name;
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
        ViewState start;
        ViewState expected;
    };
    ViewState base{};
    base.turnStep = 5;
    base.cursorX = 40;
    base.cursorY = 33;
    base.anchorX = 7;
    base.anchorY = 8;
    auto with = [&](auto change) {
        ViewState v = base;
        change(v);
        return v;
    };
    const Case cases[] = {
        {"shift down", WM_KEYDOWN, VK_SHIFT, 0, with([](ViewState& v) { v.zoomingOut = 1; }),
         with([](ViewState& v) { v.zoomingIn = 1; })},
        {"control down", WM_KEYDOWN, VK_CONTROL, 0, with([](ViewState& v) { v.zoomingIn = 1; }),
         with([](ViewState& v) { v.zoomingOut = 1; })},
        {"left down", WM_KEYDOWN, VK_LEFT, 0, base, with([](ViewState& v) {
             v.cursorX = 0, v.anchorX = 5, v.anchorY = 33, v.dragging = 1;
         })},
        {"right down", WM_KEYDOWN, VK_RIGHT, 0, base, with([](ViewState& v) {
             v.cursorX = 5, v.anchorX = 0, v.anchorY = 33, v.dragging = 1;
         })},
        {"up down", WM_KEYDOWN, VK_UP, 0, base, with([](ViewState& v) {
             v.cursorY = 0, v.anchorY = 5, v.anchorX = 40, v.dragging = 1;
         })},
        {"down down", WM_KEYDOWN, VK_DOWN, 0, base, with([](ViewState& v) {
             v.cursorY = 5, v.anchorY = 0, v.anchorX = 40, v.dragging = 1;
         })},
        {"shift up", WM_KEYUP, VK_SHIFT, 0, with([](ViewState& v) { v.zoomingIn = 1; }), base},
        {"control up", WM_KEYUP, VK_CONTROL, 0, with([](ViewState& v) { v.zoomingOut = 1; }), base},
        {"arrow up", WM_KEYUP, VK_DOWN, 0, with([](ViewState& v) { v.dragging = 1; }), base},
        {"other key", WM_KEYDOWN, 'A', 0, base, base},
        {"move at rest", WM_MOUSEMOVE, 0, MAKELPARAM(300, 65535), base,
         with([](ViewState& v) { v.cursorX = 300, v.cursorY = 65535; })},
        {"move with left button", WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(12, 14), base,
         with([](ViewState& v) { v.cursorX = 12, v.cursorY = 14, v.dragging = 1; })},
        {"move during a key turn", WM_MOUSEMOVE, MK_LBUTTON | MK_SHIFT, MAKELPARAM(12, 14),
         with([](ViewState& v) { v.dragging = 1; }), with([](ViewState& v) { v.dragging = 1; })},
        {"left button down", WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(70, 80),
         with([](ViewState& v) { v.dragging = 1, v.zoomingIn = 1, v.spin = 9; }),
         with([](ViewState& v) {
             v.cursorX = v.anchorX = 70, v.cursorY = v.anchorY = 80, v.stopRequest = 1;
         })},
        {"left button up", WM_LBUTTONUP, 0, 0, with([](ViewState& v) { v.dragging = 1; }), base},
        {"middle button", WM_MBUTTONDOWN, MK_MBUTTON, 0,
         with([](ViewState& v) { v.zoomingIn = 1, v.zoomingOut = 1; }), base},
        {"wheel forward", WM_MOUSEWHEEL, MAKEWPARAM(0, 120), 0,
         with([](ViewState& v) { v.zoomingOut = 1; }), with([](ViewState& v) { v.zoomingIn = 1; })},
        {"wheel back", WM_MOUSEWHEEL, MAKEWPARAM(0, WORD(-120)), 0,
         with([](ViewState& v) { v.zoomingIn = 1; }), with([](ViewState& v) { v.zoomingOut = 1; })},
    };
    const ViewState saved = viewState;
    // No pass may move the fields while the table runs.
    AcquireOnWindowThread(stillRenderLock);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        viewState = c.start;
        EXPECT_EQ(SendMessageA(viewerWindow, c.message, c.wParam, c.lParam), 0);
        const ViewState& v = viewState;
        const ViewState& e = c.expected;
        EXPECT_EQ(v.dragging, e.dragging);
        EXPECT_EQ(v.cursorX, e.cursorX);
        EXPECT_EQ(v.cursorY, e.cursorY);
        EXPECT_EQ(v.anchorX, e.anchorX);
        EXPECT_EQ(v.anchorY, e.anchorY);
        EXPECT_EQ(v.zoomingIn, e.zoomingIn);
        EXPECT_EQ(v.zoomingOut, e.zoomingOut);
        EXPECT_EQ(v.spin, e.spin);
        EXPECT_EQ(v.stopRequest, e.stopRequest);
    }
    viewState = saved;
    stillRenderLock.Release();
    StopTheTurn();
}

TEST(ViewerInput, DragThenSpinSlowsToAStop) {
    StopTheTurn();
    PumpFor(300);
    SendMessageA(viewerWindow, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(100, 100));
    SendMessageA(viewerWindow, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(121, 100));
    const float start = viewState.yaw;
    PumpFor(300);
    EXPECT_GT(viewState.yaw, start + 0.4f) << "20 * 0.025 degrees per pass";
    SendMessageA(viewerWindow, WM_LBUTTONUP, 0, MAKELPARAM(121, 100));
    ASSERT_TRUE(WaitFor([] { return viewState.spin == 0; }, 3000));
    PumpFor(300);
    const float stopped = viewState.yaw;
    PumpFor(600);
    EXPECT_EQ(viewState.yaw, stopped);
}

TEST(ViewerInput, WheelZoomGoesOnUntilAMiddleClick) {
    StopTheTurn();
    PumpFor(300);
    const float fov = viewState.fov;
    SendMessageA(viewerWindow, WM_MOUSEWHEEL, MAKEWPARAM(0, 120), 0);
    PumpFor(400);
    EXPECT_LT(viewState.fov, fov / 1.012f);
    SendMessageA(viewerWindow, WM_MBUTTONDOWN, MK_MBUTTON, 0);
    PumpFor(100);
    const float held = viewState.fov;
    PumpFor(400);
    EXPECT_EQ(viewState.fov, held);
    SendMessageA(viewerWindow, WM_KEYDOWN, VK_CONTROL, 0);
    ASSERT_TRUE(WaitFor([] { return viewState.fov >= viewState.fovMax; }, 10000));
    SendMessageA(viewerWindow, WM_KEYUP, VK_CONTROL, 0);
}

TEST(ViewerQuality, MixedRendersNearestWhileDraggingAndBilinearAfter) {
    const ViewerSettings saved = viewerSettings;
    viewerSettings.quality = kMixed;
    viewerSettings.sharpen = 0;
    SendMessageA(viewerWindow, WM_KEYDOWN, VK_RIGHT, 0);
    PumpFor(300);
    auto renderedBy = [](void (*kernel)()) {
        AcquireOnWindowThread(stillRenderLock);
        const std::vector<uint8_t> shown(outputFrame.pixels.get(),
                                         outputFrame.pixels.get() + outputFrame.byteCount);
        kernel();  // same matrix as the last pass
        ForgetRenderedFrame();
        const bool same = std::equal(shown.begin(), shown.end(), outputFrame.pixels.get());
        stillRenderLock.Release();
        return same;
    };
    EXPECT_TRUE(renderedBy(RemapNearest));
    EXPECT_FALSE(renderedBy(RemapBilinear));
    SendMessageA(viewerWindow, WM_KEYUP, VK_RIGHT, 0);
    PumpFor(600);
    EXPECT_TRUE(renderedBy(RemapBilinear));
    viewerSettings = saved;
}

TEST(ViewerMessages, FreezeMessageSetsFrozenAndTheViewStillMoves) {
    struct Case {
        WPARAM wParam;
        int32_t frozen;
    };
    for (const Case& c : {Case{1, 1}, Case{0, 0}, Case{1, 1}, Case{5, 0}}) {
        SendMessageA(viewerWindow, kFreezeMessage, c.wParam, 0);
        EXPECT_EQ(frozen.load(), c.frozen) << c.wParam;
    }
    SendMessageA(viewerWindow, kFreezeMessage, 1, 0);
    SendMessageA(viewerWindow, WM_KEYDOWN, VK_RIGHT, 0);
    const float yaw = viewState.yaw;
    PumpFor(500);
    EXPECT_NE(viewState.yaw, yaw);
    EXPECT_EQ(sourceFrame.width, 3500);
    SendMessageA(viewerWindow, kFreezeMessage, 0, 0);
    StopTheTurn();
}

TEST(ViewerMessages, CloseCommandAndRightClickBringThePanelBack) {
    ShowWindow(panelWindow, SW_HIDE);
    SendMessageA(viewerWindow, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_TRUE(IsWindow(viewerWindow));
    EXPECT_TRUE(IsWindowVisible(viewerWindow));
    EXPECT_TRUE(IsWindowVisible(panelWindow));
    ShowWindow(panelWindow, SW_HIDE);
    SendMessageA(viewerWindow, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(5, 5));
    EXPECT_TRUE(IsWindowVisible(panelWindow));
    ShowWindow(panelWindow, SW_HIDE);
}

// A system command's extra view update waits for a running pass instead of
// running beside it.
TEST(ViewerMessages, SystemCommandUpdateWaitsForTheRunningPass) {
    ASSERT_EQ(stillRunnerState, 2);
    std::atomic<bool> held{false};
    std::atomic<bool> released{false};
    std::thread pass([&] {
        stillRenderLock.Acquire();
        held = true;
        Sleep(300);
        released = true;
        stillRenderLock.Release();
    });
    // A pass holding the lock may be waiting for this thread to take its
    // message, so the wait keeps pumping.
    ASSERT_TRUE(WaitFor([&] { return held.load(); }, 5000));
    const int32_t paints = countingHooks.paints;
    SendMessageA(viewerWindow, WM_SYSCOMMAND, SC_ARRANGE, 0);
    EXPECT_TRUE(released.load());
    EXPECT_GE(countingHooks.paints, paints + 1);
    pass.join();
}

}  // namespace
}  // namespace lx
