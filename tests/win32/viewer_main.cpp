// One viewer for the whole run, switched on the way the power button does it.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include "media/still_picture.h"
#include "render/frames.h"
#include "render/pipeline.h"
#include "shell/control_panel.h"
#include "shell/viewer_window.h"
#include "viewer_harness.h"

namespace {

class ViewerEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        lx::appInstance = GetModuleHandleA(nullptr);
        lx::SetDisplayDefaults();
        InitCommonControls();
        lx::panelWindow = lx::testing::CreateStandInPanel();
        ASSERT_TRUE(lx::CreateViewerWindow());
        lx::SetPassHooks(&lx::testing::countingHooks);
        RecordStartup();
    }

private:
    static void RecordStartup() {
        using namespace lx;
        namespace harness = lx::testing;
        harness::Startup& s = harness::startup;
        s.loaded = harness::WaitFor([] { return stillRunnerState == 2; }, 20000);
        s.sourceWidth = sourceFrame.width;
        s.sourceHeight = sourceFrame.height;
        s.yaw = viewState.yaw;
        s.fov = viewState.fov;
        s.dragging = viewState.dragging;
        const int32_t paints = harness::countingHooks.paints;
        harness::PumpFor(1000);
        s.yawAfterOneSecond = viewState.yaw;
        s.passesInOneSecond = harness::countingHooks.paints - paints;
    }
};

}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::AddGlobalTestEnvironment(new ViewerEnvironment);
    return RUN_ALL_TESTS();
}
