// The render pass: which kernel, filter and effect run, what a fade or a
// freeze suppresses, and the locks that keep passes of a source in sequence.
#include "render/pipeline.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <thread>
#include <vector>

#include "effects/effects.h"
#include "render/frames.h"
#include "render/navigation.h"
#include "render/projection.h"
#include "render/remap.h"
#include "support/core_fixture.h"

namespace lx {
namespace {

class RecordingHooks : public PassHooks {
public:
    void ShowPosition(int32_t frame) override { positions.push_back(frame); }
    void PaintView() override { ++paints; }
    void PumpOrSleep(uint32_t milliseconds) override { pumps.push_back(milliseconds); }

    std::vector<int32_t> positions;
    int paints = 0;
    std::vector<uint32_t> pumps;
};

std::vector<uint8_t> OutputBytes() {
    return std::vector<uint8_t>(outputFrame.pixels.get(),
                                outputFrame.pixels.get() + outputFrame.byteCount);
}

// Writes the output frame outside a pass, as the fade does.
void ScribbleOutput() {
    std::memset(outputFrame.pixels.get(), 0x5A, outputFrame.byteCount);
    ForgetRenderedFrame();
}

// Marks the frame without telling the renderer, to see whether a pass
// renders it anew.
void MarkOutputSecretly() { std::memset(outputFrame.pixels.get(), 0xA5, outputFrame.byteCount); }

bool OutputStillMarked() {
    const uint8_t* p = outputFrame.pixels.get();
    return std::all_of(p, p + outputFrame.byteCount, [](uint8_t b) { return b == 0xA5; });
}

class RenderPass : public testing::PreparedSource {
protected:
    void SetUp() override {
        Prepare(203, 101);
        testing::FillWithNoise(7);
        viewState.yaw = 30;
        viewState.pitch = -10;
        SetPassHooks(&hooks);
        frozen = 0;
        fadeActive = 0;
        currentFrame = 0;
    }
    void TearDown() override {
        SetPassHooks(nullptr);
        frozen = 0;
        fadeActive = 0;
        PreparedSource::TearDown();
    }

    // The frame the pass must produce, computed step by step from the same
    // direction and the same leftovers in the pixels the remaps skip.
    template <typename Steps>
    std::vector<uint8_t> Expected(Steps steps) {
        ScribbleOutput();
        BuildViewMatrix();
        steps();
        std::vector<uint8_t> bytes = OutputBytes();
        ScribbleOutput();
        return bytes;
    }

