// Speed-based navigation. Input only sets fields of viewState; the view
// moves once per render pass, in NavigationStep: a drag's displacement from
// its anchor sets a turning speed, a spin left by a drag slows down linearly,
// and a zoom flag zooms by a constant factor per pass.
#pragma once

#include <cstdint>

namespace lx {

// Virtual-key codes and the key-state bit the input mapping reacts to; the
// values are the platform's own.
constexpr int32_t kKeyShift = 0x10;
constexpr int32_t kKeyControl = 0x11;
constexpr int32_t kKeyLeft = 0x25;
constexpr int32_t kKeyUp = 0x26;
constexpr int32_t kKeyRight = 0x27;
constexpr int32_t kKeyDown = 0x28;
constexpr uint32_t kLeftButtonState = 0x0001;

// Ends every motion: drag, zoom and spin. The next navigation step completes
// the stop.
void StopMotion();

// Keeps targetPitch inside the source's band for the current fov.
void ClampPitch();
// The pitch a view whose half vertical fov is halfVFov may take inside the
// band pitchMin .. pitchMax: what ClampPitch keeps, as a pure function.
float ClampedPitch(float pitch, float halfVFov, float pitchMin, float pitchMax);

// One navigation step: drag, stop request, spin, zoom, pitch clamp, then the
// new direction. The first half of every view update.
void NavigationStep();

// The input mapping of the viewer window. Pointer positions are client
// coordinates taken as unsigned 16-bit values.
void KeyDown(int32_t key);
void KeyUp(int32_t key);
void MouseMove(uint32_t keyState, uint16_t x, uint16_t y);
void LeftButtonDown(uint16_t x, uint16_t y);
void LeftButtonUp();
void MiddleButtonDown();
void MouseWheel(int16_t delta);

// The Full size layout for a viewer window whose client area is
// clientWidth x clientHeight with a status bar statusBarHeight high.
struct FullSizeView {
    int32_t width;
    int32_t height;
    int32_t offsetX;
};
FullSizeView FitViewToClient(int32_t clientWidth, int32_t clientHeight,
                             int32_t statusBarHeight, int32_t wideFormat);

}  // namespace lx
