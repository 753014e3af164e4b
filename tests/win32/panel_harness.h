// Reading and working the control panel from a test: its controls, the texts
// they show and which of the panel's bitmaps an image control shows.
#pragma once

#include <windows.h>

#include <string>

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

}  // namespace lx::testing
