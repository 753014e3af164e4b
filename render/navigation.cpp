#include "render/navigation.h"

#include <cmath>
#include <cstdint>
#include <limits>

#include "render/frames.h"

namespace lx {

namespace {

constexpr float kDragGain = 0.03f;   // degrees per pixel of drag displacement
constexpr float kSpinGain = 0.025f;  // degrees per unit of spin
constexpr float kZoomFactor = 1.012f;
constexpr float kWrapBound = 180.0f;
constexpr float kFullTurn = 360.0f;
constexpr float kPole = 90.0f;

// The fields are plain ints that any thread may set; a difference that does
// not fit saturates instead of overflowing.
int32_t Displacement(int32_t to, int32_t from) {
    const int64_t d = int64_t(to) - int64_t(from);
    if (d > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
    if (d < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
    return int32_t(d);
}

float WrapYaw(float yaw) {
    // Stepping by a full turn makes no progress on an infinite yaw, nor on a
    // finite one whose spacing exceeds a turn; reduce those first (fmod is
    // exact) so the loops below always end.
    if (!std::isfinite(yaw)) return yaw;
    if (std::fabs(yaw) >= 16777216.0f) yaw = std::fmod(yaw, kFullTurn);
    while (yaw > kWrapBound) yaw -= kFullTurn;
    while (yaw < -kWrapBound) yaw += kFullTurn;
    return yaw;
}

int32_t RoundToEven(double value) {
    const double r = std::nearbyint(value);
    if (!(r >= double(std::numeric_limits<int32_t>::min()))) return std::numeric_limits<int32_t>::min();
    if (r > double(std::numeric_limits<int32_t>::max())) return std::numeric_limits<int32_t>::max();
    return int32_t(r);
}

}  // namespace

void StopMotion() {
    ViewState& view = viewState;
    view.dragging = 0;
    view.zoomingOut = 0;
    view.zoomingIn = 0;
    view.stopRequest = 1;
    view.spin = 0;
}

void ClampPitch() {
    ViewState& view = viewState;
    if (view.fov != view.lastFov) view.halfVFov = HalfVerticalFov(view.fov);
    view.targetPitch = ClampedPitch(view.targetPitch, view.halfVFov, view.pitchMin, view.pitchMax);
}

float ClampedPitch(float pitch, float halfVFov, float pitchMin, float pitchMax) {
    if (pitch > pitchMax - halfVFov && pitchMax != kPole) return pitchMax - halfVFov;
    if (pitch > pitchMax) return pitchMax;
    if (pitch < pitchMin + halfVFov && pitchMin != -kPole) return pitchMin + halfVFov;
    if (pitch < pitchMin) return pitchMin;
    return pitch;
}

void NavigationStep() {
    ViewState& view = viewState;

    if (view.dragging == 1) {
        const int32_t dx = Displacement(view.cursorX, view.anchorX);
        const int32_t dy = Displacement(view.cursorY, view.anchorY);
        view.targetYaw = view.yaw + kDragGain * float(dx);
        view.targetPitch = view.pitch + kDragGain * float(dy);
        view.spin = dx;
        view.targetYaw = WrapYaw(view.targetYaw);
        ClampPitch();
    }

    if (view.stopRequest == 1) {
        view.spin = 0;
        view.stopRequest = 0;
    }

    // The spin overrides the drag's yaw whenever it is not 0, unwrapped.
    const int32_t spin = view.spin;
    if (spin > 0) {
        view.spin = spin - 1;
        view.targetYaw = view.yaw + kSpinGain * float(spin - 1);
    } else if (spin < 0) {
        view.spin = spin + 1;
        view.targetYaw = view.yaw + kSpinGain * float(spin + 1);
    }

    // Read once: the window thread may change the flags during the step.
    const int32_t zoomingIn = view.zoomingIn;
    const int32_t zoomingOut = view.zoomingOut;
    if (zoomingIn != 0 && view.fovMin < view.fov) {
        view.fov = view.fov / kZoomFactor;
    } else if (zoomingOut != 0 && view.fovMax > view.fov) {
        view.fov = view.fov * kZoomFactor;
    }
    // A zoom changes the view's height, so the band limit moves with it.
    if (zoomingIn != 0 || zoomingOut != 0) ClampPitch();

    if (view.pitch != view.targetPitch || view.yaw != view.targetYaw) {
        view.yaw = view.targetYaw;
        view.pitch = view.targetPitch;
    }

    view.lastFov = view.fov;
}

namespace {

// A direction key simulates a drag of turnStep pixels along one axis while
// the other axis stays at rest.
void KeyDragAcross(int32_t cursor, int32_t anchor) {
    ViewState& view = viewState;
    view.cursorX = cursor;
    view.anchorX = anchor;
    view.anchorY = view.cursorY;
    view.dragging = 1;
}

void KeyDragAlong(int32_t cursor, int32_t anchor) {
    ViewState& view = viewState;
    view.cursorY = cursor;
    view.anchorY = anchor;
    view.anchorX = view.cursorX;
    view.dragging = 1;
}

}  // namespace

void KeyDown(int32_t key) {
    ViewState& view = viewState;
    const int32_t step = view.turnStep;
    switch (key) {
        case kKeyShift:
            view.zoomingIn = 1;
            view.zoomingOut = 0;
            break;
        case kKeyControl:
            view.zoomingOut = 1;
            view.zoomingIn = 0;
            break;
        case kKeyLeft: KeyDragAcross(0, step); break;
        case kKeyRight: KeyDragAcross(step, 0); break;
        case kKeyUp: KeyDragAlong(0, step); break;
        case kKeyDown: KeyDragAlong(step, 0); break;
        default: break;
    }
}

void KeyUp(int32_t key) {
    ViewState& view = viewState;
    switch (key) {
        case kKeyShift:
            view.zoomingIn = 0;
            break;
        case kKeyControl:
            view.zoomingOut = 0;
            break;
        case kKeyLeft:
        case kKeyUp:
        case kKeyRight:
        case kKeyDown:
            view.dragging = 0;
            break;
        default:
            break;
    }
}

void MouseMove(uint32_t keyState, uint16_t x, uint16_t y) {
    ViewState& view = viewState;
    if (view.dragging == 0) {
        view.cursorX = x;
        view.cursorY = y;
    }
    if (keyState == kLeftButtonState) {
        view.cursorX = x;
        view.cursorY = y;
        view.dragging = 1;
    }
}

void LeftButtonDown(uint16_t x, uint16_t y) {
    StopMotion();
    ViewState& view = viewState;
    view.cursorX = x;
    view.cursorY = y;
    view.anchorX = x;
    view.anchorY = y;
}

void LeftButtonUp() { viewState.dragging = 0; }

void MiddleButtonDown() {
    viewState.zoomingIn = 0;
    viewState.zoomingOut = 0;
}

void MouseWheel(int16_t delta) {
    ViewState& view = viewState;
    if (delta > 0) {
        view.zoomingIn = 1;
        view.zoomingOut = 0;
    } else {
        view.zoomingOut = 1;
        view.zoomingIn = 0;
    }
}

FullSizeView FitViewToClient(int32_t clientWidth, int32_t clientHeight, int32_t statusBarHeight,
                             int32_t wideFormat) {
    const int64_t statusBar = statusBarHeight > 0 ? statusBarHeight : 0;
    const int64_t height = (int64_t(clientHeight) - statusBar) / 2 * 2;
    // No room for a view (a collapsed window, or a status bar at least as high
    // as the client area): nothing is shown rather than a negative size.
    if (clientWidth <= 0 || height <= 0) return FullSizeView{0, 0, 0};

    int64_t width = clientWidth;
    if (wideFormat == 0) width = RoundToEven(double(float(height) / 0.666f - 4.0f));
    width = width / 4 * 4;
    if (width < 0) width = 0;

    FullSizeView result;
    result.width = int32_t(width);
    result.height = int32_t(height);
    // Negative when a 4:3 view is wider than a narrow client area: the view
    // is then still centred, and cut equally on both sides.
    result.offsetX = RoundToEven(double(int64_t(clientWidth) - width) * 0.5);
    return result;
}

}  // namespace lx
