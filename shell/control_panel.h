// The control panel: a caption-less, always-on-top skinned popup with the
// program's buttons, pad, speed slider, position bar and LCD indicators. Its
// window serves the process's message loop; destroying it ends the program.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <atomic>
#include <cstdint>

namespace lx {

// The program's module: its resources (panorama, icon, cursor, bitmaps).
extern HINSTANCE appInstance;
// The control panel window; 0 while there is none.
extern HWND panelWindow;
// The hand shown over clickable labels.
extern HCURSOR handCursor;
// The once-a-second timer of the clock and prompt, until power-on.
extern UINT_PTR blinkTimer;
extern WNDPROC panelOldProc;

// 1 from power-on; never back to 0.
extern int32_t powerOn;
// 1 while the exit confirmation is open.
extern int32_t exitInProgress;
// 1 while the Options and About labels show their plain colours.
extern int32_t menuLabelsPlain;
// Latched zoom buttons of the pad: 0 or -1, toggled by bitwise NOT.
extern int32_t zoomInLatched;
extern int32_t zoomOutLatched;
// The viewer shows the full-size layout set by the panel's full-size button.
extern std::atomic<int32_t> fullScreen;

// The display defaults every start begins with: a Standard window, the
// 16:9 frame format and no Eye-Lens margin.
void SetDisplayDefaults();

// Control identifiers of the panel.
constexpr int kOptionsLabelId = 100;
constexpr int kAboutLabelId = 101;
constexpr int kPowerButtonId = 3001;
constexpr int kLoadButtonId = 3002;
constexpr int kPlayButtonId = 3004;
constexpr int kSharpenButtonId = 3008;
constexpr int kSoftenButtonId = 3009;
constexpr int kSoundButtonId = 3010;
constexpr int kPadLeftId = 3900;
constexpr int kPadRightId = 3901;
constexpr int kPadUpId = 3902;
constexpr int kPadDownId = 3903;
constexpr int kPadStopId = 3904;
constexpr int kPadZoomInId = 3907;
constexpr int kPadZoomOutId = 3908;
constexpr int kPadVolumeDownId = 3917;
constexpr int kPadVolumeUpId = 3918;
constexpr int kSpeedSliderId = 6000;
constexpr int kPositionBarId = 6001;
constexpr int kMinimiseButtonId = 8701;
constexpr int kFullSizeButtonId = 8702;
constexpr int kCloseButtonId = 8703;

constexpr char kPanelTitle[] = "* Lumivex 360 Video Viewer";
constexpr COLORREF kPanelColor = 0x433F38;

// Builds the panel with its controls, clock and prompt, starts the blink
// timer and subclasses it; the panel is shown. Returns the panel window.
HWND CreateControlPanel();
// Serves the process's messages until the panel window no longer exists.
void RunPanelMessageLoop();

LRESULT CALLBACK PanelSubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK PanelProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Puts the named bitmap resource on an image control (SS_BITMAP static) or
// an image button (BS_BITMAP) of a window, releasing the one it replaces, and
// redraws the control.
void SetWindowImage(HWND window, int id, const char* name);
void SetWindowButtonImage(HWND window, int id, const char* name);
// The same on the control panel.
void SetPanelImage(int id, const char* name);
void SetPanelButtonImage(int id, const char* name);

// Switches the panel on: lit buttons, indicators, volume and the viewer.
void PowerOn();
// Asks "Are you sure?" and ends the program on OK.
void ConfirmExit();

// A panel control's text and background colours; a transparent background
// lets the skin show behind the text.
struct ControlColors {
    COLORREF text;
    COLORREF background;
    bool transparent;
};
// Records the colours a panel control is drawn with (on the next redraw).
void SetControlColors(int id, ControlColors colors);
// The colours of a panel control, if it has its own.
const ControlColors* FindControlColors(int id);
// Answers the WM_CTLCOLOR... messages of the panel's controls.
HBRUSH ColorPanelControl(HDC dc, HWND control);
HBRUSH PanelBackgroundBrush();
// Draws the speed slider's channel and thumb in the slider's own colours
// (text and background), for the slider's NM_CUSTOMDRAW notifications: the
// trackbar's own look under Wine, a white thumb on a white channel, hides
// the thumb. Returns the custom-draw answer.
LRESULT DrawSpeedSlider(const NMCUSTOMDRAW& draw);
// Redraws a control together with the part of the panel behind it, which a
// transparent control needs.
void RedrawPanelControl(int id);

// Control rectangles are in the panel's dialog units.
RECT DialogUnitsToPixels(int x, int y, int width, int height);
// The font of the panel and its dialogs.
HFONT PanelFont();
HWND CreatePanelControl(DWORD exStyle, const char* className, const char* text, DWORD style,
                        int x, int y, int width, int height, int id);
// The skin lies under every control and never paints over one; called after
// controls are added.
void KeepSkinBehindControls();

}  // namespace lx
