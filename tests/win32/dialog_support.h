// Helpers of the dialog tests: what a control shows and how it is coloured.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "panel_harness.h"

namespace lx::testing {

std::string WindowText(HWND window);
// The colours a dialog's procedure gives a control to draw with.
struct DrawnColors {
    COLORREF text;
    COLORREF background;
    bool transparent;
};
DrawnColors ColorsOf(HWND dialog, HWND control);
// A control's rectangle in its parent's client area.
RECT RectInParent(HWND control);

// Records the wave sounds played through the sound hooks.
class RecordedSounds {
public:
    RecordedSounds();
    ~RecordedSounds();
    std::vector<std::string> Played() const;
};

}  // namespace lx::testing
