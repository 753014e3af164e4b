// The source rows and output pixels a bilinear pass is said to touch,
// against what it does: rows outside the reach are overwritten with other
// noise and the frame must come out the same; where every pixel but the
// edges is said to be written, a frame started from noise must equal one
// started from zero but for row 0 and the last column.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "render/frames.h"
#include "render/projection.h"
#include "render/remap.h"
#include "support/core_fixture.h"
#include "support/views.h"

namespace lx {
namespace {

using testing::Describe;
using testing::View;

class BilinearReachTest : public testing::PreparedSource {
protected:
    void PrepareSized(int32_t width, int32_t height, int32_t outWidth, int32_t outHeight) {
        testing::ResetRecords();
        ASSERT_TRUE(StartRenderer());
        ASSERT_TRUE(AllocateSource(width, height));
        testing::FillWithNoise(uint32_t(width) * 31u + uint32_t(height));
        original_.assign(sourceFrame.pixels.get(), sourceFrame.pixels.get() + sourceFrame.capacity);
        ASSERT_TRUE(outWidth > 0 ? PrepareSourceWithOutput(outWidth, outHeight) : PrepareSource());
    }

    BilinearReach SetView(const View& v) {
        viewState.yaw = v.yaw;
        viewState.pitch = v.pitch;
        viewState.fov = v.fov;
        BuildViewMatrix();
        ViewMatrix fresh{};
        BuildViewMatrixFor(v.yaw, v.pitch, v.fov, fresh);
        EXPECT_EQ(0, std::memcmp(fresh.fixedMatrix, viewMatrix.fixedMatrix, sizeof fresh.fixedMatrix));
        return BilinearReachOf(viewMatrix.fixedMatrix);
    }

    std::vector<uint8_t> Render(uint8_t outputFill) {
        std::memset(outputFrame.pixels.get(), outputFill, size_t(outputFrame.byteCount));
        RemapBilinear();
        return {outputFrame.pixels.get(), outputFrame.pixels.get() + outputFrame.byteCount};
    }

    // Rows outside [first, last] (and the slack above the picture) get other noise.
    void PoisonOutside(const BilinearReach& reach) {
        std::memcpy(sourceFrame.pixels.get(), original_.data(), original_.size());
        std::mt19937 random(77);
        const size_t rowBytes = size_t(sourceFrame.width) * 4;
        const size_t firstByte = size_t(reach.firstRow) * rowBytes;
        const size_t endByte = size_t(reach.lastRow + 1) * rowBytes;
        for (size_t i = 0; i < sourceFrame.capacity; ++i)
            if (i < firstByte || i >= endByte) sourceFrame.pixels[i] = uint8_t(random() >> 24);
    }

    // Returns false (with a failure) at the first view that breaks a promise.
    bool Check(const View& v) {
        const BilinearReach reach = SetView(v);
        const std::string where = "source " + std::to_string(sourceFrame.width) + " x " +
                                  std::to_string(sourceFrame.height) + ", output " +
                                  std::to_string(outputFrame.width) + " x " + std::to_string(outputFrame.height) +
                                  ", " + Describe(v);
        EXPECT_LE(0, reach.firstRow) << where;
        EXPECT_LE(reach.firstRow, reach.lastRow) << where;
        EXPECT_LT(reach.lastRow, sourceFrame.height) << where;
        std::memcpy(sourceFrame.pixels.get(), original_.data(), original_.size());
        const std::vector<uint8_t> expected = Render(0);
        PoisonOutside(reach);
        if (Render(0) != expected) {
            ADD_FAILURE() << where << ": reads rows outside " << reach.firstRow << " .. " << reach.lastRow;
            return false;
        }
        if (reach.allButEdgesWritten) {
            std::vector<uint8_t> fromNoise = Render(0xA7);
            const size_t rowBytes = size_t(outputFrame.width) * 4;
            std::memset(fromNoise.data(), 0, rowBytes);
            for (int32_t r = 0; r < outputFrame.height; ++r)
                std::memset(fromNoise.data() + size_t(r) * rowBytes + rowBytes - 4, 0, 4);
            if (fromNoise != expected) {
                ADD_FAILURE() << where << ": leaves pixels inside the edges unwritten";
                return false;
            }
        }
        ++(reach.allButEdgesWritten ? fullyWritten_ : partlyWritten_);
        return !::testing::Test::HasFailure();
    }

    std::vector<uint8_t> original_;
    int fullyWritten_ = 0;
    int partlyWritten_ = 0;
};

std::vector<View> RandomViews(int count, uint32_t seed) { return testing::RandomViews(count, seed, 1, 150); }

// The seam behind the viewer, both poles in and just out of the frame, the
// widest fov and the narrowest.
const std::vector<View> kEdgeViews = {
    {180, 0, 96},  {-180, 0, 96}, {179.9f, 3, 60}, {-179.95f, -3, 125}, {0, 90, 96},    {0, -90, 96},
    {45, 60, 96},  {45, -62, 96}, {-120, 75, 30},  {90, 0, 150},        {0, 0, 96},     {30, 10, 96},
    {-75, 10, 96}, {75, 10, 96},  {7, 0, 1},       {-133, 44, 150},     {-540, -45, 130},
    // The left edge on either side of the seam behind: on a 3501-wide
    // source the last column up to yaw -150.246 is one before the first.
    {-150.2455f, 0, 60}, {-150.246f, 0, 60}, {-150.2465f, 0, 60}, {-150.25f, 0, 60},
};

struct SizeCase {
    int32_t width, height, outWidth, outHeight;  // outWidth 0: the viewer's frame
    int randomViews;
};

const std::vector<SizeCase> kSizes = {
    {3840, 1920, 1920, 1080, 12}, {3840, 1920, 0, 0, 12}, {3501, 1751, 0, 0, 12}, {1001, 333, 640, 360, 40},
    {640, 401, 30, 96, 40},       {8000, 300, 0, 0, 20},  {16, 8, 6, 4, 60},
};

TEST_F(BilinearReachTest, ReadsOnlyTheRowsOfItsReachAndWritesWhatItPromises) {
    uint32_t seed = 1;
    for (const SizeCase& size : kSizes) {
        PrepareSized(size.width, size.height, size.outWidth, size.outHeight);
        std::vector<View> views = kEdgeViews;
        const std::vector<View> random = RandomViews(size.randomViews, seed++);
        views.insert(views.end(), random.begin(), random.end());
        for (const View& v : views)
            if (!Check(v)) return;
    }
    // Both answers occur, or the checks above prove little.
    EXPECT_GT(fullyWritten_, 20);
    EXPECT_GT(partlyWritten_, 20);
}

// A reframing view of a 4K panorama reads about a third of its rows and
// writes its whole frame; a view of the pole reaches the top row.
TEST_F(BilinearReachTest, TypicalViewsReachWhatTheyShould) {
    PrepareSized(3840, 1920, 1920, 1080);
    const BilinearReach level = SetView({30, 10, 96});
    EXPECT_TRUE(level.allButEdgesWritten);
    EXPECT_LT(level.lastRow - level.firstRow + 1, 1920 * 2 / 5);
    EXPECT_GT(level.lastRow - level.firstRow + 1, 1920 / 3);
    const BilinearReach up = SetView({0, 80, 96});
    EXPECT_FALSE(up.allButEdgesWritten);
    EXPECT_EQ(1919, up.lastRow);
    const BilinearReach behind = SetView({180, 0, 60});
    EXPECT_FALSE(behind.allButEdgesWritten);
}

}  // namespace
}  // namespace lx
