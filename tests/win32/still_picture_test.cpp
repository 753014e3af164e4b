// Still pictures under Wine: JPEG files through the still runner, the black
// frame and its message for files that are not pictures, the stop handshake
// and the bound on render workers.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "media/still_picture.h"
#include "render/frames.h"
#include "render/pipeline.h"
#include "shell/control_panel.h"
#include "shell/viewer_window.h"
#include "viewer_harness.h"

namespace lx {
namespace {

using testing::MessageBoxWatcher;
using testing::OpenStill;
using testing::PumpFor;
using testing::WaitFor;

constexpr DWORD kLoadTimeoutMs = 20000;

bool Running() { return stillRunnerState == 2; }

bool SourceIsBlack() {
    const size_t bytes = size_t(sourceFrame.width) * sourceFrame.height * 4;
    const uint8_t* p = sourceFrame.pixels.get();
    return p && std::all_of(p, p + bytes, [](uint8_t b) { return b == 0; });
}

// The sample with its frame header declaring another size.
std::vector<uint8_t> WithDeclaredSize(std::vector<uint8_t> jpeg, uint16_t width, uint16_t height) {
    for (size_t i = 2; i + 9 < jpeg.size(); ++i) {
        if (jpeg[i] == 0xFF && jpeg[i + 1] == 0xC0) {
            jpeg[i + 5] = uint8_t(height >> 8);
            jpeg[i + 6] = uint8_t(height);
            jpeg[i + 7] = uint8_t(width >> 8);
            jpeg[i + 8] = uint8_t(width);
            break;
        }
    }
    return jpeg;
}

class StillPictures : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(WaitFor(Running, kLoadTimeoutMs)); }
    MessageBoxWatcher boxes;
};

TEST_F(StillPictures, JpegFileLoadsThroughTheStillRunner) {
    const std::string path = testing::WriteTempFile("pano.jpg", testing::BuiltInPanoramaBytes());
    OpenStill("  " + path + " ");
    ASSERT_TRUE(WaitFor(Running, kLoadTimeoutMs));
    EXPECT_TRUE(boxes.Seen().empty());
    EXPECT_EQ(sourceFrame.width, 3500);
    EXPECT_EQ(sourceFrame.height, 1744);
    EXPECT_FALSE(SourceIsBlack());
    // Decoded upright and bottom-up: the top rows are sky, brighter than the
    // meadow at the bottom.
    auto rowBrightness = [](int32_t row) {
        const uint8_t* p = sourceFrame.pixels.get() + size_t(row) * sourceFrame.rowBytes;
        long sum = 0;
        for (int32_t i = 0; i < sourceFrame.rowBytes; ++i) sum += (i % 4 == 3) ? 0 : p[i];
        return sum;
    };
    EXPECT_GT(rowBrightness(sourceFrame.height - 300), rowBrightness(300));
    EXPECT_EQ(sourceFrame.pixels[3], 0xFF) << "the fourth byte as the loader gives it";
    EXPECT_EQ(viewState.dragging, 1) << "the new picture starts turning";
}

TEST_F(StillPictures, FilesThatAreNotPicturesGiveTheBlackFrameAndTheMessage) {
    const std::vector<uint8_t> sample = testing::BuiltInPanoramaBytes();
    const std::string text = "This is a plain text file, not a picture.\n";
    struct Case {
        const char* name;
        std::vector<uint8_t> bytes;
    };
    const Case cases[] = {
        {"text.jpg", std::vector<uint8_t>(text.begin(), text.end())},
        {"empty.jpg", {}},
        {"truncated.jpg", std::vector<uint8_t>(sample.begin(), sample.begin() + sample.size() / 3)},
        {"header_only.jpg", std::vector<uint8_t>(sample.begin(), sample.begin() + 600)},
        {"huge.jpg", WithDeclaredSize(sample, 30000, 15000)},
        {"two_rows.jpg", WithDeclaredSize(sample, 3500, 2)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        boxes.Clear();
        OpenStill(testing::WriteTempFile(c.name, c.bytes));
        ASSERT_TRUE(WaitFor(Running, kLoadTimeoutMs));
        const auto seen = boxes.Seen();
        ASSERT_EQ(seen.size(), 1u);
        EXPECT_EQ(seen[0].caption, "Error");
        EXPECT_EQ(seen[0].text, "Format of video file is not have support\ror file is damaged");
        EXPECT_EQ(sourceFrame.width, 1200);
        EXPECT_EQ(sourceFrame.height, 300);
        EXPECT_TRUE(SourceIsBlack());
        EXPECT_EQ(outputFrame.height, 300) << "the black frame is prepared";
    }
    boxes.Clear();
    OpenStill("Z:\\no\\such\\folder\\missing.jpg");
    ASSERT_TRUE(WaitFor(Running, kLoadTimeoutMs));
    ASSERT_EQ(boxes.Seen().size(), 1u);
    EXPECT_EQ(sourceFrame.width, 1200);
}

TEST_F(StillPictures, EmptyPathSaysFileErrorAndBringsThePanelBack) {
    ShowWindow(panelWindow, SW_HIDE);
    OpenStill("   ");
    ASSERT_TRUE(WaitFor([&] { return !boxes.Seen().empty(); }, kLoadTimeoutMs));
    ASSERT_TRUE(WaitFor([] { return stillRunnerState == 0 && IsWindowVisible(panelWindow); },
                        5000));
    const auto seen = boxes.Seen();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].caption, "Error");
    EXPECT_EQ(seen[0].text, "File Error");
    EXPECT_TRUE(IsWindow(viewerWindow));
    ShowWindow(panelWindow, SW_HIDE);

    // The viewer goes on with the next picture.
    OpenStill(testing::WriteTempFile("pano.jpg", testing::BuiltInPanoramaBytes()));
    ASSERT_TRUE(WaitFor(Running, kLoadTimeoutMs));
    EXPECT_EQ(sourceFrame.width, 3500);
}

