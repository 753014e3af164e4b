// The panel's dialog procedure: its commands, the speed slider, the position
// bar, the hover colours of the menu labels, and power-on and exit.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <string>

#include "dialogs/about_dialog.h"
#include "dialogs/options_dialog.h"
#include "media/file_selection.h"
#include "media/playback.h"
#include "media/video_runner.h"
#include "render/display_win32.h"
#include "render/frames.h"
#include "render/navigation.h"
#include "shell/control_panel.h"
#include "shell/panel_indicators.h"
#include "shell/pump.h"
#include "shell/sounds.h"
#include "shell/viewer_window.h"
#include "shell/volume.h"

namespace lx {

namespace {

constexpr DWORD kPressedLookMs = 200;
constexpr COLORREF kMenuTextColor = 0xC0C0C0;
constexpr COLORREF kHotMenuTextColor = 0xFFFFFF;
constexpr int32_t kMinTurnStep = 1;
constexpr int32_t kMaxPagedTurnStep = 50;
constexpr int32_t kVolumeStep = 5;

void SendViewerKey(int32_t key) {
    if (const HWND viewer = viewerWindow) SendMessageA(viewer, WM_KEYDOWN, WPARAM(key), 0);
}

void ShowFilter(const char* icon, const char* text) {
    SetPanelImage(kFilterIconId, icon);
    SetIndicatorText(kFilterTextId, text);
}

// Sharpen and Soften: each switches its own filter and, switching it on,
// the other one off.
struct FilterButton {
    int32_t ViewerSettings::*flag;
    int32_t ViewerSettings::*otherFlag;
    int id;
    int otherId;
    const char* pressedImage;
    const char* onImage;
    const char* offImage;
    const char* otherOffImage;
    const char* icon;
    const char* text;
};

constexpr FilterButton kSharpenButton{
    &ViewerSettings::sharpen, &ViewerSettings::soften, kSharpenButtonId, kSoftenButtonId,
    "sharpen2", "sharpen3", "sharpen1", "soften1", "sharp1", "sharp"};
constexpr FilterButton kSoftenButton{
    &ViewerSettings::soften, &ViewerSettings::sharpen, kSoftenButtonId, kSharpenButtonId,
    "soften2", "soften3", "soften1", "sharpen1", "sharp2", "soft"};

void ToggleFilter(const FilterButton& button) {
    ViewerSettings& s = viewerSettings;
    SetPanelImage(button.id, button.pressedImage);
    Sleep(kPressedLookMs);
    if (s.*button.flag == 0) {
        s.*button.flag = 1;
        s.*button.otherFlag = 0;
        SetPanelImage(button.otherId, button.otherOffImage);
        SetPanelImage(button.id, button.onImage);
        ShowFilter(button.icon, button.text);
    } else {
        s.*button.flag = 0;
        SetPanelImage(button.id, button.offImage);
        ShowFilter("sharp3", "off");
    }
}

void ToggleSound() {
    SetPanelImage(kSoundButtonId, "sounds2");
    Sleep(kPressedLookMs);
    if (muted == 0) {
        muted = 1;
        SetPanelImage(kSoundButtonId, "sounds1");
        SetPanelImage(kSoundIconId, "sound2");
    } else {
        muted = 0;
        SetPanelImage(kSoundButtonId, "sounds3");
        SetPanelImage(kSoundIconId, "sound1");
    }
    ApplyMute();
}

void ToggleZoomIn() {
    zoomInLatched = ~zoomInLatched;
    if (zoomInLatched == -1) {
        SendViewerKey(VK_SHIFT);
        viewState.zoomingOut = 0;
        zoomOutLatched = 0;
    } else {
        StopMotion();
    }
}

void ToggleZoomOut() {
    zoomOutLatched = ~zoomOutLatched;
    if (zoomOutLatched == -1) {
        SendViewerKey(VK_CONTROL);
        viewState.zoomingIn = 0;
        zoomInLatched = 0;
    } else {
        StopMotion();
    }
}

void ToggleFullSize() {
    if (fullScreen == 0) {
        fullScreen = 1;
        FitViewToWorkArea();
        return;
    }
    fullScreen = 0;
    ViewerSettings& s = viewerSettings;
    s.viewWidth = s.wideFormat == 0 ? 640 : 852;
    s.viewHeight = 480;
    s.windowSize = kStandard;
    ResizeViewerWindow();
}

std::string CurrentFolder() {
    char folder[MAX_PATH + 1] = {};
    const DWORD length = GetCurrentDirectoryA(sizeof(folder), folder);
    return length > 0 && length < sizeof(folder) ? std::string(folder, length) : std::string();
}

// Clicks that arrive while the dialog's answer is being opened wait for the
// next Load: one choice at a time.
bool loadInProgress = false;

void PressLoad() {
    if (loadInProgress) return;
    loadInProgress = true;
    SetPanelImage(kLoadButtonId, "load2");
    Sleep(kPressedLookMs);
    SetPanelImage(kLoadButtonId, "load1");
    EndVideoPlayback();
    PumpOrSleep(1);
    if (const HWND viewer = viewerWindow) SendMessageA(viewer, kFreezeMessage, 1, 0);
    const HWND panel = panelWindow;
    ChooseSourceFile(panel, CurrentFolder());
    SetPanelImage(kPlayButtonId, sourceKind == 0 ? "pause2" : "play1");
    SetPanelImage(kFreezeIconId, "frez1");
    SendDlgItemMessageA(panel, kPositionBarId, SBM_SETPOS, WPARAM(-1), TRUE);
    if (const HWND bar = progressBar) SendMessageA(bar, PBM_SETPOS, WPARAM(-1), 0);
    RedrawWindow(panel, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    loadInProgress = false;
}

void PressExit() {
    SetPanelImage(kPowerButtonId, "exit2");
    Sleep(kPressedLookMs);
    SetPanelImage(kPowerButtonId, "exit1");
    ConfirmExit();
}

void MinimisePanel() { ShowWindow(panelWindow, SW_MINIMIZE); }

void RunCommandWhileOff(int id) {
    switch (id) {
    case kPowerButtonId: PowerOn(); break;
    case kCloseButtonId: ConfirmExit(); break;
    case kMinimiseButtonId: MinimisePanel(); break;
    default: break;
    }
}

void RunCommand(int id) {
    switch (id) {
    case kPowerButtonId:
    case kCloseButtonId: PressExit(); break;
    case kLoadButtonId: PressLoad(); break;
    case kPlayButtonId:
        if (sourceKind == 1) PauseOrResume();
        break;
    case kSharpenButtonId: ToggleFilter(kSharpenButton); break;
    case kSoftenButtonId: ToggleFilter(kSoftenButton); break;
    case kSoundButtonId: ToggleSound(); break;
    case kPadLeftId: SendViewerKey(VK_LEFT); break;
    case kPadRightId: SendViewerKey(VK_RIGHT); break;
    case kPadUpId: SendViewerKey(VK_UP); break;
    case kPadDownId: SendViewerKey(VK_DOWN); break;
    case kPadStopId: StopMotion(); break;
    case kPadZoomInId: ToggleZoomIn(); break;
    case kPadZoomOutId: ToggleZoomOut(); break;
    case kPadVolumeDownId: StepVolume(-kVolumeStep); break;
    case kPadVolumeUpId: StepVolume(+kVolumeStep); break;
    case kMinimiseButtonId: MinimisePanel(); break;
    case kFullSizeButtonId: ToggleFullSize(); break;
    case kOptionsLabelId:
        OptionsDialog();
        RedrawWindow(panelWindow, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
        break;
    case kAboutLabelId: AboutDialog(); break;
    default: break;
    }
}

void OnSpeedSlider(WPARAM wParam) {
    int32_t& step = viewState.turnStep;
    switch (LOWORD(wParam)) {
    case TB_PAGEUP: step = std::max(step - 1, kMinTurnStep); break;
    case TB_PAGEDOWN: step = std::min(step + 1, kMaxPagedTurnStep); break;
    case TB_THUMBTRACK: step = HIWORD(wParam); break;
    default: break;
    }
    SendViewerKey(VK_RIGHT);
}

// The scroll message carries only the low 16 bits of the thumb position; the
// bar itself knows all 32 while the thumb is dragged.
int32_t ThumbPosition(HWND bar, WPARAM wParam) {
    const auto reported = uint16_t(HIWORD(wParam));
    SCROLLINFO info{};
    info.cbSize = sizeof(info);
    info.fMask = SIF_TRACKPOS;
    if (bar && GetScrollInfo(bar, SB_CTL, &info) && uint16_t(info.nTrackPos) == reported) {
        return info.nTrackPos;
    }
    return reported;
}

void OnPositionBar(WPARAM wParam, LPARAM lParam) {
    if (sourceKind != 1) return;
    switch (LOWORD(wParam)) {
    case SB_THUMBTRACK: TrackSeek(ThumbPosition(HWND(lParam), wParam)); break;
    case SB_ENDSCROLL:
        if (seeking == 1) EndSeeking();
        break;
    default: break;
    }
}

void ColorMenuLabels(COLORREF options, COLORREF about, bool transparent) {
    SetControlColors(kOptionsLabelId, {options, kPanelColor, transparent});
    SetControlColors(kAboutLabelId, {about, kPanelColor, transparent});
    RedrawPanelControl(kOptionsLabelId);
    RedrawPanelControl(kAboutLabelId);
}

bool ShowsColors(int id, COLORREF text, bool transparent) {
    const ControlColors* colors = FindControlColors(id);
    return colors && colors->text == text && colors->transparent == transparent;
}

// Lights the label under the pointer; true when the hand cursor was set.
bool OnSetCursor(HWND panel, HWND under) {
    const int id = under && GetParent(under) == panel ? GetDlgCtrlID(under) : 0;
    if (id == kOptionsLabelId || id == kAboutLabelId) {
        menuLabelsPlain = 0;
        const COLORREF options = id == kOptionsLabelId ? kHotMenuTextColor : kMenuTextColor;
        const COLORREF about = id == kAboutLabelId ? kHotMenuTextColor : kMenuTextColor;
        // The pointer moving over the label sends this again and again.
        if (!ShowsColors(kOptionsLabelId, options, false) || !ShowsColors(kAboutLabelId, about, false)) {
            ColorMenuLabels(options, about, false);
        }
        SetCursor(handCursor);
        return true;
    }
    if (menuLabelsPlain != 1) {
        menuLabelsPlain = 1;
        ColorMenuLabels(kMenuTextColor, kMenuTextColor, true);
    }
    return false;
}

}  // namespace

void PowerOn() {
    PlayWaveResource("owave");
    SetPanelImage(kPowerButtonId, "exit1");
    SetPanelImage(kLoadButtonId, "load1");
    SetPanelImage(kSharpenButtonId, "sharpen1");
    SetPanelImage(kSoftenButtonId, "soften1");
    SetPanelImage(kSoundButtonId, "sounds3");
    const struct {
        int id;
        const char* image;
    } pad[] = {
        {kPadLeftId, "left"}, {kPadRightId, "right"},  {kPadUpId, "up"},
        {kPadDownId, "down"}, {kPadStopId, "stop"},    {kPadZoomInId, "lup"},
        {kPadZoomOutId, "rup"}, {kPadVolumeDownId, "ldown"}, {kPadVolumeUpId, "rdown"},
    };
    for (const auto& key : pad) SetPanelButtonImage(key.id, key.image);
    CreateIndicators();
    KillTimer(panelWindow, blinkTimer);

    ViewerSettings& s = viewerSettings;
    s.soften = 0;
    muted = 0;
    powerOn = 1;
    s.sharpen = 1;
    SetPanelImage(kSoftenButtonId, "soften1");
    SetPanelImage(kSharpenButtonId, "sharpen3");
    ShowFilter("sharp1", "sharp");

    ReadDeviceVolume();
    DestroyClockAndPrompt();
    CreateViewerWindow();
    // The new viewer window must not cover the panel where the system
    // stacks new windows on top of everything.
    SetWindowPos(panelWindow, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    RedrawWindow(panelWindow, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
}

void ConfirmExit() {
    if (exitInProgress == 1) return;
    exitInProgress = 1;
    EndVideoPlayback();
    Sleep(300);
    const HWND panel = panelWindow;
    if (MessageBoxA(panel, "Are you sure?", "Exit", MB_OKCANCEL | MB_ICONINFORMATION) == IDOK) {
        UpdateWindow(panel);
        SetFocus(panel);
        SetPanelImage(kPowerButtonId, "exit2");
        PumpOrSleep(100);
        Sleep(300);
        DestroyWindow(panel);
    }
    exitInProgress = 0;
}

INT_PTR CALLBACK PanelProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_TIMER:
        ClockTick();
        return 0;
    case WM_SETCURSOR:
        if (!OnSetCursor(window, HWND(wParam))) return 0;
        SetWindowLongPtrA(window, DWLP_MSGRESULT, TRUE);
        return 1;
    case WM_COMMAND:
        if (HIWORD(wParam) != 0) return 0;
        if (powerOn == 0) {
            RunCommandWhileOff(LOWORD(wParam));
        } else {
            RunCommand(LOWORD(wParam));
        }
        return 0;
    case WM_VSCROLL:
        OnSpeedSlider(wParam);
        return 0;
    case WM_HSCROLL:
        OnPositionBar(wParam, lParam);
        return 0;
    case WM_NOTIFY: {
        const auto* header = reinterpret_cast<const NMHDR*>(lParam);
        if (header->idFrom != kSpeedSliderId || header->code != UINT(NM_CUSTOMDRAW)) return 0;
        SetWindowLongPtrA(window, DWLP_MSGRESULT,
                          DrawSpeedSlider(*reinterpret_cast<const NMCUSTOMDRAW*>(lParam)));
        return 1;
    }
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORSCROLLBAR:
        return INT_PTR(ColorPanelControl(HDC(wParam), HWND(lParam)));
    case WM_CTLCOLORDLG:
        return INT_PTR(PanelBackgroundBrush());
    case WM_CLOSE:
        // Alt+F4 on the panel ends the program at once, as closing a
        // dialog does.
        DestroyWindow(window);
        return 1;
    case WM_DESTROY:
        if (panelWindow == window) panelWindow = nullptr;
        return 0;
    default:
        return 0;
    }
}

}  // namespace lx
