// The control panel under Wine, driven through its window procedures: the
// off state with its clock and prompt, power-on, the commands of the switched
// on panel, and the exit.
#include <windows.h>
#include <commctrl.h>
#include <mmsystem.h>

#include <gtest/gtest.h>

#include <cctype>
#include <cstdlib>
#include <string>
#include <vector>

#include "media/playback.h"
#include "media/still_picture.h"
#include "render/frames.h"
#include "render/navigation.h"
#include "shell/control_panel.h"
#include "shell/panel_indicators.h"
#include "shell/sounds.h"
#include "shell/viewer_window.h"
#include "shell/volume.h"
#include "panel_harness.h"
#include "viewer_harness.h"

namespace lx {
namespace {

using testing::Click;
using testing::Item;
using testing::PumpFor;
using testing::ShownImage;
using testing::TextOf;
using testing::WaitFor;

constexpr DWORD kLoadTimeoutMs = 20000;

struct DrawnColors {
    COLORREF text;
    COLORREF background;
    bool transparent;
};

// The colours the panel gives a control when it draws itself.
DrawnColors ColorsOf(int id) {
    const HDC dc = CreateCompatibleDC(nullptr);
    SetBkMode(dc, OPAQUE);
    SendMessageA(panelWindow, WM_CTLCOLORSTATIC, WPARAM(dc), LPARAM(Item(id)));
    DrawnColors colors{GetTextColor(dc), GetBkColor(dc), GetBkMode(dc) == TRANSPARENT};
    DeleteDC(dc);
    return colors;
}

RECT RectInPanel(HWND control) {
    RECT rect{};
    GetWindowRect(control, &rect);
    MapWindowPoints(nullptr, panelWindow, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

SIZE BitmapSize(const char* name) {
    const HBITMAP bitmap = LoadBitmapA(appInstance, name);
    BITMAP info{};
    GetObjectA(bitmap, sizeof(info), &info);
    DeleteObject(bitmap);
    return {info.bmWidth, info.bmHeight};
}

int32_t PixelWidth(int units) {
    const RECT r = DialogUnitsToPixels(0, 0, units, 4);
    return r.right;
}

// Stops every motion and waits until a render pass has taken the stop.
void StopAndSettle() {
    StopMotion();
    WaitFor([] { return viewState.stopRequest == 0; }, 2000);
}

// A wave-out device that remembers what was written to it.
class RecordingSound : public WindowSoundHooks {
public:
    void WriteDeviceLevel(uint32_t level) override { written.push_back(level); }
    std::vector<uint32_t> written;
};

struct Layout {
    int id;
    const char* className;
    int x, y, width, height;
    DWORD style;
    const char* bitmap;  // shown at the bitmap's own size
};

const Layout kLayout[] = {
    {kOptionsLabelId, "Static", 3, 14, 40, 10, SS_NOTIFY, nullptr},
    {kAboutLabelId, "Static", 45, 14, 30, 10, SS_NOTIFY, nullptr},
    {kLoadButtonId, "Static", 67, 72, 52, 15, SS_BITMAP | SS_NOTIFY, "load2"},
    {kPlayButtonId, "Static", 67, 89, 52, 15, SS_BITMAP | SS_NOTIFY, "pause2"},
    {kPowerButtonId, "Static", 67, 106, 52, 15, SS_BITMAP | SS_NOTIFY, "power1"},
    {kSharpenButtonId, "Static", 118, 72, 52, 15, SS_BITMAP | SS_NOTIFY, "sharpen2"},
    {kSoftenButtonId, "Static", 118, 89, 52, 15, SS_BITMAP | SS_NOTIFY, "soften2"},
    {kSoundButtonId, "Static", 118, 106, 52, 15, SS_BITMAP | SS_NOTIFY, "sounds2"},
    {kPadLeftId, "Button", 4, 87, 16, 15, BS_BITMAP | BS_FLAT, nullptr},
    {kPadRightId, "Button", 36, 87, 16, 15, BS_BITMAP | BS_FLAT, nullptr},
    {kPadUpId, "Button", 20, 72, 16, 15, BS_BITMAP | BS_FLAT, nullptr},
    {kPadDownId, "Button", 20, 102, 16, 15, BS_BITMAP | BS_FLAT, nullptr},
    {kPadStopId, "Button", 20, 87, 16, 15, BS_BITMAP | BS_FLAT, nullptr},
    {kPadZoomInId, "Button", 4, 72, 16, 15, BS_BITMAP | BS_FLAT, nullptr},
    {kPadZoomOutId, "Button", 36, 72, 16, 15, BS_BITMAP | BS_FLAT, nullptr},
    {kPadVolumeDownId, "Button", 4, 102, 16, 15, BS_BITMAP | BS_FLAT, nullptr},
    {kPadVolumeUpId, "Button", 36, 102, 16, 15, BS_BITMAP | BS_FLAT, nullptr},
    {kSpeedSliderId, "msctls_trackbar32", 54, 73, 10, 44, 0x50001122, nullptr},
    {kMinimiseButtonId, "Button", 127, 0, 12, 11, BS_BITMAP | BS_FLAT, nullptr},
    {kFullSizeButtonId, "Button", 139, 0, 12, 11, BS_BITMAP | BS_FLAT, nullptr},
    {kCloseButtonId, "Button", 151, 0, 12, 11, BS_BITMAP | BS_FLAT, nullptr},
    {kClockId, "Static", 9, 40, 30, 8, SS_CENTER, nullptr},
    {kPromptId, "Static", 9, 56, 149, 8, SS_CENTER, nullptr},
    {kPositionBarId, "ScrollBar", 4, 25, 160, 8, 0x1000, nullptr},
};

struct ImageCase {
    int id;
    const char* image;
};

const ImageCase kDimImages[] = {
    {kPowerButtonId, "power1"}, {kLoadButtonId, "load2"},     {kPlayButtonId, "pause2"},
    {kSharpenButtonId, "sharpen2"}, {kSoftenButtonId, "soften2"}, {kSoundButtonId, "sounds2"},
    {kPadLeftId, "left1"},     {kPadRightId, "right1"},       {kPadUpId, "up1"},
    {kPadDownId, "down1"},     {kPadStopId, "stop1"},         {kPadZoomInId, "lup1"},
    {kPadZoomOutId, "rup1"},   {kPadVolumeDownId, "ldown1"},  {kPadVolumeUpId, "rdown1"},
    {kMinimiseButtonId, "os1"}, {kFullSizeButtonId, "os2"},   {kCloseButtonId, "os3"},
};

// ------------------------------------------------------------- switched off

TEST(PanelOff, IsACaptionlessTopmostPopupInTheMiddleOfTheScreen) {
    ASSERT_TRUE(IsWindow(panelWindow));
    char title[64] = {};
    GetWindowTextA(panelWindow, title, sizeof(title));
    EXPECT_STREQ(title, "* Lumivex 360 Video Viewer");
    const DWORD style = DWORD(GetWindowLongA(panelWindow, GWL_STYLE));
    EXPECT_EQ(style & ~DWORD(WS_VISIBLE | WS_CLIPSIBLINGS), 0x80880000u) << std::hex << style;
    EXPECT_TRUE(GetWindowLongA(panelWindow, GWL_EXSTYLE) & WS_EX_TOPMOST);
    EXPECT_TRUE(IsWindowVisible(panelWindow));

    RECT client{};
    GetClientRect(panelWindow, &client);
    const RECT units = DialogUnitsToPixels(0, 0, 168, 126);
    EXPECT_EQ(client.right, units.right);
    EXPECT_EQ(client.bottom, units.bottom);
    EXPECT_EQ(SIZE(BitmapSize("skin")).cx, 253);
    EXPECT_EQ(SIZE(BitmapSize("skin")).cy, 205);

    RECT frame{};
    GetWindowRect(panelWindow, &frame);
    EXPECT_NEAR((frame.left + frame.right) / 2, GetSystemMetrics(SM_CXSCREEN) / 2, 1);
    EXPECT_NEAR((frame.top + frame.bottom) / 2, GetSystemMetrics(SM_CYSCREEN) / 2, 1);
    EXPECT_NE(SendMessageA(panelWindow, WM_GETICON, ICON_BIG, 0), 0);
    EXPECT_NE(SendMessageA(panelWindow, WM_GETICON, ICON_SMALL, 0), 0);
}

TEST(PanelOff, HasEveryControlInItsPlace) {
    for (const Layout& c : kLayout) {
        SCOPED_TRACE(c.id);
        const HWND control = Item(c.id);
        ASSERT_NE(control, nullptr);
        char className[32] = {};
        GetClassNameA(control, className, sizeof(className));
        EXPECT_EQ(_stricmp(className, c.className), 0) << className;
        const DWORD style = DWORD(GetWindowLongA(control, GWL_STYLE));
        EXPECT_EQ(style & c.style, c.style) << std::hex << style;
        EXPECT_TRUE(style & WS_VISIBLE);

        const RECT expected = DialogUnitsToPixels(c.x, c.y, c.width, c.height);
        const RECT actual = RectInPanel(control);
        EXPECT_EQ(actual.left, expected.left);
        EXPECT_EQ(actual.top, expected.top);
        if (c.bitmap) {
            const SIZE size = BitmapSize(c.bitmap);
            EXPECT_EQ(actual.right - actual.left, size.cx);
            EXPECT_EQ(actual.bottom - actual.top, size.cy);
            EXPECT_LE(actual.right, expected.right + 1) << "fits its place";
        } else {
            EXPECT_EQ(actual.right, expected.right);
            EXPECT_EQ(actual.bottom, expected.bottom);
        }
    }
    EXPECT_EQ(TextOf(kOptionsLabelId), "  Options");
    EXPECT_EQ(TextOf(kAboutLabelId), "  About");
    EXPECT_TRUE(GetWindowLongA(Item(kSpeedSliderId), GWL_EXSTYLE) & WS_EX_STATICEDGE);
    EXPECT_EQ(SendMessageA(Item(kSpeedSliderId), TBM_GETRANGEMIN, 0, 0), 1);
    EXPECT_EQ(SendMessageA(Item(kSpeedSliderId), TBM_GETRANGEMAX, 0, 0), 100);
    EXPECT_EQ(SendMessageA(Item(kSpeedSliderId), TBM_GETPAGESIZE, 0, 0), 1);
    INT low = 0;
    INT high = 0;
    SendMessageA(Item(kPositionBarId), SBM_GETRANGE, WPARAM(&low), LPARAM(&high));
    EXPECT_EQ(low, 1);
    EXPECT_EQ(high, 1000);
}

TEST(PanelOff, ControlsShowTheirDimImagesAndColours) {
    for (const ImageCase& c : kDimImages) EXPECT_EQ(ShownImage(c.id), c.image) << c.id;

    struct ColorCase {
        int id;
        COLORREF text;
        COLORREF background;
        bool transparent;
    };
    const ColorCase cases[] = {
        {kOptionsLabelId, 0xC0C0C0, 0, true}, {kAboutLabelId, 0xC0C0C0, 0, true},
        {kClockId, 0x9D8204, 0xAFC4B0, false}, {kPromptId, 0x55783D, 0xAFC4B0, false},
        {kSpeedSliderId, 0xC0C0C0, 0x383F43, false},
    };
    // The first pointer move outside the labels paints them plain.
    SendMessageA(panelWindow, WM_SETCURSOR, WPARAM(panelWindow), MAKELPARAM(HTCAPTION, WM_MOUSEMOVE));
    for (const ColorCase& c : cases) {
        const DrawnColors drawn = ColorsOf(c.id);
        EXPECT_EQ(drawn.text, c.text) << c.id;
        EXPECT_EQ(drawn.transparent, c.transparent) << c.id;
        if (!c.transparent) {
            EXPECT_EQ(drawn.background, c.background) << c.id;
        }
    }
}

TEST(PanelOff, ShowsOnlyTheClockAndThePromptBlinkingEveryOtherSecond) {
    for (int id : {kQualityTextId, kFilterTextId, kFileTextId, kVolumeTextId, kVolumeBarId,
                   kSoundIconId, kFilterIconId, kFreezeIconId, kEffectIconId, kSizeLabelId,
                   kLengthLabelId}) {
        EXPECT_EQ(Item(id), nullptr) << id;
    }
    std::vector<DWORD> changes;
    std::vector<std::string> clocks;
    std::string prompt = TextOf(kPromptId);
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < 4500) {
        PumpFor(20);
        const std::string now = TextOf(kPromptId);
        ASSERT_TRUE(now.empty() || now == "Press the button  [Power]") << now;
        if (now != prompt) changes.push_back(GetTickCount());
        prompt = now;
        const std::string clock = TextOf(kClockId);
        if (clocks.empty() || clocks.back() != clock) clocks.push_back(clock);
    }
    ASSERT_GE(changes.size(), 3u);
    for (size_t i = 1; i < changes.size(); ++i) {
        EXPECT_NEAR(double(changes[i] - changes[i - 1]), 1000.0, 250.0);
    }
    // The clock reads the local time and moves on every second.
    EXPECT_GE(clocks.size(), 4u);
    SYSTEMTIME now{};
    GetLocalTime(&now);
    const std::string last = clocks.back();
    ASSERT_EQ(last.size(), 8u);
    EXPECT_TRUE(std::isdigit(last[0]) && last[2] == ':' && last[5] == ':') << last;
    const int seconds = std::stoi(last.substr(0, 2)) * 3600 + std::stoi(last.substr(3, 2)) * 60 +
                        std::stoi(last.substr(6, 2));
    const int expected = now.wHour * 3600 + now.wMinute * 60 + now.wSecond;
    EXPECT_LE(std::abs(expected - seconds) % (24 * 3600), 2) << last;
}

TEST(PanelOff, MenuLabelsLightUnderThePointer) {
    struct Step {
        HWND under;
        bool handCursor;
        DrawnColors options;
        DrawnColors about;
    };
    const DrawnColors hot{0xFFFFFF, 0x433F38, false};
    const DrawnColors grey{0xC0C0C0, 0x433F38, false};
    const DrawnColors plain{0xC0C0C0, 0, true};
    const Step steps[] = {
        {Item(kOptionsLabelId), true, hot, grey},
        {Item(kAboutLabelId), true, grey, hot},
        {panelWindow, false, plain, plain},
        {Item(kAboutLabelId), true, grey, hot},
        {Item(kPowerButtonId), false, plain, plain},
    };
    for (const Step& step : steps) {
        const LRESULT result = SendMessageA(panelWindow, WM_SETCURSOR, WPARAM(step.under),
                                            MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
        if (step.handCursor) {
            EXPECT_EQ(result, 1);
            EXPECT_EQ(GetCursor(), handCursor);
            EXPECT_EQ(menuLabelsPlain, 0);
        } else {
            EXPECT_EQ(menuLabelsPlain, 1);
        }
        for (const auto& [id, want] : {std::pair{kOptionsLabelId, step.options},
                                       std::pair{kAboutLabelId, step.about}}) {
            const DrawnColors drawn = ColorsOf(id);
            EXPECT_EQ(drawn.text, want.text) << id;
            EXPECT_EQ(drawn.transparent, want.transparent) << id;
            if (!want.transparent) {
                EXPECT_EQ(drawn.background, want.background) << id;
            }
        }
    }
}

TEST(PanelOff, OnlyPowerMinimiseAndCloseAct) {
    testing::MessageBoxWatcher boxes;
    boxes.Answer(IDCANCEL);
    for (int id : {kLoadButtonId, kPlayButtonId, kSharpenButtonId, kSoftenButtonId,
                   kSoundButtonId, kPadLeftId, kPadRightId, kPadUpId, kPadDownId, kPadStopId,
                   kPadZoomInId, kPadZoomOutId, kPadVolumeDownId, kPadVolumeUpId,
                   kOptionsLabelId, kAboutLabelId, kFullSizeButtonId}) {
        Click(id);
    }
    PumpFor(200);
    for (const ImageCase& c : kDimImages) EXPECT_EQ(ShownImage(c.id), c.image) << c.id;
    EXPECT_EQ(powerOn, 0);
    EXPECT_EQ(viewerWindow, nullptr);
    EXPECT_EQ(viewerSettings.sharpen, 0);
    EXPECT_EQ(viewerSettings.soften, 0);
    EXPECT_EQ(zoomInLatched, 0);
    EXPECT_EQ(zoomOutLatched, 0);
    EXPECT_EQ(fullScreen, 0);
    EXPECT_EQ(viewState.zoomingIn, 0);
    EXPECT_EQ(viewState.dragging, 0);
    EXPECT_TRUE(boxes.Seen().empty());

    // Close asks; Cancel keeps the panel.
    Click(kCloseButtonId);
    ASSERT_EQ(boxes.Seen().size(), 1u);
    EXPECT_EQ(boxes.Seen()[0].caption, "Exit");
    EXPECT_EQ(boxes.Seen()[0].text, "Are you sure?");
    EXPECT_TRUE(IsWindow(panelWindow));
    EXPECT_EQ(exitInProgress, 0);

    Click(kMinimiseButtonId);
    EXPECT_TRUE(IsIconic(panelWindow));
    ShowWindow(panelWindow, SW_RESTORE);
    EXPECT_FALSE(IsIconic(panelWindow));

    // The speed slider already sets the step; power-on sets it back to 5.
    SendMessageA(panelWindow, WM_VSCROLL, MAKEWPARAM(TB_THUMBTRACK, 80), LPARAM(Item(kSpeedSliderId)));
    EXPECT_EQ(viewState.turnStep, 80);
}

// ----------------------------------------------------------------- power-on

TEST(PanelPowerOn, LightsTheButtonsCreatesTheIndicatorsAndShowsThePanorama) {
    ASSERT_EQ(powerOn, 0);
    Click(kPowerButtonId);
    ASSERT_EQ(powerOn, 1);
    ASSERT_NE(viewerWindow, nullptr);
    ASSERT_TRUE(WaitFor([] { return stillRunnerState == 2 && sourceFrame.width == 3500; },
                        kLoadTimeoutMs));

    const ImageCase images[] = {
        {kPowerButtonId, "exit1"},  {kLoadButtonId, "load1"},       {kPlayButtonId, "pause2"},
        {kSharpenButtonId, "sharpen3"}, {kSoftenButtonId, "soften1"}, {kSoundButtonId, "sounds3"},
        {kPadLeftId, "left"},       {kPadRightId, "right"},         {kPadUpId, "up"},
        {kPadDownId, "down"},       {kPadStopId, "stop"},           {kPadZoomInId, "lup"},
        {kPadZoomOutId, "rup"},     {kPadVolumeDownId, "ldown"},    {kPadVolumeUpId, "rdown"},
        {kSoundIconId, "sound1"},   {kFilterIconId, "sharp1"},      {kFreezeIconId, "frez3"},
        {kEffectIconId, "sharp5"},
    };
    for (const ImageCase& c : images) EXPECT_EQ(ShownImage(c.id), c.image) << c.id;

    struct TextCase {
        int id;
        const char* text;
        COLORREF ink;
        COLORREF paper;
    };
    constexpr COLORREF ink = 0x9D8204;
    constexpr COLORREF paper = 0xAFC4B0;
    const TextCase texts[] = {
        {4701, "mode", paper, ink},          {kQualityTextId, "high", ink, paper},
        {4702, "effect", paper, ink},        {kFilterTextId, "sharp", ink, paper},
        {4703, "file", paper, ink},          {kFileTextId, "internal", ink, 0xC4D8C3},
        {4704, "sound", paper, ink},         {4501, "video", paper, ink},
        {4502, "length", paper, ink},        {kSizeLabelId, "3500x1744", ink, paper},
        {kLengthLabelId, "off", ink, paper},
    };
    for (const TextCase& c : texts) {
        EXPECT_EQ(TextOf(c.id), c.text) << c.id;
        const DrawnColors drawn = ColorsOf(c.id);
        EXPECT_EQ(drawn.text, c.ink) << c.id;
        EXPECT_EQ(drawn.background, c.paper) << c.id;
    }
    EXPECT_EQ(ColorsOf(kVolumeBarId).background, COLORREF(0x91A03D));

    // No sound device here: the volume reads as a defined 0.
    DWORD level = 0;
    if (waveOutGetVolume(HWAVEOUT(0), &level) != MMSYSERR_NOERROR) {
        EXPECT_EQ(volume, 0);
    }
    EXPECT_EQ(TextOf(kVolumeTextId), VolumeText(volume));
    RECT bar{};
    GetClientRect(Item(kVolumeBarId), &bar);
    EXPECT_EQ(bar.right, PixelWidth(VolumeBarUnits(volume)));
    EXPECT_EQ(bar.bottom, DialogUnitsToPixels(0, 0, 1, 4).bottom);

    EXPECT_EQ(Item(kClockId), nullptr);
    EXPECT_EQ(Item(kPromptId), nullptr);
    EXPECT_EQ(viewerSettings.sharpen, 1);
    EXPECT_EQ(viewerSettings.soften, 0);
    EXPECT_EQ(muted, 0);
    EXPECT_EQ(viewState.turnStep, 5);
    EXPECT_EQ(SendMessageA(Item(kSpeedSliderId), TBM_GETPOS, 0, 0), 5);

    const float yaw = viewState.yaw;
    PumpFor(1000);
    EXPECT_GT(viewState.yaw, yaw + 1.0f) << "the built-in panorama turns right";
}

// ------------------------------------------------------------ switched on

class PanelOn : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(powerOn, 1); }
};

TEST_F(PanelOn, SharpenAndSoftenExcludeEachOther) {
    struct Step {
        int press;
        int32_t sharpen, soften;
        const char* sharpenImage;
        const char* softenImage;
        const char* icon;
        const char* text;
    };
    const Step steps[] = {
        {kSharpenButtonId, 0, 0, "sharpen1", "soften1", "sharp3", "off"},
        {kSoftenButtonId, 0, 1, "sharpen1", "soften3", "sharp2", "soft"},
        {kSharpenButtonId, 1, 0, "sharpen3", "soften1", "sharp1", "sharp"},
        {kSoftenButtonId, 0, 1, "sharpen1", "soften3", "sharp2", "soft"},
        {kSoftenButtonId, 0, 0, "sharpen1", "soften1", "sharp3", "off"},
        {kSharpenButtonId, 1, 0, "sharpen3", "soften1", "sharp1", "sharp"},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.text);
        Click(s.press);
        EXPECT_EQ(viewerSettings.sharpen, s.sharpen);
        EXPECT_EQ(viewerSettings.soften, s.soften);
        EXPECT_EQ(ShownImage(kSharpenButtonId), s.sharpenImage);
        EXPECT_EQ(ShownImage(kSoftenButtonId), s.softenImage);
        EXPECT_EQ(ShownImage(kFilterIconId), s.icon);
        EXPECT_EQ(TextOf(kFilterTextId), s.text);
    }
}

TEST_F(PanelOn, ZoomButtonsLatch) {
    StopAndSettle();
    struct Step {
        int press;
        int32_t inLatch, outLatch, zoomingIn, zoomingOut;
    };
    const Step steps[] = {
        {kPadZoomInId, -1, 0, 1, 0},   // zoom in
        {kPadZoomInId, 0, 0, 0, 0},    // stop
        {kPadZoomInId, -1, 0, 1, 0},   // zoom in again
        {kPadZoomOutId, 0, -1, 0, 1},  // zoom out takes over
        {kPadStopId, 0, -1, 0, 0},     // stop keeps the latch
        {kPadZoomOutId, 0, 0, 0, 0},   // so this press only unlatches
        {kPadZoomOutId, 0, -1, 0, 1},
        {kPadZoomOutId, 0, 0, 0, 0},
    };
    for (size_t i = 0; i < std::size(steps); ++i) {
        const Step& s = steps[i];
        SCOPED_TRACE(i);
        Click(s.press);
        EXPECT_EQ(zoomInLatched, s.inLatch);
        EXPECT_EQ(zoomOutLatched, s.outLatch);
        EXPECT_EQ(viewState.zoomingIn, s.zoomingIn);
        EXPECT_EQ(viewState.zoomingOut, s.zoomingOut);
    }
}

TEST_F(PanelOn, PadTurnsTheViewUntilStopped) {
    struct Case {
        int press;
        float ViewState::*angle;
        float sign;
    };
    const Case cases[] = {
        {kPadRightId, &ViewState::yaw, +1.0f},
        {kPadLeftId, &ViewState::yaw, -1.0f},
        {kPadUpId, &ViewState::pitch, -1.0f},  // up looks towards pitch -90
        {kPadDownId, &ViewState::pitch, +1.0f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.press);
        StopAndSettle();
        viewState.targetPitch = 0.0f;
        PumpFor(200);
        const float before = viewState.*c.angle;
        Click(c.press);
        PumpFor(500);
        EXPECT_GT((viewState.*c.angle - before) * c.sign, 0.5f);
    }
    Click(kPadStopId);
    PumpFor(300);
    const float yaw = viewState.yaw;
    const float pitch = viewState.pitch;
    PumpFor(300);
    EXPECT_EQ(viewState.yaw, yaw);
    EXPECT_EQ(viewState.pitch, pitch);
}

TEST_F(PanelOn, SpeedSliderSetsTheStepAndStartsARightTurn) {
    struct Case {
        int32_t from;
        WORD request;
        WORD thumb;
        int32_t to;
    };
    const Case cases[] = {
        {1, TB_PAGEUP, 0, 1},     {2, TB_PAGEUP, 0, 1},      {50, TB_PAGEDOWN, 0, 50},
        {49, TB_PAGEDOWN, 0, 50}, {5, TB_THUMBTRACK, 80, 80}, {7, TB_LINEUP, 0, 7},
        {7, TB_ENDTRACK, 0, 7},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.from * 100 + c.request);
        StopAndSettle();
        viewState.turnStep = c.from;
        SendMessageA(panelWindow, WM_VSCROLL, MAKEWPARAM(c.request, c.thumb),
                     LPARAM(Item(kSpeedSliderId)));
        EXPECT_EQ(viewState.turnStep, c.to);
        EXPECT_EQ(viewState.dragging, 1);
        EXPECT_EQ(viewState.cursorX - viewState.anchorX, c.to) << "a right-arrow key-down";
    }
    StopAndSettle();
    viewState.turnStep = 5;
}

