#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "render/frames.h"
#include "render/projection.h"
#include "support/core_fixture.h"
#include "support/reference_remap.h"

namespace lx {
namespace {

using testing::PreparedSource;

class Projection : public PreparedSource {};

TEST_F(Projection, SecantTableIsComputedOneStepAhead) {
    Prepare(2048, 1024);
    EXPECT_EQ(tables.secantTable[0], 4096);  // t = 1/4096 rounds back to 4096
    EXPECT_EQ(tables.secantTable[4095], 5793);
    EXPECT_EQ(tables.secantTable[4096], 5793);
    for (int i = 1; i < kTableSize; ++i) EXPECT_LE(tables.secantTable[i - 1], tables.secantTable[i]);
}

TEST_F(Projection, AngleTableEndsDifferByTheFloatPi) {
    Prepare(3500, 1744);
    // Entry 4095 is atan of infinity, exactly pi/2; entry 4096 uses pi as a
    // 32-bit float, a little larger.
    EXPECT_EQ(tables.angleTable[4095], 224000);
    EXPECT_EQ(tables.angleTable[4096], 224001);
    EXPECT_EQ(tables.quarterTurn, 224000);
    EXPECT_EQ(tables.halfTurn, 448000);
    for (int i = 1; i < kTableSize; ++i) EXPECT_LE(tables.angleTable[i - 1], tables.angleTable[i]);
}

// The row and column tables name only pixels inside the source buffer: rows
// 0..H - 1 above the horizon, 1..H below it (row H lies in the slack), and
// columns 0..W - 1 after their one wrap correction.
TEST_F(Projection, RowAndColumnTablesStayInsideTheSource) {
    struct Case {
        int32_t width, height;
    };
    for (const Case& c : {Case{1, 3}, Case{2, 3}, Case{5, 7}, Case{301, 301}, Case{3500, 1744},
                          Case{8000, 300}, Case{1000, 2000}}) {
        testing::ResetRecords();
        Prepare(c.width, c.height);
        const ProjectionTables& t = tables;
        // a is at least 1: the first up row is one above the middle row, the
        // first down row the middle row itself.
        EXPECT_EQ(t.rowUp[0], std::min(t.middleRow + 1, c.height - 1));
        EXPECT_EQ(t.rowDown[0], std::max(1, std::min(t.middleRow, c.height)));
        for (int i = 0; i < kTableSize; ++i) {
            EXPECT_GE(t.rowUp[i], 0);
            EXPECT_LE(t.rowUp[i], c.height - 1);
            EXPECT_GE(t.rowDown[i], 1);
            EXPECT_LE(t.rowDown[i], c.height);
            for (const int32_t column : {t.colFrontRight[i], t.colFrontLeft[i], t.colBackRight[i],
                                         t.colBackLeft[i]}) {
                EXPECT_GE(column, 0) << c.width << " x " << c.height << " entry " << i;
                EXPECT_LT(column, c.width) << c.width << " x " << c.height << " entry " << i;
            }
        }
    }
}

// Looking a quarter turn sideways lands a quarter of the picture away from
// the middle column.
TEST_F(Projection, ColumnTablesEndAQuarterTurnFromTheMiddle) {
    Prepare(2048, 1024);
    EXPECT_EQ(tables.middleColumn, 1024);
    // 90 degrees is just under 512 pixels; adding a half and rounding gives 512.
    EXPECT_EQ(tables.colFrontRight[4096], 1024 + 512);
    EXPECT_EQ(tables.colFrontLeft[4096], 1024 - 512);
    EXPECT_EQ(tables.colBackRight[4096], 2048 - 512);
    EXPECT_EQ(tables.colBackLeft[4096], 512);
    EXPECT_EQ(tables.colFrontRight[0], 1025);
    EXPECT_EQ(tables.rowUp[4096], 1023);  // clamped to the top row
    EXPECT_EQ(tables.rowDown[4096], 1);   // clamped to row 1
}

TEST_F(Projection, ProductTableHoldsProducts) {
    Prepare(64, 32);
    for (int f : {0, 1, 128, 255})
        for (int v : {0, 7, 200, 255}) EXPECT_EQ(tables.productTable[f * 256 + v], f * v);
}

struct OutputSizeCase {
    int32_t sourceWidth, sourceHeight, wideFormat;
    int32_t outWidth, outHeight, viewWidth, viewHeight, windowSize;
};

class OutputSize : public PreparedSource, public ::testing::WithParamInterface<OutputSizeCase> {};

TEST_P(OutputSize, FollowsTheSourceHeight) {
    const OutputSizeCase& c = GetParam();
    Prepare(c.sourceWidth, c.sourceHeight, c.wideFormat);
    EXPECT_EQ(outputFrame.width, c.outWidth);
    EXPECT_EQ(outputFrame.height, c.outHeight);
    EXPECT_EQ(viewerSettings.viewWidth, c.viewWidth);
    EXPECT_EQ(viewerSettings.viewHeight, c.viewHeight);
    EXPECT_EQ(viewerSettings.windowSize, c.windowSize);
    EXPECT_EQ(outputFrame.pixelCount, c.outWidth * c.outHeight);
    EXPECT_EQ(outputFrame.byteCount, 4 * c.outWidth * c.outHeight);
    EXPECT_EQ(outputFrame.xFirst, -((c.outWidth - 1) >> 1));
    EXPECT_EQ(outputFrame.xLast, outputFrame.xFirst + c.outWidth - 1);
    EXPECT_EQ(outputFrame.yFirst, -(c.outHeight >> 1));
    EXPECT_EQ(outputFrame.yLast, outputFrame.yFirst + c.outHeight - 1);
    EXPECT_EQ(sourceFrame.rowBytes, 4 * c.sourceWidth);
    EXPECT_FLOAT_EQ(tables.pixelAngle, 2.0f / c.outWidth);

    const BitmapInfoHeader& h = outputFrame.header;
    EXPECT_EQ(h.size, 40u);
    EXPECT_EQ(h.width, c.outWidth);
    EXPECT_EQ(h.height, c.outHeight);
    EXPECT_EQ(h.planes, 1);
    EXPECT_EQ(h.bitCount, 32);
    EXPECT_EQ(h.compression, 0u);
    EXPECT_EQ(h.sizeImage, uint32_t(4 * c.outWidth * c.outHeight));
    EXPECT_EQ(h.xPelsPerMeter | h.yPelsPerMeter | int32_t(h.clrUsed | h.clrImportant), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, OutputSize,
    ::testing::Values(OutputSizeCase{600, 300, 0, 400, 300, 400, 300, kSmall},
                      OutputSizeCase{600, 300, 1, 400, 300, 534, 300, kSmall},
                      OutputSizeCase{798, 399, 1, 532, 399, 534, 300, kSmall},
                      OutputSizeCase{1, 3, 1, 4, 3, 534, 300, kSmall},
                      OutputSizeCase{10, 5, 0, 4, 5, 400, 300, kSmall},
                      OutputSizeCase{800, 400, 0, 800, 600, 640, 480, kStandard},
                      OutputSizeCase{3500, 1744, 1, 1064, 600, 852, 480, kStandard},
                      OutputSizeCase{4001, 2000, 0, 800, 600, 640, 480, kStandard}));

TEST_F(Projection, MiddleRowAndColumnRoundHalvesToEven) {
    Prepare(301, 301);
    EXPECT_EQ(tables.middleRow, 150);
    EXPECT_EQ(tables.middleColumn, 150);
    testing::ResetRecords();
    Prepare(303, 303);
    EXPECT_EQ(tables.middleRow, 152);
    EXPECT_EQ(tables.middleColumn, 152);
}

struct LimitCase {
    int32_t width, height, wideFormat, eyeLens;
    float pitchMax, pitchMin, fovStart;
};

class Limits : public PreparedSource, public ::testing::WithParamInterface<LimitCase> {};

TEST_P(Limits, FollowTheSourceBand) {
    const LimitCase& c = GetParam();
    Prepare(c.width, c.height, c.wideFormat, c.eyeLens);
    EXPECT_FLOAT_EQ(viewState.pitchMax, c.pitchMax);
    EXPECT_FLOAT_EQ(viewState.pitchMin, c.pitchMin);
    EXPECT_NEAR(viewState.fovStart, c.fovStart, 0.005);
    EXPECT_EQ(viewState.fovMax, viewState.fovStart);  // the fit always shrinks at least once
    EXPECT_EQ(viewState.fovMin, 25);
    EXPECT_EQ(viewState.fov, viewState.fovStart);
    EXPECT_EQ(viewState.yaw, -90);
    EXPECT_EQ(viewState.pitch, 0);
    EXPECT_EQ(viewState.targetPitch, 0);
    // The start view fits the band: its vertical extent is no higher.
    EXPECT_LT(2 * HalfVerticalFov(viewState.fovStart), viewState.pitchMax - viewState.pitchMin);
}

INSTANTIATE_TEST_SUITE_P(
    Sources, Limits,
    ::testing::Values(LimitCase{2048, 1024, 0, 0, 90, -90, 123.76f},
                      LimitCase{2048, 1024, 0, 4, 90, -90, 123.76f},  // full sphere: no eye-lens
                      LimitCase{3500, 1744, 1, 0, 180.0f * 1744 / 3500, -180.0f * 1744 / 3500, 123.76f},
                      LimitCase{3000, 1000, 1, 0, 60, -60, 123.76f},
                      LimitCase{3000, 1000, 1, 4, 60, -56, 123.76f},
                      LimitCase{1000, 800, 0, 4, 90, -90, 123.76f},  // taller than the sphere
                      LimitCase{8000, 300, 0, 0, 6.75f, -6.75f, 17.78f}));

TEST_F(Projection, FlatSourceStartsBelowTheZoomBound) {
    Prepare(8000, 300, 0);
    EXPECT_LT(viewState.fovStart, 18);
    EXPECT_LT(viewState.fovStart, viewState.fovMin);
    EXPECT_EQ(viewState.fovMax, viewState.fovStart);
}

// A band no higher than the eye-lens margin would leave the start-fov fit
// shrinking forever; the margin is dropped for such a band.
TEST_F(Projection, BandLowerThanTheEyeLensMarginStillGetsAView) {
    Prepare(9000, 90, 1, 4);  // v = 1.8 degrees, eye-lens 4
    EXPECT_FLOAT_EQ(viewState.pitchMax, 1.8f);
    EXPECT_FLOAT_EQ(viewState.pitchMin, -1.8f);
    EXPECT_GT(viewState.fovStart, 0);
    EXPECT_LT(2 * HalfVerticalFov(viewState.fovStart), 3.6f);
}

TEST_F(Projection, HalfVerticalFovUsesTheFloatConstants) {
    outputFrame.width = outputFrame.height = 600;
    EXPECT_FLOAT_EQ(HalfVerticalFov(90), 44.99997f);
    EXPECT_NE(HalfVerticalFov(90), 45.0f);
}

TEST_F(Projection, SizesOutsideTheLimitsAreRefusedWithoutChange) {
    struct Case {
        int32_t width, height;
        bool accepted;
    };
    const std::vector<Case> cases = {
        {1, 3, true},         {1, 2, false},         {0, 3, false},          {-5, 100, false},
        {3, 0, false},        {16384, 8192, true},   {8192, 16384, true},    {16385, 100, false},
        {100, 16385, false},  {16384, 16384, false}, {16384, 8193, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(SourceSizeAccepted(c.width, c.height), c.accepted) << c.width << " x " << c.height;
        EXPECT_EQ(SourceSizeProblem(c.width, c.height).empty(), c.accepted);
    }

    Prepare(2048, 1024);
    const int32_t width = outputFrame.width;
    sourceFrame.width = 4000;
    sourceFrame.height = 2;
    EXPECT_FALSE(PrepareSource());
    EXPECT_EQ(outputFrame.width, width);
}

class RecordingHooks : public ShellHooks {
public:
    void ResizeViewerWindow() override { events.push_back("resize"); }
    void FullScreenOff() override { events.push_back("full-screen off"); }
    void SetSizeLabel(const std::string& text) override { events.push_back("size " + text); }
    void SetLengthLabel(const std::string& text) override { events.push_back("length " + text); }
    std::vector<std::string> events;
};

TEST_F(Projection, TellsTheWindowsAboutTheNewSource) {
    RecordingHooks hooks;
    SetShellHooks(&hooks);
    Prepare(3500, 1744);
    EXPECT_EQ(hooks.events, (std::vector<std::string>{"resize", "full-screen off", "size 3500x1744",
                                                      "length off"}));
}

// The centre of the frame looks at longitude yaw: yaw -90 is a quarter of the
// way round from the left edge of the picture.
TEST_F(Projection, CentreOfTheViewLooksAtTheYaw) {
    Prepare(2048, 1024, 0);
    testing::FillWithCoordinates();
    struct Case {
        float yaw, pitch;
        int32_t column, row;
    };
    const std::vector<Case> cases = {{-90, 0, 512, 512}, {0, 0, 1024, 512}, {90, 0, 1536, 512},
                                     {0, -45, 1024, 768}, {0, 45, 1024, 256}};
    for (const Case& c : cases) {
        viewState.yaw = c.yaw;
        viewState.pitch = c.pitch;
        BuildViewMatrix();
        reference::RemapNearest();
        // Output pixel for x = 0, y = 0.
        const int32_t k = -outputFrame.xFirst - 1;
        const int32_t r = -outputFrame.yFirst - 1;
        uint32_t value;
        std::memcpy(&value, outputFrame.pixels.get() + (size_t(r) * outputFrame.width + k) * 4, 4);
        EXPECT_NEAR(int32_t(value & 0xFFFF), c.column, 1) << c.yaw << ", " << c.pitch;
        EXPECT_NEAR(int32_t(value >> 16), c.row, 1) << c.yaw << ", " << c.pitch;
    }
}

// The remaps' 32-bit arithmetic needs every direction component small enough
// that a component shifted left by 12 bits and a horizontal length times a
// secant entry (at most 5793) both fit in 32 unsigned bits, for every output
// size and every fov up to the render limit. Views the viewer can reach
// (fov up to about 127) stay below 2^19.
TEST_F(Projection, DirectionComponentsFitTheRemapArithmetic) {
    const int64_t safeLimit = int64_t(0xFFFFFFFFu) / 5793;  // 741,455
    for (const int32_t height : {3, 5, 7, 300, 399, 1024}) {
        for (const int32_t wide : {0, 1}) {
            testing::ResetRecords();
            Prepare(std::max(1, height * 2), height, wide);
            for (const float fov : {0.5f, 17.0f, 25.0f, 96.0f, 127.0f, kMaxRenderFov}) {
                const int64_t limit = fov <= 127.0f ? (1 << 19) : safeLimit;
                for (const float pitch : {-90.0f, -33.0f, 0.0f, 61.0f, 83.0f, 90.0f}) {
                    for (const float yaw : {-135.0f, -45.0f, 0.0f, 37.0f, 90.0f}) {
                        viewState.fov = fov;
                        viewState.pitch = pitch;
                        viewState.yaw = yaw;
                        BuildViewMatrix();
                        ASSERT_EQ(viewMatrix.fixedMatrix[1][0], 0);
                        for (const int32_t x : {outputFrame.xFirst, outputFrame.xLast + 1})
                            for (const int32_t y : {outputFrame.yFirst, outputFrame.yLast + 1}) {
                                const reference::Direction d = reference::DirectionAt(x, y);
                                for (const int32_t component : {d.x, d.y, d.z})
                                    EXPECT_LT(std::abs(int64_t(component)), limit)
                                        << height << " rows, fov " << fov << ", pitch " << pitch
                                        << ", yaw " << yaw;
                            }
                    }
                }
            }
        }
    }
}

// A chosen output size: the tallest frame accepted for a width, and every
// size accepted, keep every direction component inside the remaps' range
// for every fov the renderer takes; one row taller is refused.
int32_t TallestAcceptedHeight(int32_t width) {
    int32_t height = 2;
    while (OutputSizeProblem(width, height + 2).empty()) height += 2;
    return height;
}

TEST_F(Projection, ChosenOutputSizesKeepDirectionsInRange) {
    const int64_t limit = int64_t(0xFFFFFFFFu) / 5793;
    std::vector<std::pair<int32_t, int32_t>> sizes = {{2, 2}, {1064, 600}, {1920, 1080}, {1078, 1080}};
    for (const int32_t width : {2, 64, 1000}) {
        const int32_t tallest = TallestAcceptedHeight(width);
        EXPECT_LT(tallest, 4 * width) << width;
        EXPECT_FALSE(OutputSizeProblem(width, tallest + 2).empty()) << width;
        sizes.push_back({width, tallest});
    }
    for (const auto& [width, height] : sizes) {
        testing::ResetRecords();
        ASSERT_TRUE(StartRenderer());
        ASSERT_TRUE(AllocateSource(2048, 1024));
        ASSERT_TRUE(PrepareSourceWithOutput(width, height)) << width << " x " << height;
        for (const float fov : {0.5f, 17.0f, 17.2f, 60.0f, 127.0f, kMaxRenderFov}) {
            for (const float pitch : {-90.0f, -45.0f, 0.0f, 45.0f, 90.0f}) {
                for (const float yaw : {-135.0f, -45.0f, 0.0f, 45.0f, 90.0f}) {
                    viewState.fov = fov;
                    viewState.pitch = pitch;
                    viewState.yaw = yaw;
                    BuildViewMatrix();
                    for (const int32_t x : {outputFrame.xFirst, outputFrame.xLast + 1})
                        for (const int32_t y : {outputFrame.yFirst, outputFrame.yLast + 1}) {
                            const reference::Direction d = reference::DirectionAt(x, y);
                            for (const int32_t component : {d.x, d.y, d.z})
                                ASSERT_LT(std::abs(int64_t(component)), limit)
                                    << width << " x " << height << ", fov " << fov << ", pitch "
                                    << pitch << ", yaw " << yaw;
                        }
                }
            }
        }
    }
}

TEST_F(Projection, ChosenOutputSizeIsRefusedWhenOddTinyOrTooLarge) {
    struct Case {
        int32_t width, height;
        const char* reason;
    };
    const std::vector<Case> cases = {
        {0, 0, "even"},        {1063, 600, "even"},      {1064, 599, "even"},  {-2, 4, "even"},
        {3000, 1000, "large"}, {1582, 1582, "large"},    {2, 16, "tall"},      {16384, 2, ""},
        {1920, 1080, ""},      {2, 2, ""},
    };
    for (const Case& c : cases) {
        const std::string problem = OutputSizeProblem(c.width, c.height);
        if (std::string(c.reason).empty()) {
            EXPECT_EQ(problem, "") << c.width << " x " << c.height;
        } else {
            EXPECT_NE(problem.find(c.reason), std::string::npos)
                << c.width << " x " << c.height << ": " << problem;
        }
    }
}

// With a chosen size, everything that follows the frame size is computed
// from it as the viewer computes it for its own sizes, and a refused size
// changes nothing.
TEST_F(Projection, ChosenOutputSizeDrivesTheFrameAndTheStartFov) {
    Prepare(4000, 1000);
    const ViewState viewerChoice = viewState;
    const float viewerAspect = tables.aspect;
    ASSERT_TRUE(PrepareSourceWithOutput(1064, 600));
    EXPECT_EQ(viewState.fovStart, viewerChoice.fovStart);  // the viewer's own size
    EXPECT_EQ(tables.aspect, viewerAspect);

    ASSERT_TRUE(PrepareSourceWithOutput(1280, 960));
    EXPECT_EQ(outputFrame.byteCount, 4 * 1280 * 960);
    EXPECT_EQ(outputFrame.pixelCount, 1280 * 960);
    EXPECT_EQ(outputFrame.header.width, 1280);
    EXPECT_EQ(outputFrame.header.height, 960);
    EXPECT_EQ(outputFrame.xFirst, -639);
    EXPECT_EQ(outputFrame.yFirst, -480);
    EXPECT_EQ(tables.pixelAngle, float(2.0 / 1280));
    EXPECT_EQ(tables.aspect, 0.75f);
    // A taller frame starts at a smaller fov to fit the 90-degree band.
    EXPECT_LT(viewState.fovStart, viewerChoice.fovStart);
    EXPECT_LT(2 * HalfVerticalFov(viewState.fovStart), viewState.pitchMax - viewState.pitchMin);
    EXPECT_EQ(viewerSettings.viewWidth, 852);  // the viewer's window is not the tool's business

    const OutputFrame& out = outputFrame;
    EXPECT_FALSE(PrepareSourceWithOutput(1921, 1080));
    EXPECT_EQ(out.width, 1280);
    EXPECT_EQ(out.height, 960);
}

TEST_F(Projection, FixedScaleStopsGrowingBelowPointThreeRadians) {
    Prepare(2048, 1024);
    viewState.fov = 10;  // 0.1745 radians
    BuildViewMatrix();
    EXPECT_EQ(viewMatrix.fixedScale, 436906.65625f);
    viewState.fov = 90;
    BuildViewMatrix();
    EXPECT_FLOAT_EQ(viewMatrix.fixedScale, float(131072.0 / float(0.017453292f * 90.0)));
}

// A new source with another output width at the same fov must not keep the
// previous source's plane scale or half vertical fov.
TEST_F(Projection, NewSourceInvalidatesTheFovCaches) {
    Prepare(2048, 1024, 1);  // 1064 x 600
    const float fov = viewState.fov;
    BuildViewMatrix();
    const float wideScale = viewMatrix.planeScale;
    viewState.lastFov = fov;

    viewerSettings.wideFormat = 0;  // 800 x 600, same start fov
    ASSERT_TRUE(PrepareSource());
    ASSERT_EQ(viewState.fov, fov);
    EXPECT_NE(viewState.lastFov, fov);
    BuildViewMatrix();
    EXPECT_NE(viewMatrix.planeScale, wideScale);
    EXPECT_FLOAT_EQ(viewMatrix.planeScale, float(2.0 / 800 * std::tan(0.5 * viewMatrix.fovRadians)));
}

}  // namespace
}  // namespace lx
