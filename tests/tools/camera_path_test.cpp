// The reframing camera: path files line by line, interpolation at, between
// and outside keyframes, yaw taken as written, and the viewer's clamps.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "render/frames.h"
#include "render/projection.h"
#include "support/core_fixture.h"
#include "tools/lx360render/camera_path.h"

namespace lx::tool {
namespace {

TEST(CameraPathFile, SkipsBlankAndCommentLines) {
    const PathParse parsed = ParseCameraPath(
        "# time,yaw,pitch,fov\n\n  # indented comment\n0,10,0,90\r\n \t\n2.5, -20 ,5,60\n", "p.txt");
    ASSERT_TRUE(parsed.ok) << parsed.error;
    ASSERT_EQ(parsed.keyframes.size(), 2u);
    EXPECT_EQ(parsed.keyframes[1].time, 2.5);
    EXPECT_EQ(parsed.keyframes[1].view.yaw, -20.0f);
    EXPECT_EQ(parsed.keyframes[1].view.pitch, 5.0f);
    EXPECT_EQ(parsed.keyframes[1].view.fov, 60.0f);
}

TEST(CameraPathFile, NamesTheFileAndTheBadLine) {
    struct Case {
        const char* text;
        const char* message;
    };
    const std::vector<Case> cases = {
        {"0,0,0,90\n1,0,0\n", "line 2: expected time,yaw,pitch,fov"},
        {"0,0,0,90,5\n", "line 1: expected time,yaw,pitch,fov"},
        {"# a\n\nzero,0,0,90\n", "line 3: bad time"},
        {"0,east,0,90\n", "line 1: bad yaw"},
        {"0,0,,90\n", "line 1: bad pitch"},
        {"0,0,0,90x\n", "line 1: bad fov"},
        {"0,nan,0,90\n", "line 1: bad yaw"},
        {"0,1e39,0,90\n", "line 1: bad yaw"},
        {"-1,0,0,90\n", "line 1: time is negative"},
        {"0,0,0,0\n", "line 1: fov is not above 0"},
        {"0,0,0,151\n", "line 1: fov is not above 0"},
        {"0,0,0,90\n1,0,0,90\n1,5,0,90\n", "line 3: time does not grow"},
        {"0,0,0,90\n2,0,0,90\n1,5,0,90\n", "line 3: time does not grow"},
        {"", "no keyframes"},
        {"# only a comment\n\n", "no keyframes"},
    };
    for (const Case& c : cases) {
        const PathParse parsed = ParseCameraPath(c.text, "cam.path");
        EXPECT_FALSE(parsed.ok) << c.text;
        EXPECT_EQ(parsed.error.find("cam.path: "), 0u) << parsed.error;
        EXPECT_NE(parsed.error.find(c.message), std::string::npos) << c.text << ": " << parsed.error;
        EXPECT_TRUE(parsed.keyframes.empty());
    }
}

TEST(CameraPathFile, ReportsAFileThatCannotBeRead) {
    const PathParse parsed = LoadCameraPath("/nonexistent/dir/path.txt");
    EXPECT_FALSE(parsed.ok);
    EXPECT_NE(parsed.error.find("/nonexistent/dir/path.txt: "), std::string::npos) << parsed.error;
}

// Interpolation and clamps against a prepared full-sphere source (pitch
// limits +-90, fov 25 to 123.76...).
class CameraPathViews : public lx::testing::PreparedSource {
protected:
    void SetUp() override { Prepare(2048, 1024); }

