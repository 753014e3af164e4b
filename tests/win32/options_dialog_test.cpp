// The Options dialog under Wine: its controls and colours, the highlights
// that follow the pointer, and what every click does.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "dialog_support.h"
#include "dialogs/options_dialog.h"
#include "effects/effects.h"
#include "media/still_picture.h"
#include "render/frames.h"
#include "render/navigation.h"
#include "render/pipeline.h"
#include "shell/control_panel.h"
#include "shell/panel_indicators.h"
#include "shell/pump.h"
#include "shell/viewer_window.h"
#include "viewer_harness.h"

namespace lx {
namespace {

using testing::ColorsOf;
using testing::PumpFor;
using testing::ShowsBitmap;
using testing::WaitFor;
using testing::WindowText;

constexpr COLORREF kWhite = RGB(255, 255, 255);

HWND Item(HWND dialog, int id) { return GetDlgItem(dialog, id); }

// An open Options dialog for one test, closed at its end if a click did not.
class OptionsOpen : public ::testing::Test {
protected:
    void SetUp() override {
        saved_ = viewerSettings;
        dialog_ = CreateOptionsDialog();
        ASSERT_NE(dialog_, nullptr);
        ShowWindow(dialog_, SW_SHOW);
    }
    void TearDown() override {
        if (IsWindow(dialog_)) DestroyWindow(dialog_);
        viewerSettings = saved_;
        SetPanelImage(kEffectIconId, "sharp5");
        SetIndicatorText(kQualityTextId, "high");
    }
    // The click notification a label or box sends; true when the dialog
    // is still open afterwards.
    bool Click(int id) {
        if (id == kWideFormatBoxId || id == kEyeLensBoxId) {
            const UINT now = IsDlgButtonChecked(dialog_, id);
            CheckDlgButton(dialog_, id, now == BST_CHECKED ? BST_UNCHECKED : BST_CHECKED);
        }
        SendMessageA(dialog_, WM_COMMAND, MAKEWPARAM(id, 0), LPARAM(Item(dialog_, id)));
        return IsWindow(dialog_) != FALSE;
    }
    // The pointer moving onto a control (or onto the dialog itself); true
    // when the dialog took the cursor.
    bool PointAt(HWND under) {
        SetCursor(LoadCursor(nullptr, IDC_ARROW));
        const LRESULT handled =
            SendMessageA(dialog_, WM_SETCURSOR, WPARAM(under), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
        return handled && GetWindowLongPtrA(dialog_, DWLP_MSGRESULT) == TRUE;
    }
    HWND dialog_ = nullptr;
    ViewerSettings saved_;
};

struct ControlCase {
    int id;
    const char* className;
    const char* text;
    int x, y, width, height;
    DWORD style;
};

// The table, in the order of creation.
const ControlCase kControls[] = {
    {100, "Static", "", 117, 88, 52, 15, SS_BITMAP | SS_NOTIFY},
    {101, "Static", " Window Size ", 3, 3, 50, 52, SS_CENTER},
    {102, "Static", " Small", 4, 14, 48, 10, SS_NOTIFY},
    {103, "Static", " Standard", 4, 24, 48, 10, SS_NOTIFY},
    {104, "Static", " Wide", 4, 34, 48, 10, SS_NOTIFY},
    {105, "Static", " Full size", 4, 44, 48, 10, SS_NOTIFY},
    {111, "Static", " Quality ", 57, 3, 50, 42, SS_CENTER},
    {112, "Static", " Draft", 58, 14, 48, 10, SS_NOTIFY},
    {113, "Static", " Mixed", 58, 24, 48, 10, SS_NOTIFY},
    {114, "Static", " High", 58, 34, 48, 10, SS_NOTIFY},
    {107, "Static", "", 58, 48, 49, 12, SS_CENTER},
    {106, "Button", "16:9 fmt", 59, 49, 47, 10, BS_AUTOCHECKBOX | BS_CENTER | BS_VCENTER},
    {109, "Static", "", 58, 63, 49, 12, SS_CENTER},
    {6005, "Button", "Eye-Lens", 59, 64, 47, 10, BS_AUTOCHECKBOX | BS_CENTER | BS_VCENTER},
    {121, "Static", " Effects ", 111, 3, 50, 62, SS_CENTER},
    {122, "Static", " Inverse", 112, 14, 48, 10, SS_NOTIFY},
    {123, "Static", " Noise", 112, 24, 48, 10, SS_NOTIFY},
    {124, "Static", " Fog", 112, 34, 48, 10, SS_NOTIFY},
    {125, "Static", " GrayScale", 112, 44, 48, 10, SS_NOTIFY},
    {127, "Static", " Effects off", 112, 54, 48, 10, SS_NOTIFY},
    {130, "Static", "", 3, 78, 159, 2, 0},
};

const int kChoices[] = {102, 103, 104, 105, 112, 113, 114, 122, 123, 124, 125, 127};

TEST_F(OptionsOpen, IsACaptionlessPopupOverThePanelWithTheTableInOrder) {
    EXPECT_EQ(WindowText(dialog_), "  Options");
    const LONG style = GetWindowLongA(dialog_, GWL_STYLE);
    EXPECT_TRUE(style & WS_POPUP);
    EXPECT_TRUE(style & WS_BORDER);
    EXPECT_FALSE((style & WS_CAPTION) == WS_CAPTION);
    EXPECT_EQ(GetWindow(dialog_, GW_OWNER), panelWindow);

    RECT client{};
    GetClientRect(dialog_, &client);
    const RECT size = DialogUnitsToPixels(1, 12, 165, 107);
    EXPECT_EQ(client.right, size.right - size.left);
    EXPECT_EQ(client.bottom, size.bottom - size.top);
    RECT outer{};
    GetWindowRect(dialog_, &outer);
    POINT origin{};
    ClientToScreen(panelWindow, &origin);
    const RECT place = DialogUnitsToPixels(1, 12, 0, 0);
    EXPECT_EQ(outer.left, origin.x + place.left);
    EXPECT_EQ(outer.top, origin.y + place.top);

    HWND control = GetWindow(dialog_, GW_CHILD);
    for (const ControlCase& c : kControls) {
        ASSERT_NE(control, nullptr) << c.id;
        EXPECT_EQ(GetDlgCtrlID(control), c.id);
        char className[32] = {};
        GetClassNameA(control, className, sizeof(className));
        EXPECT_STREQ(className, c.className) << c.id;
        EXPECT_EQ(WindowText(control), c.text) << c.id;
        const DWORD shownStyle = DWORD(GetWindowLongA(control, GWL_STYLE));
        EXPECT_EQ(shownStyle & c.style, c.style) << c.id;
        const RECT want = DialogUnitsToPixels(c.x, c.y, c.width, c.height);
        const RECT got = testing::RectInParent(control);
        EXPECT_EQ(got.left, want.left) << c.id;
        EXPECT_EQ(got.top, want.top) << c.id;
        if (c.id != kOptionsCloseId) {
            EXPECT_EQ(got.right, want.right) << c.id;
            EXPECT_EQ(got.bottom, want.bottom) << c.id;
        } else {
            EXPECT_EQ(got.right - got.left, 68);  // the picture's own size
            EXPECT_EQ(got.bottom - got.top, 24);
        }
        control = GetWindow(control, GW_HWNDNEXT);
    }
    EXPECT_EQ(control, nullptr) << "no controls beyond the table";
    EXPECT_TRUE(ShowsBitmap(Item(dialog_, kOptionsCloseId), "close1"));
}

TEST_F(OptionsOpen, ColoursAsCreatedAndTheBoxesFollowTheSettings) {
    struct ColorCase {
        int id;
        COLORREF text, background;
    };
    const COLORREF created = RGB(185, 185, 185);
    const ColorCase cases[] = {
        {101, created, RGB(0, 112, 136)}, {107, created, RGB(0, 112, 136)},
        {130, RGB(0, 112, 136), RGB(0, 112, 136)}, {106, created, RGB(84, 84, 84)},
        {6005, created, RGB(84, 84, 84)}, {102, created, RGB(84, 84, 84)},
        {127, created, RGB(84, 84, 84)},
    };
    for (const ColorCase& c : cases) {
        const testing::DrawnColors drawn = ColorsOf(dialog_, Item(dialog_, c.id));
        EXPECT_EQ(drawn.text, c.text) << c.id;
        EXPECT_EQ(drawn.background, c.background) << c.id;
    }
    const HDC dc = CreateCompatibleDC(nullptr);
    const auto brush = HBRUSH(SendMessageA(dialog_, WM_CTLCOLORDLG, WPARAM(dc), LPARAM(dialog_)));
    DeleteDC(dc);
    LOGBRUSH background{};
    ASSERT_TRUE(GetObjectA(brush, sizeof(background), &background));
    EXPECT_EQ(background.lbColor, RGB(56, 63, 67));

    // Defaults: 16:9 on, no Eye-Lens. Built again with the other values.
    EXPECT_EQ(IsDlgButtonChecked(dialog_, kWideFormatBoxId), BST_CHECKED);
    EXPECT_EQ(IsDlgButtonChecked(dialog_, kEyeLensBoxId), BST_UNCHECKED);
    DestroyWindow(dialog_);
    viewerSettings.wideFormat = 0;
    viewerSettings.eyeLens = 4;
    dialog_ = CreateOptionsDialog();
    EXPECT_EQ(IsDlgButtonChecked(dialog_, kWideFormatBoxId), BST_UNCHECKED);
    EXPECT_EQ(IsDlgButtonChecked(dialog_, kEyeLensBoxId), BST_CHECKED);
}

TEST_F(OptionsOpen, HighlightsFollowTheSettingsAndThePointer) {
    viewerSettings.windowSize = kWide;
    viewerSettings.quality = kDraft;
    viewerSettings.effectFog = 1;
    const auto selected = [](int id) {
        const ViewerSettings& s = viewerSettings;
        return id == kSmallChoiceId + s.windowSize || id == kDraftChoiceId + s.quality ||
               (id == kFogChoiceId && s.effectFog == 1) ||
               (id == kEffectsOffChoiceId && s.effectFog == 0);
    };
    struct Step {
        HWND under;
        bool hand;
        int hover;  // 0: none
    };
    const Step steps[] = {
        {Item(dialog_, kStandardChoiceId), true, kStandardChoiceId},
        {Item(dialog_, kFogChoiceId), true, kFogChoiceId},
        {Item(dialog_, kWideFormatBoxId), true, 0},
        {Item(dialog_, kOptionsCloseId), true, 0},
        {Item(dialog_, kEyeLensBoxId), false, 0},
        {Item(dialog_, 121), false, 0},
        {dialog_, false, 0},
    };
    for (const Step& step : steps) {
        EXPECT_EQ(PointAt(step.under), step.hand) << GetDlgCtrlID(step.under);
        EXPECT_EQ(GetCursor() == handCursor, step.hand) << GetDlgCtrlID(step.under);
        for (int id : kChoices) {
            const COLORREF background = id == step.hover ? RGB(119, 119, 119)
                                        : selected(id)   ? RGB(100, 100, 100)
                                                         : RGB(84, 84, 84);
            const COLORREF text = id == step.hover || selected(id) ? kWhite : RGB(192, 192, 192);
            const testing::DrawnColors drawn = ColorsOf(dialog_, Item(dialog_, id));
            EXPECT_EQ(drawn.background, background) << id << " under " << GetDlgCtrlID(step.under);
            EXPECT_EQ(drawn.text, text) << id;
        }
    }
    // A new setting shows with the next movement.
    viewerSettings.effectFog = 0;
    PointAt(dialog_);
    EXPECT_EQ(ColorsOf(dialog_, Item(dialog_, kEffectsOffChoiceId)).background, RGB(100, 100, 100));
    EXPECT_EQ(ColorsOf(dialog_, Item(dialog_, kFogChoiceId)).background, RGB(84, 84, 84));
}

TEST_F(OptionsOpen, SizeChoicesResizeTheViewerAndClose) {
    struct SizeCase {
        int id;
        int32_t wideFormat;
        int32_t width, height, windowSize;
    };
    const SizeCase cases[] = {
        {kSmallChoiceId, 0, 400, 300, kSmall},    {kSmallChoiceId, 1, 532, 300, kSmall},
        {kStandardChoiceId, 0, 640, 480, kStandard}, {kStandardChoiceId, 1, 852, 480, kStandard},
        {kWideChoiceId, 0, 796, 592, kWide},      {kWideChoiceId, 1, 1066, 592, kWide},
    };
    for (const SizeCase& c : cases) {
        if (!IsWindow(dialog_)) dialog_ = CreateOptionsDialog();
        viewerSettings.wideFormat = c.wideFormat;
        testing::RecordedSounds sounds;
        EXPECT_FALSE(Click(c.id)) << c.id << " closes the dialog";
        EXPECT_EQ(sounds.Played(), std::vector<std::string>{"owave"});
        EXPECT_EQ(viewerSettings.viewWidth, c.width);
        EXPECT_EQ(viewerSettings.viewHeight, c.height);
        EXPECT_EQ(viewerSettings.windowSize, c.windowSize);
        RECT window{};
        GetWindowRect(viewerWindow, &window);
        RECT client{};
        GetClientRect(viewerWindow, &client);
        EXPECT_EQ(window.left, 1);
        EXPECT_EQ(window.top, 1);
        EXPECT_EQ(window.right - window.left, c.width);
        EXPECT_EQ(client.bottom, c.height + 24) << "the picture plus the status bar's strip";
        EXPECT_EQ(GetFocus(), viewerWindow);
    }
}

TEST_F(OptionsOpen, FullSizeFitsTheWorkAreaWithoutThePanelsToggle) {
    viewerSettings.wideFormat = 0;
    fullScreen = 0;
    EXPECT_FALSE(Click(kFullSizeChoiceId));
    RECT work{};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    RECT window{};
    GetWindowRect(viewerWindow, &window);
    EXPECT_EQ(window.right - window.left, work.right - work.left);
    EXPECT_EQ(window.bottom - window.top, work.bottom - work.top);
    RECT client{};
    GetClientRect(viewerWindow, &client);
    RECT status{};
    GetWindowRect(statusBar, &status);
    const FullSizeView want =
        FitViewToClient(client.right, client.bottom, status.bottom - status.top, 0);
    EXPECT_EQ(viewerSettings.windowSize, kFullSize);
    EXPECT_EQ(viewerSettings.viewWidth, want.width);
    EXPECT_EQ(viewerSettings.viewHeight, want.height);
    EXPECT_EQ(viewerSettings.viewOffsetX, (client.right - want.width) / 2);
    EXPECT_EQ(fullScreen, 0);
    viewerSettings.viewWidth = 852;
    viewerSettings.viewHeight = 480;
    ResizeViewerWindow();
}

TEST_F(OptionsOpen, QualityChoicesSetTheIndicatorAndTheNextPassesKernel) {
    struct QualityCase {
        int id;
        int32_t quality;
        const char* text;
    };
    const QualityCase cases[] = {
        {kDraftChoiceId, kDraft, "draft"}, {kMixedChoiceId, kMixed, "mixed"},
        {kHighChoiceId, kHigh, "high"},
    };
    for (const QualityCase& c : cases) {
        if (!IsWindow(dialog_)) dialog_ = CreateOptionsDialog();
        EXPECT_FALSE(Click(c.id));
        EXPECT_EQ(viewerSettings.quality, c.quality);
        EXPECT_EQ(WindowText(GetDlgItem(panelWindow, kQualityTextId)), c.text);
    }
}

TEST_F(OptionsOpen, BoxesOnlyTellToReloadAndStayOpen) {
    testing::MessageBoxWatcher boxes;
    viewerSettings.windowSize = kSmall;
    viewerSettings.viewWidth = 532;
    viewerSettings.viewHeight = 300;
    ResizeViewerWindow();
    RECT before{};
    GetWindowRect(viewerWindow, &before);
    struct BoxCase {
        int id;
        int32_t wideFormat, eyeLens;
        const char* text;
    };
    const BoxCase cases[] = {
        {kWideFormatBoxId, 0, 0, "Please reload the video for changing a format as 4:3"},
        {kWideFormatBoxId, 1, 0, "Please reload the video for changing a format as 16:9"},
        {kEyeLensBoxId, 1, 4, "Please reload the video for changing the Eye-Lens correction"},
        {kEyeLensBoxId, 1, 0, "Please reload the video for changing the Eye-Lens correction"},
    };
    for (const BoxCase& c : cases) {
        boxes.Clear();
        testing::RecordedSounds sounds;
        EXPECT_TRUE(Click(c.id));
        EXPECT_EQ(sounds.Played(), std::vector<std::string>{"owave"});
        EXPECT_EQ(viewerSettings.wideFormat, c.wideFormat);
        EXPECT_EQ(viewerSettings.eyeLens, c.eyeLens);
        const std::vector<testing::SeenBox> seen = boxes.Seen();
        ASSERT_EQ(seen.size(), 1u) << c.text;
        EXPECT_EQ(seen[0].caption, "Information:");
        EXPECT_EQ(seen[0].text, c.text);
    }
    RECT after{};
    GetWindowRect(viewerWindow, &after);
    EXPECT_TRUE(EqualRect(&before, &after)) << "the boxes resize nothing";
    EXPECT_EQ(viewerSettings.viewWidth, 532);
}

TEST_F(OptionsOpen, EffectsToggleOneAtATime) {
    struct Step {
        int id;
        bool staysOpen;
        int32_t inverse, noise, fog, grayScale;
        const char* icon;
    };
    const Step steps[] = {
        {kInverseChoiceId, true, 1, 0, 0, 0, "sharp4"},
        {kInverseChoiceId, true, 0, 0, 0, 0, "sharp5"},
        {kInverseChoiceId, true, 1, 0, 0, 0, "sharp4"},
        {kNoiseChoiceId, true, 0, 1, 0, 0, "sharp6"},
        {kFogChoiceId, true, 0, 0, 1, 0, "sharp7"},
        {kGrayScaleChoiceId, true, 0, 0, 0, 1, "sharp8"},
        {kGrayScaleChoiceId, true, 0, 0, 0, 0, "sharp5"},
        {kEffectsOffChoiceId, false, 0, 0, 0, 0, "sharp5"},
        {kNoiseChoiceId, true, 0, 1, 0, 0, "sharp6"},
        {kEffectsOffChoiceId, false, 0, 0, 0, 0, "sharp5"},
    };
    for (const Step& step : steps) {
        if (!IsWindow(dialog_)) dialog_ = CreateOptionsDialog();
        EXPECT_EQ(Click(step.id), step.staysOpen) << step.id;
        const ViewerSettings& s = viewerSettings;
        EXPECT_EQ(s.effectInverse, step.inverse) << step.id;
        EXPECT_EQ(s.effectNoise, step.noise) << step.id;
        EXPECT_EQ(s.effectFog, step.fog) << step.id;
        EXPECT_EQ(s.effectGrayScale, step.grayScale) << step.id;
        EXPECT_TRUE(ShowsBitmap(GetDlgItem(panelWindow, kEffectIconId), step.icon)) << step.icon;
    }
}

// The frame a pass renders with the view at rest, taken under the pass's lock.
std::vector<uint8_t> RestingFrame() {
    PumpFor(700);  // passes come every 250 ms at rest
    AcquireOnWindowThread(stillRenderLock);
    std::vector<uint8_t> frame(outputFrame.pixels.get(),
                               outputFrame.pixels.get() + outputFrame.byteCount);
    stillRenderLock.Release();
    return frame;
}

TEST_F(OptionsOpen, TheNextFrameShowsTheChosenEffect) {
    viewerSettings.quality = kDraft;  // the same kernel whatever the motion
    viewerSettings.sharpen = 0;
    StopMotion();
    PumpFor(300);
    const std::vector<uint8_t> plain = RestingFrame();
    ASSERT_EQ(plain, RestingFrame()) << "the view is at rest";

    EXPECT_TRUE(Click(kInverseChoiceId));
    const std::vector<uint8_t> inverted = RestingFrame();
    AcquireOnWindowThread(stillRenderLock);
    std::copy(plain.begin(), plain.end(), outputFrame.pixels.get());
    ApplyInverse();
    const bool same = std::equal(inverted.begin(), inverted.end(), outputFrame.pixels.get());
    ForgetRenderedFrame();
    stillRenderLock.Release();
    EXPECT_TRUE(same) << "the pass applied the core's own Inverse";

    EXPECT_TRUE(Click(kInverseChoiceId));
    EXPECT_EQ(RestingFrame(), plain);
}

bool panelWasEnabled = true;
DWORD pressedFor = 0;

// Runs inside the dialog's own loop.
void CALLBACK PressCloseInTheDialog(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    const HWND dialog = OptionsDialogWindow();
    if (!dialog) return;
    panelWasEnabled = IsWindowEnabled(panelWindow) != FALSE;
    const HWND close = GetDlgItem(dialog, kOptionsCloseId);
    const DWORD start = GetTickCount();
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(kOptionsCloseId, 0), LPARAM(close));
    pressedFor = GetTickCount() - start;
}

TEST(OptionsModal, DisablesThePanelAndTheClosePictureClosesIt) {
    const ViewerSettings before = viewerSettings;
    testing::RecordedSounds sounds;
    const UINT_PTR timer = SetTimer(nullptr, 0, 300, PressCloseInTheDialog);
    ASSERT_NE(timer, 0u);
    const DWORD start = GetTickCount();
    OptionsDialog();
    EXPECT_LT(GetTickCount() - start, 5000u);
    EXPECT_EQ(OptionsDialogWindow(), nullptr);
    EXPECT_FALSE(panelWasEnabled);
    EXPECT_GE(pressedFor, 450u) << "close2 shows for half a second";
    EXPECT_TRUE(IsWindowEnabled(panelWindow));
    EXPECT_EQ(sounds.Played(), std::vector<std::string>{"owave"});
    EXPECT_EQ(std::memcmp(&before, &viewerSettings, sizeof(before)), 0) << "no setting changed";
}

}  // namespace
}  // namespace lx