TEST_F(PanelOn, FullSizeToggleAndBack) {
    RECT workArea{};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &workArea, 0);
    for (int32_t wide : {1, 0}) {
        SCOPED_TRACE(wide);
        viewerSettings.wideFormat = wide;
        Click(kFullSizeButtonId);
        EXPECT_EQ(fullScreen, 1);
        EXPECT_EQ(viewerSettings.windowSize, kFullSize);
        RECT frame{};
        GetWindowRect(viewerWindow, &frame);
        EXPECT_EQ(frame.right - frame.left, workArea.right - workArea.left);
        EXPECT_EQ(frame.bottom - frame.top, workArea.bottom - workArea.top);

        Click(kFullSizeButtonId);
        EXPECT_EQ(fullScreen, 0);
        EXPECT_EQ(viewerSettings.windowSize, kStandard);
        EXPECT_EQ(viewerSettings.viewWidth, wide ? 852 : 640);
        EXPECT_EQ(viewerSettings.viewHeight, 480);
        GetWindowRect(viewerWindow, &frame);
        EXPECT_EQ(frame.right - frame.left, wide ? 852 : 640);
        RECT client{};
        GetClientRect(viewerWindow, &client);
        EXPECT_EQ(client.bottom, 480 + 24);
    }
    viewerSettings.wideFormat = 1;
}

