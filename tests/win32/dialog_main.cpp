// The control panel switched on, with the built-in panorama turning, for
// the tests of the Options and About dialogs.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include "media/still_picture.h"
#include "render/frames.h"
#include "shell/control_panel.h"
#include "viewer_harness.h"

namespace {

class SwitchedOnPanel : public ::testing::Environment {
public:
    void SetUp() override {
        lx::appInstance = GetModuleHandleA(nullptr);
        lx::SetDisplayDefaults();
        InitCommonControls();
        ASSERT_NE(lx::CreateControlPanel(), nullptr);
        const HWND power = GetDlgItem(lx::panelWindow, lx::kPowerButtonId);
        SendMessageA(lx::panelWindow, WM_COMMAND, MAKEWPARAM(lx::kPowerButtonId, 0), LPARAM(power));
        ASSERT_TRUE(lx::testing::WaitFor(
            [] { return lx::stillRunnerState == 2 && lx::sourceFrame.width == 3500; }, 20000));
    }
};

}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::AddGlobalTestEnvironment(new SwitchedOnPanel);
    return RUN_ALL_TESTS();
}
