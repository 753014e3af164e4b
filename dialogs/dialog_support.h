// What the Options and About dialogs share: a caption-less or captioned
// popup made from an in-memory template, controls placed in the panel's
// dialog units, per-control colours, and the modal loop.
#pragma once

#include <windows.h>

#include <map>

namespace lx {

struct DialogFrame {
    DWORD style;
    const char* title;
    // Position and size in dialog units; the position is relative to the
    // owner's client area.
    int x, y, width, height;
};

// Creates the dialog window (without controls) owned by the given window.
// The window's size and place follow the panel's fixed dialog units, so the
// layout is the same whatever face the system gives the dialog font.
HWND CreateDialogFrame(const DialogFrame& frame, HWND owner, DLGPROC procedure);

// A child control at x, y, width, height dialog units, in the panel's font.
HWND CreateDialogControl(HWND dialog, DWORD exStyle, const char* className, const char* text,
                         DWORD style, int x, int y, int width, int height, int id);

// Text and background colours of a dialog's controls, by control id.
class DialogColors {
public:
    void Set(int id, COLORREF text, COLORREF background);
    void SetTransparent(int id, COLORREF text);
    // Answers WM_CTLCOLORSTATIC and WM_CTLCOLORBTN for a control; null for a
    // control without colours of its own.
    HBRUSH Apply(HDC dc, HWND control) const;
    bool Has(int id) const { return colors_.count(id) != 0; }
    COLORREF TextOf(int id) const;
    COLORREF BackgroundOf(int id) const;
    void Clear() { colors_.clear(); }

private:
    struct Colors {
        COLORREF text;
        COLORREF background;
        bool transparent;
    };
    std::map<int, Colors> colors_;
};

// One brush per colour for the life of the process.
HBRUSH SolidBrushOf(COLORREF color);

// Marks a dialog procedure's answer to a message as handled with this result.
INT_PTR HandledWith(HWND dialog, LRESULT result);

// Disables the owner, serves every window of the thread until the dialog is
// gone, and enables the owner again.
void RunModalDialog(HWND dialog, HWND owner);
// Closing: the owner comes back before the dialog is destroyed.
void CloseModalDialog(HWND dialog);

}  // namespace lx