TEST_F(PanelOn, VolumeButtonsSoundMuteAndTheDisplay) {
    RecordingSound device;
    SetSoundHooks(&device);
    volume = 0;
    muted = 0;
    savedVolume = 0;
    for (int i = 0; i < 10; ++i) Click(kPadVolumeUpId);
    EXPECT_EQ(volume, 50);
    ASSERT_FALSE(device.written.empty());
    EXPECT_EQ(device.written.back(), 0x80008000u);
    EXPECT_EQ(TextOf(kVolumeTextId), "50%");
    RECT bar{};
    GetClientRect(Item(kVolumeBarId), &bar);
    EXPECT_EQ(bar.right, PixelWidth(18));

    Click(kSoundButtonId);  // mute at 50
    EXPECT_EQ(muted, 1);
    EXPECT_EQ(volume, 0);
    EXPECT_EQ(device.written.back(), 0u);
    EXPECT_EQ(ShownImage(kSoundButtonId), "sounds1");
    EXPECT_EQ(ShownImage(kSoundIconId), "sound2");
    EXPECT_EQ(TextOf(kVolumeTextId), "0%");
    GetClientRect(Item(kVolumeBarId), &bar);
    EXPECT_EQ(bar.right, 0);

    Click(kPadVolumeUpId);  // a step unmutes at the stepped level
    EXPECT_EQ(muted, 0);
    EXPECT_EQ(volume, 5);
    EXPECT_EQ(ShownImage(kSoundButtonId), "sounds3");
    EXPECT_EQ(ShownImage(kSoundIconId), "sound1");

    Click(kSoundButtonId);
    Click(kSoundButtonId);  // mute and unmute
    EXPECT_EQ(volume, 5);
    EXPECT_EQ(TextOf(kVolumeTextId), "5%");

    for (int i = 0; i < 3; ++i) Click(kPadVolumeDownId);
    EXPECT_EQ(volume, 0);
    for (int i = 0; i < 25; ++i) Click(kPadVolumeUpId);
    EXPECT_EQ(volume, 99);
    EXPECT_EQ(TextOf(kVolumeTextId), "99%");
    GetClientRect(Item(kVolumeBarId), &bar);
    EXPECT_EQ(bar.right, PixelWidth(35));
    SetSoundHooks(&windowSoundHooks);
}

