#include "shell/control_panel.h"

#include <commctrl.h>

#include <cstring>
#include <iterator>
#include <map>
#include <vector>

#include "render/frames.h"
#include "shell/panel_indicators.h"
#include "shell/sounds.h"
#include "shell/viewer_window.h"

namespace lx {

HINSTANCE appInstance = nullptr;
HWND panelWindow = nullptr;
HCURSOR handCursor = nullptr;
UINT_PTR blinkTimer = 0;
WNDPROC panelOldProc = nullptr;
int32_t powerOn = 0;
int32_t exitInProgress = 0;
int32_t menuLabelsPlain = 0;
int32_t zoomInLatched = 0;
int32_t zoomOutLatched = 0;
std::atomic<int32_t> fullScreen{0};

namespace {

constexpr DWORD kPanelStyle = WS_POPUP | WS_BORDER | WS_SYSMENU;  // 0x80880000
constexpr short kPanelWidthUnits = 168;
constexpr short kPanelHeightUnits = 126;
constexpr UINT kBlinkTimerId = 701;
constexpr COLORREF kMenuTextColor = 0xC0C0C0;

HWND skinImage = nullptr;
HFONT panelFont = nullptr;
std::map<int, ControlColors> controlColors;

// The widest fixed texts of the panel with the widths (in units) they get.
struct FixedText {
    const char* text;
    int widthUnits;
};
constexpr FixedText kTightTexts[] = {
    {"00:00:00", 30}, {"effect", 19}, {"mode", 19}, {"length", 21}, {"video", 21},
    {"sound", 23},    {"file", 12},   {"99%", 18},  {"Press the button  [Power]", 149},
};

bool TextsFit(HFONT font) {
    const HDC screen = GetDC(nullptr);
    const HGDIOBJ previous = SelectObject(screen, font);
    bool fit = true;
    for (const FixedText& t : kTightTexts) {
        SIZE extent{};
        GetTextExtentPoint32A(screen, t.text, int(strlen(t.text)), &extent);
        const RECT place = DialogUnitsToPixels(0, 0, t.widthUnits, 8);
        fit = fit && extent.cx <= place.right - 2;
    }
    SelectObject(screen, previous);
    ReleaseDC(nullptr, screen);
    return fit;
}

// MS Sans Serif 8 points, or a point smaller where the system substitutes a
// wider face that would cut the panel's texts off.
HFONT ChoosePanelFont() {
    const HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    HFONT font = nullptr;
    for (int points = 8; points >= 6; --points) {
        if (font) DeleteObject(font);
        font = CreateFontA(-MulDiv(points, dpi, 72), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                           DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                           DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS, "MS Sans Serif");
        if (TextsFit(font)) break;
    }
    return font;
}

// An in-memory dialog template: the caption-less panel in MS Sans Serif
// 8 points, without controls (they are made one by one afterwards).
std::vector<WORD> PanelTemplate() {
    std::vector<WORD> words(sizeof(DLGTEMPLATE) / sizeof(WORD), 0);
    auto* header = reinterpret_cast<DLGTEMPLATE*>(words.data());
    header->style = kPanelStyle | DS_SETFONT;
    header->cx = kPanelWidthUnits;
    header->cy = kPanelHeightUnits;
    words.push_back(0);  // no menu
    words.push_back(0);  // the dialog class
    for (const char* c = kPanelTitle; *c; ++c) words.push_back(WORD(*c));
    words.push_back(0);
    words.push_back(8);
    for (const char* c = "MS Sans Serif"; *c; ++c) words.push_back(WORD(*c));
    words.push_back(0);
    return words;
}

HBRUSH SolidBrush(COLORREF color) {
    static std::map<COLORREF, HBRUSH> brushes;
    HBRUSH& brush = brushes[color];
    if (!brush) brush = CreateSolidBrush(color);
    return brush;
}

// The panel's size in the same units as its controls, centred on the screen.
void PlacePanel(HWND window) {
    RECT frame = DialogUnitsToPixels(0, 0, kPanelWidthUnits, kPanelHeightUnits);
    AdjustWindowRectEx(&frame, kPanelStyle, FALSE, 0);
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    SetWindowPos(window, nullptr, (GetSystemMetrics(SM_CXSCREEN) - width) / 2,
                 (GetSystemMetrics(SM_CYSCREEN) - height) / 2, width, height,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

void SetPanelIcons(HWND panel) {
    const auto big = HICON(LoadImageA(appInstance, "VIDEO", IMAGE_ICON, 32, 32, 0));
    const auto small = HICON(LoadImageA(appInstance, "VIDEO", IMAGE_ICON, 16, 16, 0));
    SendMessageA(panel, WM_SETICON, ICON_BIG, LPARAM(big));
    SendMessageA(panel, WM_SETICON, ICON_SMALL, LPARAM(small));
}

// The icon control shows the small icon in its 12 x 11 units instead of
// growing to the big one.
void CreateIconImage() {
    const HWND icon = CreatePanelControl(0, "STATIC", "", SS_ICON | SS_CENTERIMAGE, 1, 1, 12, 11, -1);
    const auto small = HANDLE(LoadImageA(appInstance, "VIDEO", IMAGE_ICON, 16, 16, 0));
    SendMessageA(icon, STM_SETIMAGE, IMAGE_ICON, LPARAM(small));
}

void CreateImageButton(int id, const char* image, int x, int y) {
    CreatePanelControl(0, "BUTTON", "", BS_BITMAP | BS_FLAT, x, y, 16, 15, id);
    SetPanelButtonImage(id, image);
}

void CreateWindowButton(int id, const char* image, int x) {
    CreatePanelControl(0, "BUTTON", "", BS_BITMAP | BS_FLAT, x, 0, 12, 11, id);
    SetPanelButtonImage(id, image);
}

void CreateSpeedSlider() {
    CreatePanelControl(WS_EX_STATICEDGE, TRACKBAR_CLASSA, "", 0x50001122, 54, 73, 10, 44,
                       kSpeedSliderId);
    SetControlColors(kSpeedSliderId, {kMenuTextColor, 0x383F43, false});
    SendDlgItemMessageA(panelWindow, kSpeedSliderId, TBM_SETRANGE, FALSE, MAKELPARAM(1, 100));
    SendDlgItemMessageA(panelWindow, kSpeedSliderId, TBM_SETPAGESIZE, 0, 1);
}

// A solid thumb in the text colour, pointing right, to the side the
// slider's ticks are on; it covers the channel's edges where it lies.
void DrawSliderThumb(HDC dc, const RECT& r, const ControlColors& colors) {
    const LONG depth = (r.bottom - r.top) / 2;
    const POINT points[] = {
        {r.left, r.top},
        {r.right - 1 - depth, r.top},
        {r.right - 1, r.top + depth},
        {r.right - 1 - depth, r.bottom - 1},
        {r.left, r.bottom - 1},
    };
    const HPEN pen = CreatePen(PS_SOLID, 1, colors.text);
    const HGDIOBJ oldPen = SelectObject(dc, pen);
    const HGDIOBJ oldBrush = SelectObject(dc, SolidBrush(colors.text));
    Polygon(dc, points, int(std::size(points)));
    SelectObject(dc, oldBrush);
    SelectObject(dc, oldPen);
    DeleteObject(pen);
}

}  // namespace

LRESULT DrawSpeedSlider(const NMCUSTOMDRAW& draw) {
    const ControlColors* colors = FindControlColors(kSpeedSliderId);
    if (!colors) return CDRF_DODEFAULT;
    if (draw.dwDrawStage == CDDS_PREPAINT) return CDRF_NOTIFYITEMDRAW;
    if (draw.dwDrawStage != CDDS_ITEMPREPAINT) return CDRF_DODEFAULT;
    switch (draw.dwItemSpec) {
    case TBCD_CHANNEL:
        // A slot of the background colour, edged in the text colour.
        FillRect(draw.hdc, &draw.rc, SolidBrush(colors->background));
        FrameRect(draw.hdc, &draw.rc, SolidBrush(colors->text));
        return CDRF_SKIPDEFAULT;
    case TBCD_THUMB:
        DrawSliderThumb(draw.hdc, draw.rc, *colors);
        return CDRF_SKIPDEFAULT;
    default:
        return CDRF_DODEFAULT;
    }
}

namespace {

void CreatePositionBar() {
    CreatePanelControl(WS_EX_WINDOWEDGE, "SCROLLBAR", "", SBS_HORZ | 0x1000, 4, 25, 160, 8,
                       kPositionBarId);
    SetControlColors(kPositionBarId, {0, 0x000000, false});
    SCROLLINFO range{sizeof(SCROLLINFO), SIF_RANGE, 1, 1000, 0, 0, 0};
    SendDlgItemMessageA(panelWindow, kPositionBarId, SBM_SETSCROLLINFO, TRUE, LPARAM(&range));
}

// The controls of the table, in its order.
void CreatePanelControls(HWND panel) {
    skinImage = CreatePanelControl(0, "STATIC", "skin", SS_BITMAP, 0, 0, 100, 100, -1);
    CreateIconImage();
    SetWindowPos(panel, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);

    CreatePanelControl(0, "STATIC", "  Options", SS_NOTIFY, 3, 14, 40, 10, kOptionsLabelId);
    CreatePanelControl(0, "STATIC", "  About", SS_NOTIFY, 45, 14, 30, 10, kAboutLabelId);
    for (int id : {kOptionsLabelId, kAboutLabelId}) {
        SetControlColors(id, {kMenuTextColor, kPanelColor, true});
    }

    struct Key {
        int id;
        const char* image;
        int x, y;
    };
    const Key keys[] = {
        {kLoadButtonId, "load2", 67, 72},      {kPlayButtonId, "pause2", 67, 89},
        {kPowerButtonId, "power1", 67, 106},   {kSharpenButtonId, "sharpen2", 118, 72},
        {kSoftenButtonId, "soften2", 118, 89}, {kSoundButtonId, "sounds2", 118, 106},
    };
    for (const Key& key : keys) {
        CreatePanelControl(0, "STATIC", key.image, SS_BITMAP | SS_NOTIFY, key.x, key.y, 52, 15, key.id);
    }
    const Key pad[] = {
        {kPadLeftId, "left1", 4, 87},      {kPadRightId, "right1", 36, 87},
        {kPadUpId, "up1", 20, 72},         {kPadDownId, "down1", 20, 102},
        {kPadStopId, "stop1", 20, 87},     {kPadZoomInId, "lup1", 4, 72},
        {kPadZoomOutId, "rup1", 36, 72},   {kPadVolumeDownId, "ldown1", 4, 102},
        {kPadVolumeUpId, "rdown1", 36, 102},
    };
    for (const Key& key : pad) CreateImageButton(key.id, key.image, key.x, key.y);

    CreateSpeedSlider();
    CreateWindowButton(kMinimiseButtonId, "os1", 127);
    CreateWindowButton(kFullSizeButtonId, "os2", 139);
    CreateWindowButton(kCloseButtonId, "os3", 151);
    CreateClockAndPrompt();
    CreatePositionBar();
    KeepSkinBehindControls();
}

}  // namespace

void SetDisplayDefaults() {
    ViewerSettings& s = viewerSettings;
    s.viewWidth = 480;
    s.viewHeight = 360;
    s.windowSize = kStandard;
    s.wideFormat = 1;
    s.eyeLens = 0;
}

RECT DialogUnitsToPixels(int x, int y, int width, int height) {
    // The units of MS Sans Serif 8 points: 6 x 13 base units at 96 DPI. They
    // are fixed here rather than measured on the font, because a system that
    // substitutes a wider font would stretch the layout away from its skin.
    const HDC screen = GetDC(nullptr);
    const int dpiX = GetDeviceCaps(screen, LOGPIXELSX);
    const int dpiY = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    const auto across = [dpiX](int units) { return MulDiv(units, 6 * dpiX, 4 * 96); };
    const auto down = [dpiY](int units) { return MulDiv(units, 13 * dpiY, 8 * 96); };
    return {across(x), down(y), across(x + width), down(y + height)};
}

HWND CreatePanelControl(DWORD exStyle, const char* className, const char* text, DWORD style,
                        int x, int y, int width, int height, int id) {
    const RECT r = DialogUnitsToPixels(x, y, width, height);
    const HWND control = CreateWindowExA(exStyle, className, text, WS_CHILD | WS_VISIBLE | style,
                                         r.left, r.top, r.right - r.left, r.bottom - r.top,
                                         panelWindow, HMENU(intptr_t(id)), appInstance, nullptr);
    if (control) SendMessageA(control, WM_SETFONT, WPARAM(PanelFont()), FALSE);
    return control;
}

HFONT PanelFont() {
    if (!panelFont) panelFont = ChoosePanelFont();
    return panelFont;
}

void KeepSkinBehindControls() {
    if (!skinImage) return;
    SetWindowLongA(skinImage, GWL_STYLE, GetWindowLongA(skinImage, GWL_STYLE) | WS_CLIPSIBLINGS);
    SetWindowPos(skinImage, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void SetControlColors(int id, ControlColors colors) { controlColors[id] = colors; }

const ControlColors* FindControlColors(int id) {
    const auto found = controlColors.find(id);
    return found == controlColors.end() ? nullptr : &found->second;
}

HBRUSH ColorPanelControl(HDC dc, HWND control) {
    const ControlColors* colors = FindControlColors(GetDlgCtrlID(control));
    if (!colors) {
        // Frames and icons show the skin around their lines.
        SetBkMode(dc, TRANSPARENT);
        return HBRUSH(GetStockObject(NULL_BRUSH));
    }
    SetTextColor(dc, colors->text);
    if (colors->transparent) {
        SetBkMode(dc, TRANSPARENT);
        return HBRUSH(GetStockObject(NULL_BRUSH));
    }
    SetBkMode(dc, OPAQUE);
    SetBkColor(dc, colors->background);
    return SolidBrush(colors->background);
}

HBRUSH PanelBackgroundBrush() {
    // The skin itself, so that whatever shows through a transparent control
    // is the skin behind it.
    static HBRUSH skinBrush = nullptr;
    if (!skinBrush) {
        const HBITMAP skin = LoadBitmapA(appInstance, "skin");
        if (skin) skinBrush = CreatePatternBrush(skin);
        if (skin) DeleteObject(skin);
    }
    return skinBrush ? skinBrush : SolidBrush(kPanelColor);
}

void RedrawPanelControl(int id) {
    const HWND panel = panelWindow;
    const HWND control = GetDlgItem(panel, id);
    if (!control) return;
    RECT area{};
    GetWindowRect(control, &area);
    MapWindowPoints(nullptr, panel, reinterpret_cast<POINT*>(&area), 2);
    RedrawWindow(panel, &area, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
}

namespace {

// Puts a bitmap on a control with the control's own set-image message and
// releases the bitmap it replaces.
void SwapImage(HWND window, int id, UINT setImage, const char* name) {
    const HWND control = GetDlgItem(window, id);
    if (!control) return;
    const HBITMAP bitmap = LoadBitmapA(appInstance, name);
    const auto previous = HGDIOBJ(SendMessageA(control, setImage, IMAGE_BITMAP, LPARAM(bitmap)));
    if (previous && previous != bitmap) DeleteObject(previous);
    InvalidateRect(control, nullptr, FALSE);
    UpdateWindow(control);
}

}  // namespace

void SetWindowImage(HWND window, int id, const char* name) {
    SwapImage(window, id, STM_SETIMAGE, name);
}

void SetWindowButtonImage(HWND window, int id, const char* name) {
    SwapImage(window, id, BM_SETIMAGE, name);
}

void SetPanelImage(int id, const char* name) { SetWindowImage(panelWindow, id, name); }
void SetPanelButtonImage(int id, const char* name) { SetWindowButtonImage(panelWindow, id, name); }

HWND CreateControlPanel() {
    if (!appInstance) appInstance = GetModuleHandleA(nullptr);
    handCursor = LoadCursorA(appInstance, "autor");
    SetSoundHooks(&windowSoundHooks);
    const std::vector<WORD> dialog = PanelTemplate();
    panelWindow = CreateDialogIndirectParamA(appInstance,
                                             reinterpret_cast<const DLGTEMPLATE*>(dialog.data()),
                                             nullptr, PanelProc, 0);
    const HWND panel = panelWindow;
    if (!panel) return nullptr;
    // The font came with the template; the window keeps only the plain styles.
    SetWindowLongA(panel, GWL_STYLE, GetWindowLongA(panel, GWL_STYLE) & ~(DS_SETFONT | DS_3DLOOK));
    PlacePanel(panel);
    SetPanelIcons(panel);
    CreatePanelControls(panel);
    blinkTimer = SetTimer(panel, kBlinkTimerId, 1000, nullptr);
    panelOldProc = WNDPROC(SetWindowLongPtrA(panel, GWLP_WNDPROC, LONG_PTR(PanelSubclassProc)));
    ShowWindow(panel, SW_SHOW);
    UpdateWindow(panel);
    return panel;
}

void RunPanelMessageLoop() {
    const HWND panel = panelWindow;
    MSG message;
    while (IsWindow(panel)) {
        if (!PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            // Waits for the next message instead of polling every
            // millisecond: it reacts at once and costs nothing at rest.
            MsgWaitForMultipleObjectsEx(0, nullptr, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
            continue;
        }
        if (message.message == WM_QUIT) return;
        if (IsWindow(panel) && IsDialogMessageW(panel, &message)) continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

LRESULT CALLBACK PanelSubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_NCHITTEST:
        // The whole skin is a handle to drag the panel by.
        return HTCAPTION;
    case WM_NCRBUTTONDOWN:
        // No system menu: the right click hands the keyboard to the view.
        if (viewerWindow) SetFocus(viewerWindow);
        return 2;
    default:
        return CallWindowProcA(panelOldProc, window, message, wParam, lParam);
    }
}

}  // namespace lx