    RecordingHooks hooks;
};

TEST_F(RenderPass, QualityChoosesTheKernel) {
    struct Case {
        int32_t quality;
        int32_t dragging;
        bool nearest;
    };
    const Case cases[] = {
        {kDraft, 0, true},  {kDraft, 1, true},  {kMixed, 1, true}, {kMixed, 0, false},
        {kHigh, 1, false},  {kHigh, 0, false},  {7, 1, false},     {-1, 0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "quality " << c.quality << " dragging " << c.dragging);
        viewerSettings.quality = c.quality;
        // A drag held at its anchor keeps the direction still.
        viewState.dragging = c.dragging;
        viewState.cursorX = viewState.anchorX = 10;
        viewState.cursorY = viewState.anchorY = 10;
        const auto expected = Expected([&] { c.nearest ? RemapNearest() : RemapBilinear(); });
        RenderPipeline();
        EXPECT_EQ(OutputBytes(), expected);
    }
}

TEST_F(RenderPass, FilterRunsBeforeTheFirstEffectOnly) {
    struct Case {
        int32_t sharpen, soften, inverse, noise, fog, gray;
        void (*filter)();
        void (*effect)();
    };
    const Case cases[] = {
        {1, 0, 0, 0, 0, 0, SharpenFrame, nullptr},
        {0, 1, 0, 0, 0, 0, SoftenFrame, nullptr},
        {1, 1, 0, 0, 0, 0, SharpenFrame, nullptr},
        {1, 0, 1, 0, 0, 0, SharpenFrame, ApplyInverse},
        {0, 1, 0, 0, 1, 0, SoftenFrame, ApplyFog},
        {0, 0, 0, 1, 1, 1, nullptr, ApplyNoise},
        {0, 0, 0, 0, 1, 1, nullptr, ApplyFog},
        {1, 0, 0, 0, 0, 1, SharpenFrame, ApplyGrayScale},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.sharpen << c.soften << c.inverse << c.noise << c.fog
                                          << c.gray);
        ViewerSettings& s = viewerSettings;
        s.sharpen = c.sharpen;
        s.soften = c.soften;
        s.effectInverse = c.inverse;
        s.effectNoise = c.noise;
        s.effectFog = c.fog;
        s.effectGrayScale = c.gray;
        const auto expected = Expected([&] {
            RemapBilinear();
            if (c.filter) c.filter();
            if (c.effect) c.effect();
        });
        RenderPipeline();
        EXPECT_EQ(OutputBytes(), expected);
    }
}

TEST_F(RenderPass, PaintsAfterTheNavigationStepAndPumps) {
    currentFrame = 17;
    KeyDown(kKeyRight);
    const float yaw = viewState.yaw;
    RenderPipeline();
    EXPECT_EQ(hooks.positions, std::vector<int32_t>{17});
    EXPECT_EQ(hooks.paints, 1);
    EXPECT_EQ(hooks.pumps, std::vector<uint32_t>{3});
    EXPECT_NE(viewState.yaw, yaw);
}

TEST_F(RenderPass, FadeLeavesFrameViewAndWindowAlone) {
    fadeActive = 1;
    KeyDown(kKeyRight);
    viewState.yaw = 50;
    viewMatrix.matrixFov = 0;
    ScribbleOutput();
    const auto before = OutputBytes();
    RenderPipeline();
    EXPECT_EQ(OutputBytes(), before);
    EXPECT_EQ(viewState.yaw, 50);
    EXPECT_EQ(hooks.paints, 0);
    EXPECT_EQ(hooks.positions.size(), 1u);
    EXPECT_NE(viewMatrix.matrixFov, 0) << "the matrix is still built";
    EXPECT_EQ(hooks.pumps, std::vector<uint32_t>{3});
}

// The fade to black: 64 steps of 4 take every byte but the last four
// pixels' to 0 without wrapping; a step never brightens.
TEST_F(RenderPass, SixtyFourFadeStepsEndInBlackAndKeepTheLastPixels) {
    RenderPipeline();
    uint8_t* bytes = outputFrame.pixels.get();
    const int32_t count = outputFrame.byteCount;
    for (int32_t i = 0; i < count; ++i) bytes[i] = uint8_t(i * 37);
    bytes[0] = 255;
    bytes[1] = 3;
    const std::vector<uint8_t> start = OutputBytes();
    DarkenOutputFrame(4);
    EXPECT_EQ(bytes[0], 251);
    EXPECT_EQ(bytes[1], 0) << "a step stops at 0";
    for (int step = 1; step < 64; ++step) DarkenOutputFrame(4);
    EXPECT_TRUE(std::all_of(bytes, bytes + count - 16, [](uint8_t b) { return b == 0; }));
    EXPECT_TRUE(std::equal(bytes + count - 16, bytes + count, start.end() - 16));
}

TEST_F(RenderPass, ClearedSourceRendersBlackOnTheNextPass) {
    RenderPipeline();
    const size_t picture = size_t(sourceFrame.width) * sourceFrame.height * 4;
    uint8_t* source = sourceFrame.pixels.get();
    source[picture - 1] = 0x77;  // the last four bytes are left as they are
    ClearSourcePixels();
    EXPECT_TRUE(std::all_of(source, source + picture - 4, [](uint8_t b) { return b == 0; }));
    EXPECT_EQ(source[picture - 1], 0x77);
    RenderPipeline();
    const uint8_t* out = outputFrame.pixels.get();
    const int32_t middleRow = outputFrame.height / 2 * outputFrame.width * 4;
    EXPECT_TRUE(std::all_of(out + middleRow, out + middleRow + outputFrame.width * 4,
                            [](uint8_t b) { return b == 0; }));
}

TEST(FadeWithoutFrames, DoesNothing) {
    testing::ResetRecords();
    DarkenOutputFrame(4);
    ClearSourcePixels();
    EXPECT_FALSE(outputFrame.pixels);
    EXPECT_FALSE(sourceFrame.pixels);
}

TEST_F(RenderPass, FrozenHidesThePositionButTheViewMoves) {
    frozen = 1;
    KeyDown(kKeyRight);
    const float yaw = viewState.yaw;
    RenderPipeline();
    EXPECT_TRUE(hooks.positions.empty());
    EXPECT_EQ(hooks.paints, 1);
    EXPECT_NE(viewState.yaw, yaw);
    EXPECT_EQ(hooks.pumps, std::vector<uint32_t>{12});
}

TEST_F(RenderPass, AbsentSourceBufferRendersNothing) {
    ReleaseSource();
    ScribbleOutput();
    const auto before = OutputBytes();
    RenderPipeline();
    EXPECT_EQ(OutputBytes(), before);
    EXPECT_EQ(hooks.paints, 0);
    EXPECT_EQ(hooks.pumps.size(), 1u);
}

TEST_F(RenderPass, UnchangedFrameIsPaintedWithoutRenderingAgain) {
    RenderPipeline();  // takes over the prepared direction
    RenderPipeline();
    MarkOutputSecretly();
    RenderPipeline();
    EXPECT_TRUE(OutputStillMarked());
    EXPECT_EQ(hooks.paints, 3);
}

TEST_F(RenderPass, AnyChangeOfWhatTheFrameShowsRendersItAnew) {
    struct Case {
        const char* name;
        void (*change)();
    };
    const Case cases[] = {
        {"direction", [] { viewState.yaw += 0.1f; }},
        {"zoom", [] { viewState.fov -= 1; }},
        {"kernel", [] { viewerSettings.quality = kDraft; }},
        {"mixed quality while dragging", [] {
             viewerSettings.quality = kMixed;
             viewState.dragging = 1;
             viewState.cursorX = viewState.anchorX;
             viewState.cursorY = viewState.anchorY;
         }},
        {"sharpen", [] { viewerSettings.sharpen = 1; }},
        {"soften", [] { viewerSettings.soften = 1; }},
        {"inverse", [] { viewerSettings.effectInverse = 1; }},
        {"noise", [] { viewerSettings.effectNoise = 1; }},
        {"fog", [] { viewerSettings.effectFog = 1; }},
        {"gray scale", [] { viewerSettings.effectGrayScale = 1; }},
        {"source pixels", [] { MarkSourceChanged(); }},
        {"new source", [] { PrepareSource(); }},
        {"frame written elsewhere", [] { ForgetRenderedFrame(); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        viewerSettings = ViewerSettings{};
        viewerSettings.wideFormat = 1;
        viewState.dragging = 0;
        RenderPipeline();
        RenderPipeline();
        MarkOutputSecretly();
        c.change();
        RenderPipeline();
        EXPECT_FALSE(OutputStillMarked());
    }
}

TEST(SingleEntryLock, KeepsPassesFromOverlapping) {
    SingleEntryLock lock;
    int inside = 0;
    int overlaps = 0;
    int64_t total = 0;
    auto work = [&] {
        for (int i = 0; i < 20000; ++i) {
            lock.Acquire();
            if (++inside != 1) ++overlaps;
            ++total;
            --inside;
            lock.Release();
        }
    };
    std::thread a(work), b(work), c(work);
    a.join();
    b.join();
    c.join();
    EXPECT_EQ(overlaps, 0);
    EXPECT_EQ(total, 60000);
    EXPECT_FALSE(lock.Held());
    EXPECT_TRUE(lock.TryAcquire());
    EXPECT_FALSE(lock.TryAcquire());
    lock.Release();
}

TEST(WorkerGate, AdmitsOneRunningAndOneWaitingWorker) {
    WorkerGate gate;
    EXPECT_TRUE(gate.Admit());
    EXPECT_TRUE(gate.Admit());
    EXPECT_FALSE(gate.Admit());
    EXPECT_EQ(gate.Count(), 2);
    gate.Leave();
    EXPECT_TRUE(gate.Admit());
    gate.Leave();
    gate.Leave();
    EXPECT_EQ(gate.Count(), 0);
}

TEST(WorkerGate, ConcurrentTicksNeverExceedTheBound) {
    WorkerGate gate;
    std::atomic<int> peak{0};
    auto ticks = [&] {
        for (int i = 0; i < 20000; ++i) {
            if (!gate.Admit()) continue;
            int count = gate.Count();
            int seen = peak.load();
            while (count > seen && !peak.compare_exchange_weak(seen, count)) {}
            gate.Leave();
        }
    };
    std::thread a(ticks), b(ticks), c(ticks);
    a.join();
    b.join();
    c.join();
    EXPECT_LE(peak.load(), WorkerGate::kMaxWorkers);
    EXPECT_EQ(gate.Count(), 0);
}

}  // namespace
}  // namespace lx