TEST_F(PanelOn, VolumeStepsWhileMutedLightTheSoundButtonAgain) {
    struct Case {
        int step;
        int32_t volume;  // after the step
    };
    const Case cases[] = {{kPadVolumeUpId, 5}, {kPadVolumeDownId, 0}};
    RecordingSound device;
    SetSoundHooks(&device);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.step);
        volume = 40;
        muted = 0;
        Click(kSoundButtonId);
        ASSERT_EQ(muted, 1);
        EXPECT_EQ(ShownImage(kSoundButtonId), "sounds1");
        EXPECT_EQ(testing::OnScreen(Item(kSoundButtonId)).pixels,
                  testing::ResourcePicture("sounds1").pixels);

        Click(c.step);
        EXPECT_EQ(muted, 0);
        EXPECT_EQ(volume, c.volume);
        EXPECT_EQ(ShownImage(kSoundButtonId), "sounds3");
        EXPECT_EQ(ShownImage(kSoundIconId), "sound1");
        // What the user sees, not only the bitmap the button holds.
        EXPECT_EQ(testing::OnScreen(Item(kSoundButtonId)).pixels,
                  testing::ResourcePicture("sounds3").pixels);
    }
    SetSoundHooks(&windowSoundHooks);
}

// How far apart two colours are: their red, green and blue differences summed.
int ColourDistance(COLORREF a, COLORREF b) {
    return std::abs(int(GetRValue(a)) - int(GetRValue(b))) +
           std::abs(int(GetGValue(a)) - int(GetGValue(b))) +
           std::abs(int(GetBValue(a)) - int(GetBValue(b)));
}

