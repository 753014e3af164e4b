#include "dialogs/options_dialog.h"

#include <algorithm>
#include <iterator>

#include "dialogs/dialog_support.h"
#include "render/display_win32.h"
#include "render/frames.h"
#include "shell/control_panel.h"
#include "shell/panel_indicators.h"
#include "shell/volume.h"
#include "shell/viewer_window.h"

namespace lx {

namespace {

constexpr COLORREF kDialogBackground = RGB(56, 63, 67);
constexpr COLORREF kGroupText = RGB(185, 185, 185);
constexpr COLORREF kGroupBackground = RGB(0, 112, 136);
constexpr COLORREF kSelectedText = RGB(255, 255, 255);
constexpr DWORD kClosePressedMs = 500;
constexpr char kInformationCaption[] = "Information:";

constexpr int kChoiceIds[] = {kSmallChoiceId,  kStandardChoiceId, kWideChoiceId,
                              kFullSizeChoiceId, kDraftChoiceId,  kMixedChoiceId,
                              kHighChoiceId,   kInverseChoiceId,  kNoiseChoiceId,
                              kFogChoiceId,    kGrayScaleChoiceId, kEffectsOffChoiceId};

HWND optionsDialog = nullptr;
DialogColors optionColors;

bool IsChoice(int id) {
    return std::find(std::begin(kChoiceIds), std::end(kChoiceIds), id) != std::end(kChoiceIds);
}

struct ControlRow {
    int id;
    enum Kind { Close, Group, Choice, Panel, CheckBox, Separator } kind;
    const char* text;
    int x, y, width, height;
};

// In the order they are created; each small panel comes before the check
// box lying on it.
constexpr ControlRow kControls[] = {
    {kOptionsCloseId, ControlRow::Close, "", 117, 88, 52, 15},
    {101, ControlRow::Group, " Window Size ", 3, 3, 50, 52},
    {kSmallChoiceId, ControlRow::Choice, " Small", 4, 14, 48, 10},
    {kStandardChoiceId, ControlRow::Choice, " Standard", 4, 24, 48, 10},
    {kWideChoiceId, ControlRow::Choice, " Wide", 4, 34, 48, 10},
    {kFullSizeChoiceId, ControlRow::Choice, " Full size", 4, 44, 48, 10},
    {111, ControlRow::Group, " Quality ", 57, 3, 50, 42},
    {kDraftChoiceId, ControlRow::Choice, " Draft", 58, 14, 48, 10},
    {kMixedChoiceId, ControlRow::Choice, " Mixed", 58, 24, 48, 10},
    {kHighChoiceId, ControlRow::Choice, " High", 58, 34, 48, 10},
    {107, ControlRow::Panel, "", 58, 48, 49, 12},
    {kWideFormatBoxId, ControlRow::CheckBox, "16:9 fmt", 59, 49, 47, 10},
    {109, ControlRow::Panel, "", 58, 63, 49, 12},
    {kEyeLensBoxId, ControlRow::CheckBox, "Eye-Lens", 59, 64, 47, 10},
    {121, ControlRow::Group, " Effects ", 111, 3, 50, 62},
    {kInverseChoiceId, ControlRow::Choice, " Inverse", 112, 14, 48, 10},
    {kNoiseChoiceId, ControlRow::Choice, " Noise", 112, 24, 48, 10},
    {kFogChoiceId, ControlRow::Choice, " Fog", 112, 34, 48, 10},
    {kGrayScaleChoiceId, ControlRow::Choice, " GrayScale", 112, 44, 48, 10},
    {kEffectsOffChoiceId, ControlRow::Choice, " Effects off", 112, 54, 48, 10},
    {130, ControlRow::Separator, "", 3, 78, 159, 2},
};

void CreateControl(HWND dialog, const ControlRow& row) {
    const auto make = [&](DWORD exStyle, const char* className, DWORD style) {
        CreateDialogControl(dialog, exStyle, className, row.text, style, row.x, row.y, row.width,
                            row.height, row.id);
    };
    switch (row.kind) {
    case ControlRow::Close:
        make(0, "STATIC", SS_BITMAP | SS_NOTIFY);
        SetWindowImage(dialog, row.id, "close1");
        break;
    case ControlRow::Group:
    case ControlRow::Panel:
        make(WS_EX_WINDOWEDGE, "STATIC", SS_CENTER);
        optionColors.Set(row.id, kGroupText, kGroupBackground);
        break;
    case ControlRow::Choice:
        make(0, "STATIC", SS_LEFT | SS_NOTIFY);
        optionColors.Set(row.id, kChoiceCreatedText, kChoiceBackground);
        break;
    case ControlRow::CheckBox:
        make(0, "BUTTON", BS_AUTOCHECKBOX | BS_CENTER | BS_VCENTER);
        optionColors.Set(row.id, kChoiceCreatedText, kChoiceBackground);
        break;
    case ControlRow::Separator:
        make(WS_EX_WINDOWEDGE, "STATIC", 0);
        optionColors.Set(row.id, kGroupBackground, kGroupBackground);
        break;
    }
}

void RepaintControl(int id) {
    if (const HWND control = GetDlgItem(optionsDialog, id)) {
        RedrawWindow(control, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    }
}

void ShowInformation(HWND dialog, const char* text) {
    MessageBoxA(dialog, text, kInformationCaption, MB_OK | MB_ICONINFORMATION);
}

void ChooseWindowSize(WindowSize size) {
    struct ViewSize {
        int32_t width, height;
    };
    // By size, for 4:3 and for 16:9 sources.
    constexpr ViewSize kSizes[3][2] = {
        {{400, 300}, {532, 300}}, {{640, 480}, {852, 480}}, {{796, 592}, {1066, 592}}};
    ViewerSettings& s = viewerSettings;
    const ViewSize view = kSizes[size][s.wideFormat == 0 ? 0 : 1];
    s.viewWidth = view.width;
    s.viewHeight = view.height;
    s.windowSize = size;
    ResizeViewerWindow();
}

void ChooseFullSize() {
    FitViewToWorkArea();
    if (const HWND viewer = viewerWindow) {
        RedrawWindow(viewer, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    }
}

void ChooseQuality(int32_t quality, const char* text) {
    viewerSettings.quality = quality;
    SetIndicatorText(kQualityTextId, text);
}

struct Effect {
    int32_t ViewerSettings::*flag;
    const char* icon;
};
constexpr Effect kEffects[] = {
    {&ViewerSettings::effectInverse, "sharp4"},
    {&ViewerSettings::effectNoise, "sharp6"},
    {&ViewerSettings::effectFog, "sharp7"},
    {&ViewerSettings::effectGrayScale, "sharp8"},
};

void SwitchEffectsOff() {
    for (const Effect& e : kEffects) viewerSettings.*e.flag = 0;
    SetPanelImage(kEffectIconId, "sharp5");
}

// At most one effect is on: switching one on switches the others off.
void ToggleEffect(const Effect& effect) {
    ViewerSettings& s = viewerSettings;
    if (s.*effect.flag == 0) {
        for (const Effect& e : kEffects) {
            if (&e != &effect) s.*e.flag = 0;
        }
        s.*effect.flag = 1;
        SetPanelImage(kEffectIconId, effect.icon);
    } else {
        s.*effect.flag = 0;
        SetPanelImage(kEffectIconId, "sharp5");
    }
}

void ToggleWideFormat(HWND dialog) {
    viewerSettings.wideFormat = IsDlgButtonChecked(dialog, kWideFormatBoxId) == BST_CHECKED ? 1 : 0;
    ShowInformation(dialog, viewerSettings.wideFormat == 1
                                ? "Please reload the video for changing a format as 16:9"
                                : "Please reload the video for changing a format as 4:3");
}

void ToggleEyeLens(HWND dialog) {
    viewerSettings.eyeLens = IsDlgButtonChecked(dialog, kEyeLensBoxId) == BST_CHECKED ? 4 : 0;
    ShowInformation(dialog, "Please reload the video for changing the Eye-Lens correction");
}

void PressClose(HWND dialog) {
    SetWindowImage(dialog, kOptionsCloseId, "close2");
    Sleep(kClosePressedMs);
}

// Runs a click; true when the dialog closes after it.
bool RunChoice(HWND dialog, int id) {
    switch (id) {
    case kOptionsCloseId: PressClose(dialog); return true;
    case kSmallChoiceId: ChooseWindowSize(kSmall); return true;
    case kStandardChoiceId: ChooseWindowSize(kStandard); return true;
    case kWideChoiceId: ChooseWindowSize(kWide); return true;
    case kFullSizeChoiceId: ChooseFullSize(); return true;
    case kWideFormatBoxId: ToggleWideFormat(dialog); return false;
    case kEyeLensBoxId: ToggleEyeLens(dialog); return false;
    case kDraftChoiceId: ChooseQuality(kDraft, "draft"); return true;
    case kMixedChoiceId: ChooseQuality(kMixed, "mixed"); return true;
    case kHighChoiceId: ChooseQuality(kHigh, "high"); return true;
    case kInverseChoiceId: ToggleEffect(kEffects[0]); return false;
    case kNoiseChoiceId: ToggleEffect(kEffects[1]); return false;
    case kFogChoiceId: ToggleEffect(kEffects[2]); return false;
    case kGrayScaleChoiceId: ToggleEffect(kEffects[3]); return false;
    case kEffectsOffChoiceId: SwitchEffectsOff(); return true;
    default: return false;
    }
}

INT_PTR OnSetCursor(HWND dialog, HWND under) {
    const int id = under && GetParent(under) == dialog ? GetDlgCtrlID(under) : 0;
    RefreshOptionHighlights();
    if (IsChoice(id)) {
        optionColors.Set(id, kSelectedText, kChoiceHoverBackground);
        RepaintControl(id);
    } else if (id != kWideFormatBoxId && id != kOptionsCloseId) {
        return FALSE;
    }
    SetCursor(handCursor);
    return HandledWith(dialog, TRUE);
}

}  // namespace

HWND CreateOptionsDialog() {
    const HWND panel = panelWindow;
    optionColors.Clear();
    const HWND dialog = CreateDialogFrame(
        {WS_POPUP | WS_BORDER | DS_3DLOOK, "  Options", 1, 12, 165, 107}, panel, OptionsDialogProc);
    if (!dialog) return nullptr;
    optionsDialog = dialog;
    for (const ControlRow& row : kControls) CreateControl(dialog, row);
    CheckDlgButton(dialog, kWideFormatBoxId,
                   viewerSettings.wideFormat == 1 ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(dialog, kEyeLensBoxId, viewerSettings.eyeLens != 0 ? BST_CHECKED : BST_UNCHECKED);
    return dialog;
}

void OptionsDialog() { RunModalDialog(CreateOptionsDialog(), panelWindow); }

HWND OptionsDialogWindow() { return optionsDialog; }

void RefreshOptionHighlights() {
    const ViewerSettings& s = viewerSettings;
    for (int id : kChoiceIds) optionColors.Set(id, kChoiceNormalText, kChoiceBackground);
    const auto select = [](int id) { optionColors.Set(id, kSelectedText, kChoiceSelectedBackground); };
    select(kSmallChoiceId + s.windowSize);
    select(kDraftChoiceId + s.quality);
    for (size_t i = 0; i < std::size(kEffects); ++i) {
        if (s.*kEffects[i].flag == 1) select(kInverseChoiceId + int(i));
    }
    if (s.effectInverse + s.effectNoise + s.effectFog + s.effectGrayScale == 0) {
        select(kEffectsOffChoiceId);
    }
    for (int id : kChoiceIds) RepaintControl(id);
}

COLORREF OptionTextColor(int id) { return optionColors.TextOf(id); }
COLORREF OptionBackgroundColor(int id) { return optionColors.BackgroundOf(id); }

INT_PTR CALLBACK OptionsDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_SETCURSOR:
        return OnSetCursor(dialog, HWND(wParam));
    case WM_COMMAND:
        if (HIWORD(wParam) != 0) return FALSE;
        PlayHookedWave("owave");
        if (RunChoice(dialog, LOWORD(wParam))) CloseModalDialog(dialog);
        return TRUE;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
        return INT_PTR(optionColors.Apply(HDC(wParam), HWND(lParam)));
    case WM_CTLCOLORDLG:
        return INT_PTR(SolidBrushOf(kDialogBackground));
    case WM_DESTROY:
        if (optionsDialog == dialog) optionsDialog = nullptr;
        return FALSE;
    default:
        return FALSE;
    }
}

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
