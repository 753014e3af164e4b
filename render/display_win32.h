// Painting the view into the viewer window, and the Full size layout.
#pragma once

#include <cstdint>

#include "render/pipeline.h"

namespace lx {

// The render pass's link to the windows: the position bar and progress bar,
// the DrawDib paint and the message turn of the calling thread.
class WindowPassHooks : public PassHooks {
public:
    void ShowPosition(int32_t frame) override;
    void PaintView() override;
    void PumpOrSleep(uint32_t milliseconds) override;
};

extern WindowPassHooks windowPassHooks;

// Stretches the output frame, less its outer columns and rows, onto the view
// area of the viewer window.
void PaintOutputFrame();

// Sizes the viewer window to the desktop work area and fits the view into its
// client area above the status bar.
void FitViewToWorkArea();

}  // namespace lx
