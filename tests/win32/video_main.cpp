// One viewer for the whole run, switched on the way the power button does it,
// and the folder of test videos (its Linux path is the first argument).
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <string>

#include "media/still_picture.h"
#include "render/pipeline.h"
#include "shell/control_panel.h"
#include "shell/viewer_window.h"
#include "video_harness.h"
#include "viewer_harness.h"

namespace {

class VideoEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        lx::appInstance = GetModuleHandleA(nullptr);
        lx::SetDisplayDefaults();
        InitCommonControls();
        lx::panelWindow = lx::testing::CreateStandInPanel();
        ASSERT_TRUE(lx::CreateViewerWindow());
        lx::SetPassHooks(&lx::testing::countingHooks);
        ASSERT_TRUE(lx::testing::WaitFor([] { return lx::stillRunnerState == 2; }, 20000));
        WarmUpTheMediaFramework();
    }

private:
    // The first graph and the first message box of a process start threads
    // of the platform that live on after them; counts of threads are
    // compared after that.
    static void WarmUpTheMediaFramework() {
        lx::testing::MessageBoxWatcher boxes;
        lx::testing::OpenVideo(lx::testing::VideoPath("missing.mp4"));
        ASSERT_TRUE(lx::testing::WaitFor([&] { return !boxes.Seen().empty(); }, 20000));
        ASSERT_TRUE(lx::testing::EndVideo());
        lx::testing::OpenVideo(lx::testing::VideoPath("h264_aac.mp4"));
        ASSERT_TRUE(lx::testing::WaitUntilPlaying());
        lx::testing::PumpFor(500);
        ASSERT_TRUE(lx::testing::EndVideo());
        lx::testing::OpenStill(lx::testing::WriteTempFile("video_test_pano.jpg",
                                                          lx::testing::BuiltInPanoramaBytes()));
        ASSERT_TRUE(lx::testing::WaitFor([] { return lx::stillRunnerState == 2; }, 20000));
    }
};

}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (argc > 1) lx::testing::SetVideoFolder(argv[1]);
    ::testing::AddGlobalTestEnvironment(new VideoEnvironment);
    return RUN_ALL_TESTS();
}
