#include "dialogs/about_dialog.h"

#include <shellapi.h>

#include "dialogs/dialog_support.h"
#include "shell/control_panel.h"
#include "shell/pump.h"

namespace lx {

namespace {

constexpr COLORREF kAboutBackground = RGB(20, 50, 195);
constexpr COLORREF kDefaultText = RGB(255, 0, 0);
constexpr COLORREF kCreditsText = RGB(180, 170, 95);
constexpr COLORREF kContactText = RGB(255, 255, 0);
constexpr COLORREF kLinkText = RGB(220, 210, 120);
constexpr COLORREF kLinkBackground = RGB(0, 0, 127);
constexpr COLORREF kNoticeText = RGB(200, 210, 95);
constexpr COLORREF kBuildText = RGB(255, 255, 255);
constexpr int kNoId = -1;

constexpr char kCredits[] =
    "Lumivex Labs\n360-degree video and panorama viewer\nIts pictures and sounds are drawn in code";
constexpr char kNotice[] = "(c) 2026 Lumivex Labs.\nFree to use and to share.";
constexpr char kMailLinkText[] = "email: Lumivex";
constexpr char kMailTo[] = "mailto:hello@lumivex.example";

HWND aboutDialog = nullptr;
HBITMAP aboutPicture = nullptr;
bool aboutClosing = false;
DialogColors aboutColors;
ShellExecuteFunction shellExecute = ShellExecuteA;
AlphaObserver alphaObserver = nullptr;

// The picture keeps its natural size: the control takes the bitmap's.
void CreatePicture(HWND dialog) {
    const HWND picture =
        CreateDialogControl(dialog, 0, "STATIC", "", SS_BITMAP, 5, 40, 0, 0, kNoId);
    if (!picture) return;
    aboutPicture = LoadBitmapA(appInstance, "about");
    SendMessageA(picture, STM_SETIMAGE, IMAGE_BITMAP, LPARAM(aboutPicture));
}

void CreateProgramIcon(HWND dialog) {
    const HWND icon = CreateDialogControl(dialog, 0, "STATIC", "",
                                          SS_ICON | SS_CENTERIMAGE | SS_SUNKEN, 10, 5, 32, 30, kNoId);
    if (icon) SendMessageA(icon, STM_SETICON, WPARAM(LoadIconA(appInstance, "VIDEO")), 0);
}

void CreateAboutControls(HWND dialog) {
    const auto text = [dialog](int id, const char* content, DWORD style, int x, int y, int w, int h) {
        CreateDialogControl(dialog, 0, "STATIC", content, style, x, y, w, h, id);
    };
    text(kAboutCreditsId, kCredits, SS_CENTER, 30, 5, 170, 30);
    aboutColors.Set(kAboutCreditsId, kCreditsText, kAboutBackground);
    CreatePicture(dialog);
    text(kNoId, "", SS_ETCHEDFRAME, 10, 35, 190, 2);
    text(kBuildNumberId, "Build 050.01", SS_LEFT, 150, 158, 50, 10);
    aboutColors.SetTransparent(kBuildNumberId, kBuildText);
    text(kContactLabelId, "contact info:", SS_LEFT, 9, 159, 50, 11);
    aboutColors.Set(kContactLabelId, kContactText, kAboutBackground);
    text(kWebLinkId, kMakerWebAddress, SS_CENTER | SS_SUNKEN | SS_NOTIFY, 70, 169, 141, 11);
    aboutColors.Set(kWebLinkId, kLinkText, kLinkBackground);
    text(kMailLinkId, kMailLinkText, SS_CENTER | SS_SUNKEN | SS_NOTIFY, 0, 169, 70, 11);
    aboutColors.Set(kMailLinkId, kLinkText, kLinkBackground);
    text(kAboutNoticeId, kNotice, SS_LEFT, 106, 44, 98, 28);
    aboutColors.Set(kAboutNoticeId, kNoticeText, kAboutBackground);
    CreateProgramIcon(dialog);
}

void CentreInWorkArea(HWND window) {
    RECT work{};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    RECT outer{};
    GetWindowRect(window, &outer);
    const int width = outer.right - outer.left;
    const int height = outer.bottom - outer.top;
    SetWindowPos(window, nullptr, work.left + (work.right - work.left - width) / 2,
                 work.top + (work.bottom - work.top - height) / 2, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

bool IsLink(HWND dialog, HWND window) {
    return window && GetParent(window) == dialog &&
           (GetDlgCtrlID(window) == kMailLinkId || GetDlgCtrlID(window) == kWebLinkId);
}

// A second close while the box fades (a double click on the close box) is
// ignored: the first one destroys it.
void CloseWithFade(HWND dialog) {
    if (aboutClosing) return;
    aboutClosing = true;
    FadeOutWindow(dialog);
    CloseModalDialog(dialog);
    aboutClosing = false;
}

void FollowLink(HWND dialog, int id) {
    if (id == kMailLinkId) shellExecute(dialog, "Open", kMailTo, nullptr, nullptr, SW_SHOWNORMAL);
    if (id == kWebLinkId) shellExecute(dialog, nullptr, kMakerWebAddress, nullptr, nullptr, SW_SHOWNORMAL);
}

// Texts without colours of their own draw in the box's default colours.
HBRUSH ColorStatic(HDC dc, HWND control) {
    if (const HBRUSH brush = aboutColors.Apply(dc, control)) return brush;
    SetTextColor(dc, kDefaultText);
    SetBkColor(dc, kAboutBackground);
    return SolidBrushOf(kAboutBackground);
}

}  // namespace

HWND CreateAboutDialog() {
    aboutColors.Clear();
    const HWND dialog = CreateDialogFrame(
        {WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME, "About", 0, 0, 210, 220}, panelWindow,
        AboutDialogProc);
    if (!dialog) return nullptr;
    aboutDialog = dialog;
    const HICON icon = LoadIconA(appInstance, "VIDEO");
    SendMessageA(dialog, WM_SETICON, ICON_BIG, LPARAM(icon));
    SendMessageA(dialog, WM_SETICON, ICON_SMALL, LPARAM(icon));
    CreateAboutControls(dialog);
    CentreInWorkArea(dialog);
    SetWindowAlpha(dialog, 255);
    return dialog;
}

void AboutDialog() { RunModalDialog(CreateAboutDialog(), panelWindow); }

HWND AboutDialogWindow() { return aboutDialog; }

INT_PTR CALLBACK AboutDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_SETCURSOR:
        if (!IsLink(dialog, HWND(wParam))) return FALSE;
        SetCursor(handCursor);
        return HandledWith(dialog, TRUE);
    case WM_SYSCOMMAND:
        if ((wParam & 0xFFF0) != SC_CLOSE) return FALSE;
        CloseWithFade(dialog);
        return TRUE;
    case WM_COMMAND:
        // Escape closes the box as its close box does.
        if (LOWORD(wParam) == IDCANCEL) {
            CloseWithFade(dialog);
            return TRUE;
        }
        if (HIWORD(wParam) != 0) return FALSE;
        FollowLink(dialog, LOWORD(wParam));
        return TRUE;
    case WM_CTLCOLORSTATIC:
        return INT_PTR(ColorStatic(HDC(wParam), HWND(lParam)));
    case WM_CTLCOLORDLG:
        return INT_PTR(SolidBrushOf(kAboutBackground));
    case WM_DESTROY:
        // A static control does not own the bitmap it shows.
        if (aboutPicture) DeleteObject(aboutPicture);
        aboutPicture = nullptr;
        if (aboutDialog == dialog) aboutDialog = nullptr;
        return FALSE;
    default:
        return FALSE;
    }
}

void SetWindowAlpha(HWND window, int opacity) {
    const LONG exStyle = GetWindowLongA(window, GWL_EXSTYLE);
    SetWindowLongA(window, GWL_EXSTYLE, exStyle | WS_EX_LAYERED);
    SetLayeredWindowAttributes(window, 0, BYTE(opacity), LWA_ALPHA);
    if (alphaObserver) alphaObserver(window, opacity);
}

void FadeOutWindow(HWND window) {
    for (int opacity = 255; opacity >= 0; opacity -= 5) {
        SetWindowAlpha(window, opacity);
        PumpOrSleep(10);
    }
}

void SetShellExecuteFunction(ShellExecuteFunction function) {
    shellExecute = function ? function : ShellExecuteA;
}

void SetAlphaObserver(AlphaObserver observer) { alphaObserver = observer; }

}  // namespace lx
