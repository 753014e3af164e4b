// The real control panel for the whole run, switched on with its Power
// button, and the folder of test videos and pictures (its Linux path is the
// first argument). The tests run in file order from the built-in panorama.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "media/media_graph.h"
#include "media/still_picture.h"
#include "render/frames.h"
#include "shell/control_panel.h"
#include "video_harness.h"
#include "panel_harness.h"
#include "viewer_harness.h"

namespace {

class LoadEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        lx::appInstance = GetModuleHandleA(nullptr);
        lx::SetDisplayDefaults();
        InitCommonControls();
        WarmUpTheMediaFramework();
        ASSERT_NE(lx::CreateControlPanel(), nullptr);
        lx::testing::Click(lx::kPowerButtonId);
        ASSERT_TRUE(lx::testing::WaitFor(
            [] { return lx::stillRunnerState == 2 && lx::sourceFrame.width == 3500; }, 20000));
    }

private:
    // The first graph and the first message box of a process start threads
    // of the platform that live on after them; the tests count threads after
    // that.
    static void WarmUpTheMediaFramework() {
        const std::string path = lx::testing::VideoPath("h264_aac.mp4");
        std::thread graph([&] {
            CoInitialize(nullptr);
            if (!lx::BuildMediaGraph(std::wstring(path.begin(), path.end()))) {
                lx::RunGraph();
                Sleep(800);
                lx::StopGraph(5000);
            }
            lx::ReleaseGraph();
            CoUninitialize();
        });
        graph.join();
        lx::testing::MessageBoxWatcher boxes;
        MessageBoxA(nullptr, "warm-up", "warm-up", MB_OK);
    }
};

}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (argc > 1) lx::testing::SetVideoFolder(argv[1]);
    ::testing::AddGlobalTestEnvironment(new LoadEnvironment);
    return RUN_ALL_TESTS();
}
