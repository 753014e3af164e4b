// Reading and working the control panel from a test: its controls, the texts
// they show and which of the panel's bitmaps an image control shows.
#pragma once

#include <windows.h>

#include <string>

#include "viewer_harness.h"

namespace lx::testing {

HWND Item(int id);
// A click on a panel control, as the control reports it to the panel.
void Click(int id);
std::string TextOf(int id);
// Whether an image control or button of any window shows the named bitmap
// resource.
bool ShowsBitmap(HWND control, const char* name);
// The name of the panel bitmap the control shows, "(none)" or "(unknown)".
std::string ShownImage(int id);

// The bitmap an image control or button shows, and a bitmap resource of the
// program, 32-bit BGRX, top row first.
Picture ShownPicture(HWND control);
Picture ResourcePicture(const char* name);
// A control's client area as the screen shows it, after the paints still
// pending in this thread's windows have reached the screen.
Picture OnScreen(HWND control);
COLORREF PixelAt(const Picture& picture, int32_t x, int32_t y);

}  // namespace lx::testing
