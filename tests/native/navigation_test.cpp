#include "render/navigation.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <limits>
#include <string>
#include <utility>

#include "render/frames.h"
#include "render/projection.h"
#include "support/core_fixture.h"

namespace lx {
namespace {

class Navigation : public testing::PreparedSource {
protected:
    void SetUp() override { testing::ResetRecords(); }

    // A full sphere: pitch limits at the poles, output 1064 x 600.
    void PrepareSphere() { Prepare(2048, 1024); }

    static void Passes(int count) {
        for (int i = 0; i < count; ++i) NavigationStep();
    }
};

const std::pair<const char*, int32_t ViewState::*> kIntFields[] = {
    {"dragging", &ViewState::dragging},     {"cursorX", &ViewState::cursorX},
    {"cursorY", &ViewState::cursorY},       {"anchorX", &ViewState::anchorX},
    {"anchorY", &ViewState::anchorY},       {"zoomingIn", &ViewState::zoomingIn},
    {"zoomingOut", &ViewState::zoomingOut}, {"spin", &ViewState::spin},
    {"stopRequest", &ViewState::stopRequest}, {"turnStep", &ViewState::turnStep},
};
const std::pair<const char*, float ViewState::*> kFloatFields[] = {
    {"yaw", &ViewState::yaw},         {"pitch", &ViewState::pitch},
    {"fov", &ViewState::fov},         {"targetYaw", &ViewState::targetYaw},
    {"targetPitch", &ViewState::targetPitch}, {"halfVFov", &ViewState::halfVFov},
    {"lastFov", &ViewState::lastFov},
};

void ExpectSameViewState(const ViewState& want, const ViewState& got, const std::string& what) {
    for (const auto& [name, field] : kIntFields)
        EXPECT_EQ(want.*field, got.*field) << what << ": " << name;
    for (const auto& [name, field] : kFloatFields)
        EXPECT_EQ(want.*field, got.*field) << what << ": " << name;
}

// Each input changes exactly the fields its row of the mapping names; the
// view itself only moves in the navigation step.
TEST_F(Navigation, InputMappingChangesOnlyItsFields) {
    struct Case {
        const char* name;
        std::function<void(ViewState&)> before;  // on top of the common start
        std::function<void()> input;
        std::function<void(ViewState&)> effect;
    };
    const auto none = [](ViewState&) {};
    const Case cases[] = {
        {"shift down", [](ViewState& v) { v.zoomingOut = 1; }, [] { KeyDown(kKeyShift); },
         [](ViewState& v) { v.zoomingIn = 1, v.zoomingOut = 0; }},
        {"control down", [](ViewState& v) { v.zoomingIn = 1; }, [] { KeyDown(kKeyControl); },
         [](ViewState& v) { v.zoomingOut = 1, v.zoomingIn = 0; }},
        {"left down", none, [] { KeyDown(kKeyLeft); },
         [](ViewState& v) { v.cursorX = 0, v.anchorX = 7, v.anchorY = 22, v.dragging = 1; }},
        {"right down", none, [] { KeyDown(kKeyRight); },
         [](ViewState& v) { v.cursorX = 7, v.anchorX = 0, v.anchorY = 22, v.dragging = 1; }},
        {"up down", none, [] { KeyDown(kKeyUp); },
         [](ViewState& v) { v.cursorY = 0, v.anchorY = 7, v.anchorX = 11, v.dragging = 1; }},
        {"down down", none, [] { KeyDown(kKeyDown); },
         [](ViewState& v) { v.cursorY = 7, v.anchorY = 0, v.anchorX = 11, v.dragging = 1; }},
        {"shift up", [](ViewState& v) { v.zoomingIn = 1; }, [] { KeyUp(kKeyShift); },
         [](ViewState& v) { v.zoomingIn = 0; }},
        {"control up", [](ViewState& v) { v.zoomingOut = 1; }, [] { KeyUp(kKeyControl); },
         [](ViewState& v) { v.zoomingOut = 0; }},
        {"left up", [](ViewState& v) { v.dragging = 1; }, [] { KeyUp(kKeyLeft); },
         [](ViewState& v) { v.dragging = 0; }},
        {"right up", [](ViewState& v) { v.dragging = 1; }, [] { KeyUp(kKeyRight); },
         [](ViewState& v) { v.dragging = 0; }},
        {"up up", [](ViewState& v) { v.dragging = 1; }, [] { KeyUp(kKeyUp); },
         [](ViewState& v) { v.dragging = 0; }},
        {"down up", [](ViewState& v) { v.dragging = 1; }, [] { KeyUp(kKeyDown); },
         [](ViewState& v) { v.dragging = 0; }},
        {"other keys down and up", [](ViewState& v) { v.dragging = 1, v.zoomingIn = 1; },
         [] {
             for (const int32_t key : {0, 0x08, 0x12, 0x20, 0x24, 0x29, 0x41, 0x5A, 0xA0, 0xA2}) {
                 KeyDown(key);
                 KeyUp(key);
             }
         },
         none},
        {"move while not dragging", none, [] { MouseMove(0, 500, 600); },
         [](ViewState& v) { v.cursorX = 500, v.cursorY = 600; }},
        {"move while dragging without a button", [](ViewState& v) { v.dragging = 1; },
         [] { MouseMove(0, 500, 600); }, none},
        {"move with the left button starts a drag", none,
         [] { MouseMove(kLeftButtonState, 500, 600); },
         [](ViewState& v) { v.cursorX = 500, v.cursorY = 600, v.dragging = 1; }},
        {"move with the left button while dragging", [](ViewState& v) { v.dragging = 1; },
         [] { MouseMove(kLeftButtonState, 500, 600); },
         [](ViewState& v) { v.cursorX = 500, v.cursorY = 600; }},
        {"move with left button and shift while dragging", [](ViewState& v) { v.dragging = 1; },
         [] { MouseMove(kLeftButtonState | 0x0004, 500, 600); }, none},
        {"move with left button and shift, not dragging", none,
         [] { MouseMove(kLeftButtonState | 0x0004, 500, 600); },
         [](ViewState& v) { v.cursorX = 500, v.cursorY = 600; }},
        {"move with the right button while dragging", [](ViewState& v) { v.dragging = 1; },
         [] { MouseMove(0x0002, 500, 600); }, none},
        {"move left of and above the client area", none, [] { MouseMove(0, 0xFFFF, 0xFFFE); },
         [](ViewState& v) { v.cursorX = 65535, v.cursorY = 65534; }},
        {"left button down stops everything",
         [](ViewState& v) { v.dragging = 1, v.zoomingIn = 1, v.spin = -9; },
         [] { LeftButtonDown(300, 65000); },
         [](ViewState& v) {
             v.dragging = 0, v.zoomingIn = 0, v.zoomingOut = 0, v.spin = 0, v.stopRequest = 1;
             v.cursorX = v.anchorX = 300;
             v.cursorY = v.anchorY = 65000;
         }},
        {"stop", [](ViewState& v) { v.dragging = 1, v.zoomingOut = 1; }, [] { StopMotion(); },
         [](ViewState& v) { v.dragging = 0, v.zoomingOut = 0, v.spin = 0, v.stopRequest = 1; }},
        {"left button up", [](ViewState& v) { v.dragging = 1; }, [] { LeftButtonUp(); },
         [](ViewState& v) { v.dragging = 0; }},
        {"middle button down while zooming in", [](ViewState& v) { v.zoomingIn = 1; },
         [] { MiddleButtonDown(); }, [](ViewState& v) { v.zoomingIn = 0; }},
        {"middle button down while zooming out", [](ViewState& v) { v.zoomingOut = 1; },
         [] { MiddleButtonDown(); }, [](ViewState& v) { v.zoomingOut = 0; }},
        {"wheel forward one notch", [](ViewState& v) { v.zoomingOut = 1; }, [] { MouseWheel(120); },
         [](ViewState& v) { v.zoomingIn = 1, v.zoomingOut = 0; }},
        {"wheel forward by the least amount", none, [] { MouseWheel(1); },
         [](ViewState& v) { v.zoomingIn = 1; }},
        {"wheel forward all the way", none,
         [] { MouseWheel(std::numeric_limits<int16_t>::max()); },
         [](ViewState& v) { v.zoomingIn = 1; }},
        {"wheel back one notch", [](ViewState& v) { v.zoomingIn = 1; }, [] { MouseWheel(-120); },
         [](ViewState& v) { v.zoomingOut = 1, v.zoomingIn = 0; }},
        {"wheel without delta", [](ViewState& v) { v.zoomingIn = 1; }, [] { MouseWheel(0); },
         [](ViewState& v) { v.zoomingOut = 1, v.zoomingIn = 0; }},
        {"wheel back all the way", none,
         [] { MouseWheel(std::numeric_limits<int16_t>::min()); },
         [](ViewState& v) { v.zoomingOut = 1; }},
    };

    for (const Case& c : cases) {
        testing::ResetRecords();
        ViewState& v = viewState;
        v.yaw = 10, v.pitch = 20, v.fov = 50, v.targetYaw = 12, v.targetPitch = 21;
        v.cursorX = 11, v.cursorY = 22, v.anchorX = 33, v.anchorY = 44;
        v.turnStep = 7, v.spin = 3;
        c.before(v);
        ViewState want = v;
        c.effect(want);
        c.input();
        ExpectSameViewState(want, v, c.name);
    }
}

// An arrow key (or a direction button) is a drag of turnStep pixels: sideways
// it turns 0.025 x (turnStep - 1) per pass, up or down 0.03 x turnStep.
TEST_F(Navigation, DirectionKeysTurnAtTheirStep) {
    struct Case {
        int32_t key;
        int32_t turnStep;
        double yawPerPass;
        double pitchPerPass;
    };
    const Case cases[] = {
        {kKeyRight, 5, 0.1, 0},   {kKeyLeft, 5, -0.1, 0},     {kKeyUp, 5, 0, -0.15},
        {kKeyDown, 5, 0, 0.15},   {kKeyRight, 1, 0, 0},       {kKeyLeft, 1, 0, 0},
        {kKeyRight, 2, 0.025, 0}, {kKeyRight, 50, 1.225, 0},  {kKeyUp, 1, 0, -0.03},
        {kKeyDown, 50, 0, 1.5},
    };
    for (const Case& c : cases) {
        testing::ResetRecords();
        PrepareSphere();
        viewState.turnStep = c.turnStep;
        KeyDown(c.key);
        for (int pass = 0; pass < 20; ++pass) {
            const float yaw = viewState.yaw;
            const float pitch = viewState.pitch;
            NavigationStep();
            const std::string what = "key " + std::to_string(c.key) + ", step " +
                                     std::to_string(c.turnStep) + ", pass " + std::to_string(pass);
            EXPECT_NEAR(viewState.yaw - yaw, c.yawPerPass, 2e-5) << what;
            EXPECT_NEAR(viewState.pitch - pitch, c.pitchPerPass, 2e-5) << what;
            EXPECT_EQ(viewState.dragging, 1) << what;
        }
        if (c.yawPerPass == 0) {
            EXPECT_EQ(viewState.yaw, -90.0f) << "key " << c.key;
        }
    }
    // The default step from the start of a fresh sphere, to the bit.
    testing::ResetRecords();
    PrepareSphere();
    viewState.yaw = 0;
    KeyDown(kKeyRight);
    NavigationStep();
    EXPECT_EQ(viewState.yaw, 0.1f);
}

// A mouse drag held at displacement (dx, dy) turns 0.025 x (|dx| - 1) per
// pass sideways, nothing for |dx| <= 1, and 0.03 x dy per pass vertically.
TEST_F(Navigation, MouseDragTurnsWithItsDisplacement) {
    struct Case {
        int32_t dx, dy;
    };
    for (const Case& c : {Case{10, 0}, Case{-10, 0}, Case{2, 0}, Case{-2, 0}, Case{1, 0},
                          Case{-1, 0}, Case{0, 7}, Case{0, -7}, Case{5, -3}, Case{-40, 20},
                          Case{400, 0}}) {
        testing::ResetRecords();
        PrepareSphere();
        // Passes run between the press and the first move, as they do while
        // the user holds the button; the first one completes the press's stop.
        LeftButtonDown(1000, 1000);
        NavigationStep();
        MouseMove(kLeftButtonState, uint16_t(1000 + c.dx), uint16_t(1000 + c.dy));
        const double yawPerPass = 0.025 * (c.dx > 0 ? c.dx - 1 : c.dx < 0 ? c.dx + 1 : 0);
        for (int pass = 0; pass < 10; ++pass) {
            const float yaw = viewState.yaw;
            const float pitch = viewState.pitch;
            NavigationStep();
            const std::string what = "dx " + std::to_string(c.dx) + ", dy " +
                                     std::to_string(c.dy) + ", pass " + std::to_string(pass);
            EXPECT_NEAR(viewState.yaw - yaw, yawPerPass, 2e-5) << what;
            EXPECT_NEAR(viewState.pitch - pitch, 0.03 * c.dy, 2e-5) << what;
        }
    }
}

// When the drag ends the spin left by its last pass, |dx| - 1, steps towards
// 0 by one per pass and each pass turns by 0.025 x the new value.
TEST_F(Navigation, SpinAfterADragSlowsLinearlyToAStop) {
    for (const int32_t dx : {6, -6, 1, -1, 2}) {
        testing::ResetRecords();
        PrepareSphere();
        LeftButtonDown(100, 100);
        NavigationStep();
        MouseMove(kLeftButtonState, uint16_t(100 + dx), 100);
        Passes(3);
        LeftButtonUp();
        const int32_t sign = dx > 0 ? 1 : -1;
        int32_t speed = std::abs(dx) - 1;
        EXPECT_EQ(viewState.spin, sign * speed) << "dx " << dx;
        while (speed > 0) {
            --speed;
            const float yaw = viewState.yaw;
            NavigationStep();
            EXPECT_NEAR(viewState.yaw - yaw, 0.025 * sign * speed, 2e-5) << "dx " << dx;
            EXPECT_EQ(viewState.spin, sign * speed) << "dx " << dx;
        }
        const float stopped = viewState.yaw;
        Passes(5);
        EXPECT_EQ(viewState.yaw, stopped) << "dx " << dx;
        EXPECT_EQ(viewState.spin, 0) << "dx " << dx;
    }
}

// A click in the view (or the stop button) ends every kind of motion: the
// next pass moves nothing.
TEST_F(Navigation, ClickStopsEveryMotionAtTheNextPass) {
    struct Case {
        const char* name;
        std::function<void()> start;
    };
    const Case cases[] = {
        {"spin after a drag",
         [] {
             LeftButtonDown(100, 100);
             NavigationStep();
             MouseMove(kLeftButtonState, 160, 100);
             NavigationStep();
             LeftButtonUp();
         }},
        {"drag in progress",
         [] {
             LeftButtonDown(100, 100);
             NavigationStep();
             MouseMove(kLeftButtonState, 130, 120);
         }},
        {"arrow key held", [] { KeyDown(kKeyLeft); }},
        {"direction button", [] { KeyDown(kKeyDown); }},
        {"zoom in", [] { KeyDown(kKeyShift); }},
        {"zoom out", [] { MouseWheel(-120); }},
        {"turning while zooming",
         [] {
             KeyDown(kKeyRight);
             KeyDown(kKeyControl);
         }},
    };
    for (const Case& c : cases) {
        testing::ResetRecords();
        PrepareSphere();
        viewState.fov = 60;
        c.start();
        const ViewState moving = viewState;
        Passes(2);
        ASSERT_TRUE(viewState.yaw != moving.yaw || viewState.pitch != moving.pitch ||
                    viewState.fov != moving.fov)
            << c.name << " does not move";
        LeftButtonDown(400, 300);
        const ViewState before = viewState;
        NavigationStep();
        EXPECT_EQ(viewState.yaw, before.yaw) << c.name;
        EXPECT_EQ(viewState.pitch, before.pitch) << c.name;
        EXPECT_EQ(viewState.fov, before.fov) << c.name;
        EXPECT_EQ(viewState.spin, 0) << c.name;
        EXPECT_EQ(viewState.stopRequest, 0) << c.name;
        Passes(3);
        EXPECT_EQ(viewState.yaw, before.yaw) << c.name;
        EXPECT_EQ(viewState.pitch, before.pitch) << c.name;
        EXPECT_EQ(viewState.fov, before.fov) << c.name;
    }
}

// A new source stops the view and then starts the right turn before any pass
// runs: the pass completes the stop, clearing the spin of that same pass, and
// the turn goes on at its step from the next pass.
TEST_F(Navigation, StopBeforeATurnIsCompletedByTheNextPass) {
    PrepareSphere();
    StopMotion();
    KeyDown(kKeyRight);
    NavigationStep();
    EXPECT_EQ(viewState.stopRequest, 0);
    EXPECT_EQ(viewState.spin, 0);
    EXPECT_EQ(viewState.dragging, 1);
    for (int pass = 0; pass < 5; ++pass) {
        const float yaw = viewState.yaw;
        NavigationStep();
        EXPECT_NEAR(viewState.yaw - yaw, 0.1, 2e-5) << "pass " << pass;
        EXPECT_EQ(viewState.spin, 4) << "pass " << pass;
    }
}

// Zooming goes on while the fov is inside its bound, so it ends up to one
// factor past it, and zooming further that way does nothing.
TEST_F(Navigation, ZoomEndsOneStepPastItsBound) {
    struct Case {
        float fov;
        bool zoomIn;
        float end;  // fov after the last step that still zooms
    };
    const Case cases[] = {
        {25.2f, true, 25.2f / 1.012f},   // about 24.90
        {124.0f, false, 124.0f * 1.012f},  // about 125.49
        {25.0f, true, 25.0f},
        {125.0f, false, 125.0f},
        {24.9f, true, 24.9f},
        {126.0f, false, 126.0f},
    };
    for (const Case& c : cases) {
        testing::ResetRecords();
        PrepareSphere();
        viewState.fovMin = 25;
        viewState.fovMax = 125;
        viewState.fov = c.fov;
        c.zoomIn ? KeyDown(kKeyShift) : KeyDown(kKeyControl);
        Passes(4);
        EXPECT_EQ(viewState.fov, c.end) << "from " << c.fov;
        if (c.zoomIn)
            EXPECT_LE(viewState.fov, viewState.fovMin);
        else
            EXPECT_GE(viewState.fov, viewState.fovMax);
    }
    // The long way, with the wheel: from the prepared fov to the near bound.
    testing::ResetRecords();
    PrepareSphere();
    viewState.fovMin = 25;
    MouseWheel(120);
    Passes(200);
    EXPECT_LE(viewState.fov, 25.0f);
    EXPECT_GT(viewState.fov, 25.0f / 1.012f);
    EXPECT_NEAR(25.2f / 1.012f, 24.9f, 0.01f);
}

// A drag pass whose sideways displacement is 0 wraps the yaw into -180..180.
TEST_F(Navigation, DragWithoutSidewaysMotionWrapsTheYaw) {
    struct Case {
        float yaw, wrapped;
    };
    for (const Case& c : {Case{181, -179}, Case{180, 180}, Case{540, 180}, Case{1000, -80},
                          Case{-180, -180}, Case{-181, 179}, Case{-540, -180},
                          Case{-1000.5f, 79.5f}, Case{123456.25f, 336.25f - 360}}) {
        testing::ResetRecords();
        PrepareSphere();
        viewState.yaw = c.yaw;
        KeyDown(kKeyUp);
        NavigationStep();
        EXPECT_EQ(viewState.yaw, c.wrapped) << "from " << c.yaw;
    }
    // A yaw far beyond any spin's reach still gets a wrapped value, and a
    // non-finite one does not hang the pass.
    for (const float yaw : {1e12f, -3e38f, std::numeric_limits<float>::max()}) {
        testing::ResetRecords();
        PrepareSphere();
        viewState.yaw = yaw;
        KeyDown(kKeyDown);
        NavigationStep();
        EXPECT_GE(viewState.yaw, -180.0f) << "from " << yaw;
        EXPECT_LE(viewState.yaw, 180.0f) << "from " << yaw;
        // The same direction: equal angles modulo a full turn.
        const auto turns = [](float a) { return std::fmod(std::fmod(double(a), 360.0) + 360.0, 360.0); };
        EXPECT_EQ(turns(viewState.yaw), turns(yaw)) << "from " << yaw;
    }
    testing::ResetRecords();
    PrepareSphere();
    viewState.yaw = std::numeric_limits<float>::infinity();
    KeyDown(kKeyUp);
    NavigationStep();
    EXPECT_TRUE(std::isinf(viewState.yaw));
}

// The spin sets the yaw after the wrap, so turning carries the yaw past 180
// (and a spin after the drag further), until a pass without sideways motion.
TEST_F(Navigation, TurningCarriesTheYawPastTheWrapBound) {
    PrepareSphere();
    viewState.yaw = 179.95f;
    KeyDown(kKeyRight);
    float previous = viewState.yaw;
    for (int pass = 0; pass < 30; ++pass) {
        NavigationStep();
        EXPECT_GT(viewState.yaw, previous) << "pass " << pass;
        previous = viewState.yaw;
    }
    EXPECT_NEAR(viewState.yaw, 182.95, 1e-3);

    LeftButtonDown(1000, 1000);
    MouseMove(kLeftButtonState, 800, 1000);  // a fast turn the other way
    Passes(20);
    LeftButtonUp();
    Passes(300);
    EXPECT_EQ(viewState.spin, 0);
    EXPECT_LT(viewState.yaw, -180.0f);
    const float unwrapped = viewState.yaw;

    KeyDown(kKeyUp);
    NavigationStep();
    EXPECT_GE(viewState.yaw, -180.0f);
    EXPECT_LE(viewState.yaw, 180.0f);
    EXPECT_NEAR(std::remainder(double(viewState.yaw) - double(unwrapped), 360.0), 0.0, 1e-3);
}

// On a full sphere the centre of the view reaches either pole exactly.
TEST_F(Navigation, DirectionKeysReachThePolesOfASphere) {
    for (const auto& [key, pole] : {std::pair{kKeyUp, -90.0f}, std::pair{kKeyDown, 90.0f}}) {
        testing::ResetRecords();
        PrepareSphere();
        KeyDown(key);
        Passes(700);  // 90 degrees at 0.15 per pass is 600 passes
        EXPECT_EQ(viewState.pitch, pole);
        EXPECT_EQ(viewState.targetPitch, pole);
    }
}

// On a band of +-60 the edges of the view stay inside the band; the top edge
// stays eyeLens degrees below the band's top.
TEST_F(Navigation, DirectionKeysKeepTheViewInsideABand) {
    for (const int32_t eyeLens : {0, 4}) {
        for (const int32_t key : {kKeyUp, kKeyDown}) {
            testing::ResetRecords();
            Prepare(3000, 1000, 1, eyeLens);
            ASSERT_EQ(viewState.pitchMax, 60.0f);
            ASSERT_EQ(viewState.pitchMin, -60.0f + eyeLens);
            const float half = HalfVerticalFov(viewState.fov);
            KeyDown(key);
            Passes(600);
            const std::string what =
                "eyeLens " + std::to_string(eyeLens) + ", key " + std::to_string(key);
            if (key == kKeyUp) {
                EXPECT_EQ(viewState.pitch, viewState.pitchMin + half) << what;
                EXPECT_NEAR(viewState.pitch - half, -60.0 + eyeLens, 1e-4) << what;
            } else {
                EXPECT_EQ(viewState.pitch, viewState.pitchMax - half) << what;
                EXPECT_NEAR(viewState.pitch + half, 60.0, 1e-4) << what;
            }
            EXPECT_EQ(viewState.halfVFov, half) << what;
        }
    }
}

// Zooming out at the edge of a band makes the view taller: the same pass
// moves it back inside, without any drag.
TEST_F(Navigation, ZoomOutAtTheEdgeOfABandKeepsTheViewInside) {
    Prepare(3000, 1000, 1, 4);
    viewState.fov = 60;
    KeyDown(kKeyUp);
    Passes(600);
    KeyUp(kKeyUp);
    KeyDown(kKeyControl);
    for (int pass = 0; pass < 20; ++pass) {
        NavigationStep();
        const float half = HalfVerticalFov(viewState.fov);
        EXPECT_EQ(viewState.halfVFov, half) << "pass " << pass;
        EXPECT_EQ(viewState.pitch, viewState.pitchMin + half) << "pass " << pass;
        EXPECT_EQ(viewState.lastFov, viewState.fov) << "pass " << pass;
    }
    // Zooming back in leaves the direction where it is.
    const float pitch = viewState.pitch;
    KeyDown(kKeyShift);
    Passes(5);
    EXPECT_EQ(viewState.pitch, pitch);
}

// Full size: the client area less the status bar, an even height, a width
// that is a multiple of 4 (from the height for 4:3), centred.
TEST_F(Navigation, FullSizeFitsTheClientArea) {
    struct Case {
        int32_t clientWidth, clientHeight, statusBar, wideFormat;
        FullSizeView want;
    };
    const Case cases[] = {
        {1600, 1020, 20, 0, {1496, 1000, 52}},
        {1600, 1020, 20, 1, {1600, 1000, 0}},
        {1366, 741, 20, 1, {1364, 720, 1}},
        {1366, 741, 20, 0, {1076, 720, 145}},
        {1003, 500, 0, 1, {1000, 500, 2}},  // 1.5 rounds to 2
        {1001, 500, 0, 1, {1000, 500, 0}},  // 0.5 rounds to 0
        {1005, 500, 0, 1, {1004, 500, 0}},
        {1007, 500, 0, 1, {1004, 500, 2}},
        {1920, 1061, 20, 0, {1556, 1040, 182}},
        {4, 3, 1, 1, {4, 2, 0}},
        {3, 10, 0, 1, {0, 10, 2}},
        // A 4:3 view wider than a tall, narrow client area is centred and
        // cut on both sides.
        {1080, 1920, 0, 0, {2876, 1920, -898}},
    };
    for (const Case& c : cases) {
        const FullSizeView got = FitViewToClient(c.clientWidth, c.clientHeight, c.statusBar, c.wideFormat);
        const std::string what = std::to_string(c.clientWidth) + " x " +
                                 std::to_string(c.clientHeight) + " less " +
                                 std::to_string(c.statusBar) + ", wideFormat " +
                                 std::to_string(c.wideFormat);
        EXPECT_EQ(got.width, c.want.width) << what;
        EXPECT_EQ(got.height, c.want.height) << what;
        EXPECT_EQ(got.offsetX, c.want.offsetX) << what;
    }
}

// A client area with no room for a view gives an empty view, never a
// negative size; extreme sizes stay defined.
TEST_F(Navigation, FullSizeWithoutRoomGivesAnEmptyView) {
    constexpr int32_t kMin = std::numeric_limits<int32_t>::min();
    constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
    struct Case {
        int32_t clientWidth, clientHeight, statusBar;
    };
    for (const int32_t wideFormat : {0, 1}) {
        for (const Case& c : {Case{0, 0, 0}, Case{-5, -5, 0}, Case{800, 10, 20}, Case{800, 20, 20},
                              Case{800, 21, 20}, Case{0, 1000, 20}, Case{-800, 1000, 20},
                              Case{800, -1000, 20}, Case{kMin, kMin, kMax}, Case{800, kMin, kMax}}) {
            const FullSizeView got = FitViewToClient(c.clientWidth, c.clientHeight, c.statusBar, wideFormat);
            const std::string what = std::to_string(c.clientWidth) + " x " +
                                     std::to_string(c.clientHeight) + " less " +
                                     std::to_string(c.statusBar) + ", wideFormat " +
                                     std::to_string(wideFormat);
            EXPECT_EQ(got.width, 0) << what;
            EXPECT_EQ(got.height, 0) << what;
            EXPECT_EQ(got.offsetX, 0) << what;
        }
        for (const Case& c : {Case{kMax, kMax, 0}, Case{kMax, kMax, kMin}, Case{5, kMax, -7}}) {
            const FullSizeView got = FitViewToClient(c.clientWidth, c.clientHeight, c.statusBar, wideFormat);
            const std::string what = std::to_string(c.clientWidth) + " x " +
                                     std::to_string(c.clientHeight) + " less " +
                                     std::to_string(c.statusBar) + ", wideFormat " +
                                     std::to_string(wideFormat);
            EXPECT_GT(got.width, 0) << what;
            EXPECT_EQ(got.width % 4, 0) << what;
            EXPECT_GT(got.height, 0) << what;
            EXPECT_EQ(got.height % 2, 0) << what;
        }
    }
}

}  // namespace
}  // namespace lx
