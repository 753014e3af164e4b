// One control panel for the whole run, built the way the program starts. The
// tests run in file order: the off state first, then power-on, then the
// switched-on panel, and last the exit that destroys it.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include "shell/control_panel.h"

namespace {

class PanelEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        lx::appInstance = GetModuleHandleA(nullptr);
        lx::SetDisplayDefaults();
        InitCommonControls();
        ASSERT_NE(lx::CreateControlPanel(), nullptr);
    }
};

}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::AddGlobalTestEnvironment(new PanelEnvironment);
    return RUN_ALL_TESTS();
}
