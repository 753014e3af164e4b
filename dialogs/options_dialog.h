// The Options dialog: window size, quality, the 16:9 frame format, the
// Eye-Lens margin and the picture effect, chosen with coloured text labels.
#pragma once

#include <windows.h>

namespace lx {

constexpr int kOptionsCloseId = 100;
constexpr int kSmallChoiceId = 102;
constexpr int kStandardChoiceId = 103;
constexpr int kWideChoiceId = 104;
constexpr int kFullSizeChoiceId = 105;
constexpr int kWideFormatBoxId = 106;
constexpr int kDraftChoiceId = 112;
constexpr int kMixedChoiceId = 113;
constexpr int kHighChoiceId = 114;
constexpr int kInverseChoiceId = 122;
constexpr int kNoiseChoiceId = 123;
constexpr int kFogChoiceId = 124;
constexpr int kGrayScaleChoiceId = 125;
constexpr int kEffectsOffChoiceId = 127;
constexpr int kEyeLensBoxId = 6005;

constexpr COLORREF kChoiceNormalText = RGB(192, 192, 192);
constexpr COLORREF kChoiceCreatedText = RGB(185, 185, 185);
constexpr COLORREF kChoiceBackground = RGB(84, 84, 84);
constexpr COLORREF kChoiceSelectedBackground = RGB(100, 100, 100);
constexpr COLORREF kChoiceHoverBackground = RGB(119, 119, 119);

// Builds the dialog over the panel and serves it until it closes; the panel
// is disabled meanwhile.
void OptionsDialog();
// The dialog window with all its controls, not yet shown; OptionsDialog
// runs it modally.
HWND CreateOptionsDialog();
// The open dialog, or null.
HWND OptionsDialogWindow();
INT_PTR CALLBACK OptionsDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
// Recolours the twelve choices from the settings and repaints them.
void RefreshOptionHighlights();
// The colours a control of the open dialog is drawn with.
COLORREF OptionTextColor(int id);
COLORREF OptionBackgroundColor(int id);

// Gives the viewer window the view size plus a 24-pixel strip for the status
// bar, at the screen position (1, 1), and the keyboard focus. Runs on the
// windows' thread.
void ResizeViewerWindow();

}  // namespace lx