    static CameraPath FromText(const std::string& text) {
        const PathParse parsed = ParseCameraPath(text, "test");
        EXPECT_TRUE(parsed.ok) << parsed.error;
        return CameraPath::Keyframes(parsed.keyframes);
    }
};

TEST_F(CameraPathViews, InterpolatesLinearlyAndHoldsTheEnds) {
    const CameraPath path = FromText("1,10,0,90\n3,30,-20,50\n4,170,10,50\n");
    struct Case {
        double time;
        float yaw, pitch, fov;
    };
    const std::vector<Case> cases = {
        {0, 10, 0, 90},     {1, 10, 0, 90},   {1.5, 15, -5, 80}, {2, 20, -10, 70},
        {3, 30, -20, 50},   {3.5, 100, -5, 50}, {4, 170, 10, 50}, {100, 170, 10, 50},
    };
    for (const Case& c : cases) {
        const CameraView v = path.At(c.time);
        EXPECT_FLOAT_EQ(v.yaw, c.yaw) << c.time;
        EXPECT_FLOAT_EQ(v.pitch, c.pitch) << c.time;
        EXPECT_FLOAT_EQ(v.fov, c.fov) << c.time;
    }
}

TEST_F(CameraPathViews, YawCrossesTheSeamWithoutAJump) {
    const CameraPath right = FromText("0,170,0,90\n2,190,0,90\n");
    EXPECT_FLOAT_EQ(right.At(1).yaw, 180);
    EXPECT_FLOAT_EQ(right.At(1.5).yaw, 185);
    const CameraPath left = FromText("0,-170,0,90\n1,-190,0,90\n");
    EXPECT_FLOAT_EQ(left.At(0.5).yaw, -180);
    EXPECT_FLOAT_EQ(left.At(0.75).yaw, -185);
}

TEST_F(CameraPathViews, OneKeyframeHoldsEverywhere) {
    const CameraPath path = FromText("5,33,-12,70\n");
    for (const double t : {0.0, 5.0, 9.0}) {
        EXPECT_EQ(path.At(t).yaw, 33.0f);
        EXPECT_EQ(path.At(t).pitch, -12.0f);
        EXPECT_EQ(path.At(t).fov, 70.0f);
    }
}

TEST_F(CameraPathViews, ClampsFovToTheZoomRangeAndPitchToThePoles) {
    const float fovMax = viewState.fovMax;
    const CameraPath path = FromText("0,0,120,10\n1,0,-120,150\n");
    EXPECT_EQ(path.At(0).fov, viewState.fovMin);
    EXPECT_EQ(path.At(0).pitch, 90.0f);
    EXPECT_EQ(path.At(1).fov, fovMax);
    EXPECT_EQ(path.At(1).pitch, -90.0f);
}

TEST_F(CameraPathViews, KeepsTheViewInsideAPartialBand) {
    lx::testing::ResetRecords();
    Prepare(3000, 1000);  // a band of +-60 degrees
    const CameraPath path = FromText("0,0,80,60\n1,0,-80,60\n2,0,10,60\n");
    const float half = HalfVerticalFov(60);
    EXPECT_FLOAT_EQ(path.At(0).pitch, 60 - half);
    EXPECT_FLOAT_EQ(path.At(1).pitch, -60 + half);
    EXPECT_EQ(path.At(2).pitch, 10.0f);
}

// The reframer's decoder thread asks for views while the render thread
// draws one, so asking must leave the viewer's state as it was.
TEST_F(CameraPathViews, AskingForAViewLeavesTheViewerStateAlone) {
    const CameraPath path = FromText("0,0,80,10\n1,40,-80,150\n2,90,10,60\n");
    viewState.yaw = 12;
    viewState.pitch = 34;
    viewState.fov = 56;
    viewState.targetPitch = 7;
    viewState.halfVFov = 8;
    viewState.lastFov = 56;
    unsigned char before[sizeof(ViewState)];
    std::memcpy(before, &viewState, sizeof before);
    for (const double t : {0.0, 0.5, 1.0, 1.5, 2.0}) path.At(t);
    EXPECT_EQ(std::memcmp(before, &viewState, sizeof before), 0);
}

TEST_F(CameraPathViews, FixedViewTurnsAtItsRateUnclamped) {
    const CameraPath still = CameraPath::Fixed(CameraView{-90, 100, 150}, 0);
    EXPECT_EQ(still.At(7).yaw, -90.0f);
    EXPECT_EQ(still.At(7).pitch, 100.0f);  // a fixed view renders as given
    EXPECT_EQ(still.At(7).fov, 150.0f);
    const CameraPath turning = CameraPath::Fixed(CameraView{170, 0, 90}, 4);
    EXPECT_FLOAT_EQ(turning.At(0).yaw, 170);
    EXPECT_FLOAT_EQ(turning.At(2.5).yaw, 180);
    EXPECT_FLOAT_EQ(turning.At(10).yaw, 210);
}

}  // namespace
}  // namespace lx::tool