TEST_F(PanelOn, SpeedSliderThumbStandsOutFromItsChannelAndThePanel) {
    constexpr COLORREF kText = 0xC0C0C0;
    constexpr COLORREF kBackground = 0x383F43;
    constexpr int kClearlyApart = 150;
    const HWND slider = Item(kSpeedSliderId);
    const LRESULT position = SendMessageA(slider, TBM_GETPOS, 0, 0);
    for (LPARAM at : {1, 5, 50, 100}) {
        SCOPED_TRACE(at);
        SendMessageA(slider, TBM_SETPOS, TRUE, at);
        RECT thumb{};
        RECT channel{};
        SendMessageA(slider, TBM_GETTHUMBRECT, 0, LPARAM(&thumb));
        SendMessageA(slider, TBM_GETCHANNELRECT, 0, LPARAM(&channel));
        const testing::Picture shown = testing::OnScreen(slider);
        const LONG middleY = (thumb.top + thumb.bottom) / 2;
        const COLORREF onThumb = testing::PixelAt(shown, (thumb.left + thumb.right) / 2, middleY);
        // The channel's middle, half its length away from the thumb.
        const LONG half = (channel.bottom - channel.top) / 2;
        const LONG channelY = middleY < channel.top + half ? middleY + half : middleY - half;
        const COLORREF inChannel = testing::PixelAt(shown, (channel.left + channel.right) / 2, channelY);
        const COLORREF beside = testing::PixelAt(shown, 0, channelY);
        EXPECT_EQ(onThumb, kText) << std::hex << onThumb;
        EXPECT_EQ(beside, kBackground) << std::hex << beside;
        EXPECT_GE(ColourDistance(onThumb, inChannel), kClearlyApart) << std::hex << inChannel;
        EXPECT_GE(ColourDistance(onThumb, beside), kClearlyApart);
    }
    SendMessageA(slider, TBM_SETPOS, TRUE, position);
}

