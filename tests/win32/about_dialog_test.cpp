// The About box under Wine: its controls and colours, the picture on the
// screen, the links through the shell, and the fade when it closes.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "dialog_support.h"
#include "dialogs/about_dialog.h"
#include "shell/control_panel.h"
#include "viewer_harness.h"

namespace lx {
namespace {

using testing::ColorsOf;
using testing::PumpFor;
using testing::RectInParent;
using testing::WindowText;

constexpr COLORREF kBlue = RGB(20, 50, 195);

struct ShellCall {
    std::string verb;  // "(none)" for the default verb
    std::string file;
    bool parameters;
    bool directory;
    int show;
};
std::vector<ShellCall> shellCalls;

HINSTANCE WINAPI RecordShellCall(HWND, LPCSTR verb, LPCSTR file, LPCSTR parameters,
                                 LPCSTR directory, INT show) {
    shellCalls.push_back({verb ? verb : "(none)", file ? file : "", parameters != nullptr,
                          directory != nullptr, show});
    return HINSTANCE(intptr_t(42));
}

// An open About box for one test, with the shell replaced by a recorder.
class AboutOpen : public ::testing::Test {
protected:
    void SetUp() override {
        shellCalls.clear();
        SetShellExecuteFunction(RecordShellCall);
        dialog_ = CreateAboutDialog();
        ASSERT_NE(dialog_, nullptr);
        ShowWindow(dialog_, SW_SHOW);
        UpdateWindow(dialog_);
    }
    void TearDown() override {
        if (IsWindow(dialog_)) DestroyWindow(dialog_);
        SetShellExecuteFunction(nullptr);
    }
    // The child at a point of the client area, for the pictures without an
    // identifier of their own.
    HWND ChildAt(int x, int y) const {
        return ChildWindowFromPointEx(dialog_, POINT{x, y}, CWP_SKIPINVISIBLE);
    }
    bool PointAt(HWND under) {
        SetCursor(LoadCursor(nullptr, IDC_ARROW));
        const LRESULT handled =
            SendMessageA(dialog_, WM_SETCURSOR, WPARAM(under), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
        return handled && GetWindowLongPtrA(dialog_, DWLP_MSGRESULT) == TRUE;
    }
    // A real click of the left button on the middle of a control.
    void ClickOn(HWND control) {
        RECT r{};
        GetWindowRect(control, &r);
        SetCursorPos((r.left + r.right) / 2, (r.top + r.bottom) / 2);
        PumpFor(50);
        INPUT input[2] = {};
        input[0].type = input[1].type = INPUT_MOUSE;
        input[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
        input[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
        SendInput(2, input, sizeof(INPUT));
        PumpFor(200);
    }
    HWND dialog_ = nullptr;
};

struct TextCase {
    int id;
    const char* text;
    int x, y, width, height;
    DWORD style;
    COLORREF color, background;
};

const TextCase kTexts[] = {
    {kAboutCreditsId,
     "Lumivex Labs\n360-degree video and panorama viewer\nIts pictures and sounds are drawn in code",
     30, 5, 170, 30, SS_CENTER, RGB(180, 170, 95), kBlue},
    {kBuildNumberId, "Build 050.01", 150, 158, 50, 10, SS_LEFT, RGB(255, 255, 255), CLR_INVALID},
    {kContactLabelId, "contact info:", 9, 159, 50, 11, SS_LEFT, RGB(255, 255, 0), kBlue},
    {kWebLinkId, "https://lumivex.example/", 70, 169, 141, 11, SS_CENTER | SS_SUNKEN | SS_NOTIFY,
     RGB(220, 210, 120), RGB(0, 0, 127)},
    {kMailLinkId, "email: Lumivex", 0, 169, 70, 11, SS_CENTER | SS_SUNKEN | SS_NOTIFY,
     RGB(220, 210, 120), RGB(0, 0, 127)},
    {kAboutNoticeId, "(c) 2026 Lumivex Labs.\nFree to use and to share.", 106, 44, 98, 28, SS_LEFT,
     RGB(200, 210, 95), kBlue},
};

TEST_F(AboutOpen, IsCentredWithItsTextsAndColours) {
    EXPECT_EQ(WindowText(dialog_), "About");
    const LONG style = GetWindowLongA(dialog_, GWL_STYLE);
    EXPECT_EQ(style & (WS_CAPTION | WS_SYSMENU), WS_CAPTION | WS_SYSMENU);
    BYTE alpha = 0;
    DWORD flags = 0;
    EXPECT_TRUE(GetWindowLongA(dialog_, GWL_EXSTYLE) & WS_EX_LAYERED);
    ASSERT_TRUE(GetLayeredWindowAttributes(dialog_, nullptr, &alpha, &flags));
    EXPECT_EQ(alpha, 255);
    EXPECT_EQ(flags, DWORD(LWA_ALPHA));
    EXPECT_NE(SendMessageA(dialog_, WM_GETICON, ICON_BIG, 0), 0);
    EXPECT_EQ(GetWindow(dialog_, GW_OWNER), panelWindow);

    RECT client{}, window{}, work{};
    GetClientRect(dialog_, &client);
    const RECT size = DialogUnitsToPixels(0, 0, 210, 220);
    EXPECT_EQ(client.right, size.right);
    EXPECT_EQ(client.bottom, size.bottom);
    GetWindowRect(dialog_, &window);
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    EXPECT_LE(std::abs((window.left + window.right) - (work.left + work.right)), 1);
    EXPECT_LE(std::abs((window.top + window.bottom) - (work.top + work.bottom)), 1);

    for (const TextCase& c : kTexts) {
        SCOPED_TRACE(c.id);
        const HWND control = GetDlgItem(dialog_, c.id);
        ASSERT_NE(control, nullptr);
        EXPECT_EQ(WindowText(control), c.text);
        EXPECT_EQ(GetWindowLongA(control, GWL_STYLE) & (SS_TYPEMASK | SS_SUNKEN | SS_NOTIFY), LONG(c.style));
        const RECT expected = DialogUnitsToPixels(c.x, c.y, c.width, c.height);
        const RECT actual = RectInParent(control);
        EXPECT_TRUE(EqualRect(&expected, &actual));
        const testing::DrawnColors colors = ColorsOf(dialog_, control);
        EXPECT_EQ(colors.text, c.color);
        if (c.background == CLR_INVALID) {
            EXPECT_TRUE(colors.transparent);
        } else {
            EXPECT_FALSE(colors.transparent);
            EXPECT_EQ(colors.background, c.background);
        }
    }
}

TEST_F(AboutOpen, ShowsThePictureAtItsNaturalSizeAndTheIcon) {
    const RECT at = DialogUnitsToPixels(5, 40, 0, 0);
    const HWND picture = ChildAt(at.left + 10, at.top + 60);
    ASSERT_NE(picture, nullptr);
    EXPECT_EQ(GetWindowLongA(picture, GWL_STYLE) & SS_TYPEMASK, SS_BITMAP);
    const RECT place = RectInParent(picture);
    EXPECT_EQ(place.left, at.left);
    EXPECT_EQ(place.top, at.top);
    EXPECT_EQ(place.right - place.left, 244);
    EXPECT_EQ(place.bottom - place.top, 212);

    const RECT iconAt = DialogUnitsToPixels(10, 5, 32, 30);
    const HWND icon = ChildAt(iconAt.left + 5, iconAt.top + 5);
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(GetWindowLongA(icon, GWL_STYLE) & SS_TYPEMASK, SS_ICON);
    EXPECT_NE(SendMessageA(icon, STM_GETICON, 0, 0), 0);

    // What the screen shows left of the notice and above the bottom labels
    // is the picture itself.
    PumpFor(300);
    POINT origin{place.left, place.top};
    ClientToScreen(dialog_, &origin);
    constexpr int kWidth = 150, kHeight = 190;
    const testing::Picture screen = testing::CaptureScreen(origin.x, origin.y, kWidth, kHeight);
    const HBITMAP bitmap = LoadBitmapA(appInstance, "about");
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = 244;
    info.bmiHeader.biHeight = -212;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    std::vector<uint8_t> bits(244 * 212 * 4);
    const HDC dc = GetDC(nullptr);
    ASSERT_EQ(GetDIBits(dc, bitmap, 0, 212, bits.data(), &info, DIB_RGB_COLORS), 212);
    ReleaseDC(nullptr, dc);
    DeleteObject(bitmap);
    int differing = 0;
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            for (int c = 0; c < 3; ++c) {
                differing += screen.pixels[(y * kWidth + x) * 4 + c] != bits[(y * 244 + x) * 4 + c];
            }
        }
    }
    EXPECT_EQ(differing, 0);
}

TEST_F(AboutOpen, OnlyTheLinksTakeTheHandAndCallTheShell) {
    struct LinkCase {
        int id;
        bool hand;
        std::vector<std::string> call;  // verb and file, or nothing
    };
    const LinkCase cases[] = {
        {kMailLinkId, true, {"Open", "mailto:hello@lumivex.example"}},
        {kWebLinkId, true, {"(none)", "https://lumivex.example/"}},
        {kContactLabelId, false, {}},
        {kBuildNumberId, false, {}},
        {kAboutCreditsId, false, {}},
        {kAboutNoticeId, false, {}},
    };
    for (const LinkCase& c : cases) {
        SCOPED_TRACE(c.id);
        shellCalls.clear();
        const HWND control = GetDlgItem(dialog_, c.id);
        EXPECT_EQ(PointAt(control), c.hand);
        if (c.hand) {
            EXPECT_EQ(GetCursor(), handCursor);
        }
        ClickOn(control);
        ASSERT_TRUE(IsWindow(dialog_)) << "a link leaves the box open";
        if (c.call.empty()) {
            EXPECT_TRUE(shellCalls.empty());
            continue;
        }
        ASSERT_EQ(shellCalls.size(), 1u);
        EXPECT_EQ(shellCalls[0].verb, c.call[0]);
        EXPECT_EQ(shellCalls[0].file, c.call[1]);
        EXPECT_FALSE(shellCalls[0].parameters);
        EXPECT_FALSE(shellCalls[0].directory);
        EXPECT_EQ(shellCalls[0].show, SW_SHOWNORMAL);
    }
    EXPECT_FALSE(PointAt(dialog_));
}

// The modal box opened from the panel's About label and closed from a timer
// inside its own loop.
struct Opacity {
    int value;
    DWORD at;
};
std::vector<Opacity> opacities;
bool panelWasEnabled = true;
UINT closeMessage = 0;
WPARAM closeCommand = 0;

void RecordOpacity(HWND, int opacity) { opacities.push_back({opacity, GetTickCount()}); }

void CALLBACK CloseTheBox(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    const HWND dialog = AboutDialogWindow();
    if (!dialog) return;
    panelWasEnabled = IsWindowEnabled(panelWindow) != FALSE;
    // Twice, as a double click on the close box would.
    PostMessageA(dialog, closeMessage, closeCommand, 0);
    PostMessageA(dialog, closeMessage, closeCommand, 0);
}

TEST(AboutModal, OpensFromThePanelAndFadesOutIn52StepsWhenClosed) {
    struct CloseCase {
        const char* how;
        UINT message;
        WPARAM command;
    };
    const CloseCase cases[] = {
        {"the close box", WM_SYSCOMMAND, SC_CLOSE},
        {"Escape", WM_COMMAND, IDCANCEL},
    };
    std::vector<int> steps{255};
    for (int opacity = 255; opacity >= 0; opacity -= 5) steps.push_back(opacity);
    for (const CloseCase& c : cases) {
        SCOPED_TRACE(c.how);
        opacities.clear();
        panelWasEnabled = true;
        closeMessage = c.message;
        closeCommand = c.command;
        SetAlphaObserver(RecordOpacity);
        ASSERT_NE(SetTimer(nullptr, 0, 300, CloseTheBox), 0u);
        const HWND label = GetDlgItem(panelWindow, kAboutLabelId);
        SendMessageA(panelWindow, WM_COMMAND, MAKEWPARAM(kAboutLabelId, STN_CLICKED), LPARAM(label));
        const DWORD returned = GetTickCount();
        SetAlphaObserver(nullptr);

        EXPECT_EQ(AboutDialogWindow(), nullptr);
        EXPECT_FALSE(panelWasEnabled);
        EXPECT_TRUE(IsWindowEnabled(panelWindow));
        std::vector<int> values;
        for (const Opacity& o : opacities) values.push_back(o.value);
        EXPECT_EQ(values, steps) << "255 when made, then one fade of 52 steps";
        ASSERT_GE(opacities.size(), 2u);
        EXPECT_GE(returned - opacities[1].at, 480u) << "about 10 ms after each step";
    }
}

}  // namespace
}  // namespace lx