TEST_F(StillPictures, StopHandshakeEndsTheRunnerAndItsPasses) {
    SendMessageA(viewerWindow, WM_KEYDOWN, VK_RIGHT, 0);
    PumpFor(200);
    stillRunnerState = 1;
    std::vector<int32_t> states;
    int32_t workersAtEnd = -1;
    ASSERT_TRUE(WaitFor([&] {
        const int32_t state = stillRunnerState;
        if (states.empty() || states.back() != state) states.push_back(state);
        if (state == 0) workersAtEnd = stillWorkers.Count();
        return state == 0;
    }, 5000));
    EXPECT_EQ(states.front(), 1);
    EXPECT_EQ(states.back(), 0);
    EXPECT_EQ(workersAtEnd, 0);
    EXPECT_FALSE(stillRenderLock.Held());
    const int32_t paints = testing::countingHooks.paints;
    PumpFor(400);
    EXPECT_EQ(testing::countingHooks.paints, paints) << "no pass after the runner ended";
    EXPECT_EQ(stillWorkers.Count(), 0);

    OpenStill(testing::WriteTempFile("pano.jpg", testing::BuiltInPanoramaBytes()));
    ASSERT_TRUE(WaitFor(Running, kLoadTimeoutMs));
}

TEST_F(StillPictures, SlowPassesDoNotPileUpWorkerThreads) {
    SendMessageA(viewerWindow, WM_KEYDOWN, VK_RIGHT, 0);
    PumpFor(300);
    const int32_t baseline = testing::ThreadsOfThisProcess();
    testing::countingHooks.extraMilliseconds = 250;
    int32_t mostThreads = 0;
    int32_t mostWorkers = 0;
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < 2000) {
        mostThreads = std::max(mostThreads, testing::ThreadsOfThisProcess());
        mostWorkers = std::max(mostWorkers, stillWorkers.Count());
        PumpFor(20);
    }
    testing::countingHooks.extraMilliseconds = 0;
    EXPECT_LE(mostWorkers, WorkerGate::kMaxWorkers);
    EXPECT_LE(mostThreads, baseline + 2) << "baseline " << baseline;
    SendMessageA(viewerWindow, WM_LBUTTONDOWN, MK_LBUTTON, 0);
    SendMessageA(viewerWindow, WM_LBUTTONUP, 0, 0);
}

TEST_F(StillPictures, BuiltInPictureThatFailsToDecodeLeavesABlackFrame) {
    StopStillRunner();
    const std::string garbage = "not a picture at all";
    LoadPictureOrBlack(reinterpret_cast<const uint8_t*>(garbage.data()), garbage.size());
    EXPECT_EQ(sourceFrame.width, 1200);
    EXPECT_EQ(sourceFrame.height, 300);
    EXPECT_TRUE(SourceIsBlack());
    PumpFor(200);
    EXPECT_TRUE(boxes.Seen().empty());

    OpenStill(testing::WriteTempFile("pano.jpg", testing::BuiltInPanoramaBytes()));
    ASSERT_TRUE(WaitFor(Running, kLoadTimeoutMs));
}

}  // namespace
}  // namespace lx