TEST_F(PanelOn, PadKeysFillTheFacesOfTheirButtons) {
    // A flat button draws a 1-pixel frame and paints the face inside it
    // white wherever its bitmap leaves the face bare.
    for (int id : {kPadZoomInId, kPadUpId, kPadZoomOutId, kPadLeftId, kPadStopId, kPadRightId,
                   kPadVolumeDownId, kPadDownId, kPadVolumeUpId}) {
        SCOPED_TRACE(id);
        const HWND key = Item(id);
        const testing::Picture bitmap = testing::ShownPicture(key);
        const testing::Picture shown = testing::OnScreen(key);
        ASSERT_FALSE(bitmap.pixels.empty());
        const int32_t left = (shown.width - bitmap.width) / 2;
        const int32_t top = (shown.height - bitmap.height) / 2;
        int bare = 0;
        int wrong = 0;
        for (int32_t y = 1; y < shown.height - 1; ++y) {
            for (int32_t x = 1; x < shown.width - 1; ++x) {
                const COLORREF want = testing::PixelAt(bitmap, x - left, y - top);
                if (want == CLR_INVALID) {
                    ++bare;
                } else if (testing::PixelAt(shown, x, y) != want) {
                    ++wrong;
                }
            }
        }
        EXPECT_EQ(bare, 0) << "face pixels the bitmap leaves bare, button " << shown.width << "x"
                           << shown.height << ", bitmap " << bitmap.width << "x" << bitmap.height;
        EXPECT_EQ(wrong, 0) << "face pixels that differ from the bitmap";
    }
}

