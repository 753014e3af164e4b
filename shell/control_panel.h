// The control panel's process-wide values that the rest of the program reads.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>

namespace lx {

// The program's module: its resources (panorama, icon, cursor, bitmaps).
extern HINSTANCE appInstance;
// The control panel window; 0 while there is none.
extern HWND panelWindow;
// The viewer shows the full-size layout set by the panel's full-size button.
extern std::atomic<int32_t> fullScreen;

// The display defaults every start begins with: a Standard window, the
// 16:9 frame format and no Eye-Lens margin.
void SetDisplayDefaults();

// Control identifiers of the panel that other windows write to.
constexpr int kSpeedSliderId = 6000;
constexpr int kPositionBarId = 6001;
constexpr int kSizeLabelId = 4511;
constexpr int kLengthLabelId = 4512;

}  // namespace lx