TEST_F(PanelOn, PlayPauseAndThePositionBarActOnlyOnVideo) {
    const HWND bar = Item(kPositionBarId);
    const auto thumbTrack = [bar](int32_t position) {
        SendMessageA(panelWindow, WM_HSCROLL, MAKEWPARAM(SB_THUMBTRACK, WORD(position)), LPARAM(bar));
    };
    seekFrame = 0;
    Click(kPlayButtonId);
    thumbTrack(300);
    EXPECT_EQ(frozen, 0);
    EXPECT_EQ(seekFrame, 0);
    EXPECT_EQ(seeking, 0);
    EXPECT_EQ(ShownImage(kPlayButtonId), "pause2");

    sourceKind = 1;
    Click(kPlayButtonId);
    EXPECT_EQ(frozen, 1);
    EXPECT_EQ(ShownImage(kPlayButtonId), "play1");
    EXPECT_EQ(ShownImage(kFreezeIconId), "frez1");
    Click(kPlayButtonId);
    EXPECT_EQ(frozen, 0);
    EXPECT_EQ(ShownImage(kPlayButtonId), "pause1");
    EXPECT_EQ(ShownImage(kFreezeIconId), "frez2");

    // A long video: the thumb's position does not fit the message's 16 bits.
    SendMessageA(viewerWindow, kFreezeMessage, 1, 0);
    SCROLLINFO range{sizeof(SCROLLINFO), SIF_RANGE | SIF_POS, 1, 100000, 0, 70000, 0};
    SendMessageA(bar, SBM_SETSCROLLINFO, TRUE, LPARAM(&range));
    thumbTrack(70000);
    EXPECT_EQ(seekFrame, 70000);
    EXPECT_EQ(seeking, 1);
    EXPECT_EQ(frozen, 1);
    EXPECT_EQ(SendMessageA(bar, SBM_GETPOS, 0, 0), 70000);
    SendMessageA(panelWindow, WM_HSCROLL, MAKEWPARAM(SB_ENDSCROLL, 0), LPARAM(bar));
    EXPECT_EQ(seeking, 0);
    EXPECT_EQ(frozen, 0);

    sourceKind = 0;
    SCROLLINFO back{sizeof(SCROLLINFO), SIF_RANGE, 1, 1000, 0, 0, 0};
    SendMessageA(bar, SBM_SETSCROLLINFO, TRUE, LPARAM(&back));
    SetPanelImage(kPlayButtonId, "pause2");
    SetPanelImage(kFreezeIconId, "frez3");
}

TEST_F(PanelOn, RightClickOnTheSkinGivesTheViewTheKeyboard) {
    RECT frame{};
    GetWindowRect(panelWindow, &frame);
    const LPARAM point = MAKELPARAM(frame.left + 5, frame.bottom - 4);
    EXPECT_EQ(SendMessageA(panelWindow, WM_NCHITTEST, 0, point), HTCAPTION);
    SetFocus(panelWindow);
    EXPECT_EQ(SendMessageA(panelWindow, WM_NCRBUTTONDOWN, HTCAPTION, point), 2);
    EXPECT_EQ(GetFocus(), viewerWindow);
}

TEST_F(PanelOn, ExitAsksOnceAndCancelKeepsEverythingRunning) {
    testing::MessageBoxWatcher boxes;
    boxes.Answer(IDCANCEL);
    Click(kPadRightId);
    videoPlaying = 1;
    // A double click: the second click arrives while the question is open.
    PostMessageA(panelWindow, WM_COMMAND, MAKEWPARAM(kPowerButtonId, 0), LPARAM(Item(kPowerButtonId)));
    PostMessageA(panelWindow, WM_COMMAND, MAKEWPARAM(kPowerButtonId, 0), LPARAM(Item(kPowerButtonId)));
    PumpFor(2500);
    ASSERT_EQ(boxes.Seen().size(), 1u);
    EXPECT_EQ(boxes.Seen()[0].caption, "Exit");
    EXPECT_EQ(boxes.Seen()[0].text, "Are you sure?");
    EXPECT_EQ(exitInProgress, 0);
    EXPECT_EQ(videoPlaying, 0) << "a playing video stops even when the exit is cancelled";
    ASSERT_TRUE(IsWindow(panelWindow));
    EXPECT_EQ(ShownImage(kPowerButtonId), "exit1");

    boxes.Clear();
    Click(kCloseButtonId);
    EXPECT_EQ(boxes.Seen().size(), 1u);
    ASSERT_TRUE(IsWindow(panelWindow));
    EXPECT_EQ(stillRunnerState, 2);
    const float yaw = viewState.yaw;
    PumpFor(500);
    EXPECT_NE(viewState.yaw, yaw) << "the view still turns";
}

// Last: it destroys the panel.
TEST_F(PanelOn, AltF4EndsWithoutAsking) {
    testing::MessageBoxWatcher boxes;
    const HWND panel = panelWindow;
    SendMessageA(panel, WM_SYSCOMMAND, SC_CLOSE, 0);
    PumpFor(200);
    EXPECT_FALSE(IsWindow(panel));
    EXPECT_EQ(panelWindow, nullptr);
    EXPECT_TRUE(boxes.Seen().empty());
    RunPanelMessageLoop();  // returns at once: there is no panel left to serve
}

}  // namespace
}  // namespace lx
