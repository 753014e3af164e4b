// The fast remap kernels against the plain transcriptions, byte for byte,
// for every instruction set this machine has, on one thread and split over
// two.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "render/frames.h"
#include "render/projection.h"
#include "render/remap.h"
#include "render/remap_internal.h"
#include "support/core_fixture.h"
#include "support/views.h"
#include "support/reference_remap.h"

namespace lx {
namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr int kViewScale = 4;  // sanitized builds run the same cases, fewer random views
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr int kViewScale = 4;
#else
constexpr int kViewScale = 1;
#endif
#else
constexpr int kViewScale = 1;
#endif

using testing::Describe;
using testing::View;

enum class Kernel { kNearest, kBilinear };

// Each instruction set on one thread, and the entry points as the viewer
// calls them (best instruction set, split over two threads on this machine).
struct Variant {
    remap::Isa isa;
    int threads;  // 0: the public entry point
    const char* name;

    void Run(Kernel kernel) const {
        if (threads == 0)
            kernel == Kernel::kNearest ? RemapNearest() : RemapBilinear();
        else if (kernel == Kernel::kNearest)
            remap::RemapNearestUsing(isa, threads);
        else
            remap::RemapBilinearUsing(isa, threads);
    }
};

std::vector<Variant> Variants() {
    std::vector<Variant> variants = {{remap::Isa::kSse2, 1, "SSE2"}};
    if (remap::IsaAvailable(remap::Isa::kAvx2)) variants.push_back({remap::Isa::kAvx2, 1, "AVX2"});
    variants.push_back({remap::BestIsa(), 0, "default"});
    if (remap::DefaultThreads() < 2) variants.push_back({remap::BestIsa(), 2, "2 threads"});
    return variants;
}

// Bytes past the frame that a kernel must leave alone.
constexpr size_t kGuardBytes = 4096;

class RemapKernels : public testing::PreparedSource {
protected:
    void PrepareNoise(int32_t width, int32_t height, int32_t wideFormat) {
        Prepare(width, height, wideFormat);
        // The slack past the picture is filled too: the nearest kernel may
        // read row H of it, and nothing else may matter.
        std::mt19937 random(uint32_t(width) * 7919u + uint32_t(height));
        for (size_t i = 0; i < sourceFrame.capacity; ++i) sourceFrame.pixels[i] = uint8_t(random() >> 24);
    }

    void SetView(const View& v) {
        viewState.yaw = v.yaw;
        viewState.pitch = v.pitch;
        viewState.fov = v.fov;
        BuildViewMatrix();
    }

    // Output and guard bytes filled with the same noise before every run,
    // so pixels a kernel leaves unchanged are compared too.
    void FillOutput() {
        const size_t words = (size_t(outputFrame.byteCount) + kGuardBytes) / 4;
        if (noise_.size() != words) {
            noise_.resize(words);
            uint32_t state = 2463534242u;
            for (uint32_t& word : noise_) {
                state ^= state << 13;
                state ^= state >> 17;
                state ^= state << 5;
                word = state;
            }
        }
        std::memcpy(outputFrame.pixels.get(), noise_.data(), words * 4);
    }

    // Runs the reference and every variant of one kernel from the same
    // starting output; returns false (with a failure) at the first mismatch.
    bool Matches(Kernel kernel, const View& view) {
        const size_t bytes = size_t(outputFrame.byteCount) + kGuardBytes;
        FillOutput();
        if (kernel == Kernel::kNearest)
            reference::RemapNearest();
        else
            reference::RemapBilinear();
        expected_.assign(outputFrame.pixels.get(), outputFrame.pixels.get() + bytes);
        for (const Variant& variant : Variants()) {
            FillOutput();
            variant.Run(kernel);
            const uint8_t* actual = outputFrame.pixels.get();
            if (std::memcmp(actual, expected_.data(), bytes) != 0) {
                size_t i = 0;
                while (actual[i] == expected_[i]) ++i;
                const size_t pixel = i / 4;
                ADD_FAILURE() << (kernel == Kernel::kNearest ? "nearest" : "bilinear") << ", "
                              << variant.name << ", source " << sourceFrame.width << " x "
                              << sourceFrame.height << ", " << Describe(view) << ": byte " << i
                              << " (row " << pixel / size_t(outputFrame.width) << ", column "
                              << pixel % size_t(outputFrame.width) << ") is " << int(actual[i])
                              << ", expected " << int(expected_[i]);
                return false;
            }
        }
        return true;
    }

    std::vector<uint32_t> noise_;
    std::vector<uint8_t> expected_;

    void ExpectViewsMatch(const std::vector<View>& views) {
        for (const View& v : views) {
            SetView(v);
            if (!Matches(Kernel::kNearest, v)) return;
            if (!Matches(Kernel::kBilinear, v)) return;
        }
    }
};

std::vector<View> RandomViews(int count, uint32_t seed) { return testing::RandomViews(count, seed, 20, 130); }

// Views where the arithmetic turns: the seam, the poles, the Z = 0 plane,
// the widest fov and the fixed-scale floor below 0.3 radians. At yaw -45,
// pitch 83, fov 160 a 4 x 5 frame has direction components past 2^19.
const std::vector<View> kEdgeViews = {
    {180, 0, 96},     {-180, 0, 96},     {179.9f, 3, 60},  {-179.95f, -3, 125}, {540, 10, 40},
    {0, 90, 96},      {0, -90, 96},      {45, 89.99f, 30}, {-120, -89.9f, 125}, {90, 90, 160},
    {90, 0, 96},      {-90, 0, 96},      {0, 0, 96},       {270, 0, 50},        {0, 45, 160},
    {-33, -70, 160},  {123, 12, 160},    {180, -90, 160},  {-45, 83, 160},      {7, 0, 17},
    {-70, 20, 1},     {0.05f, 0, 0.5f},  {-540, -45, 130}, {90, 45, 20},        {-90, -45, 20},
};
// The seam, both poles and the widest fov, for the costlier full-size frames.
const std::vector<View> kShortEdgeViews = {
    {180, 0, 96}, {-179.95f, -3, 125}, {0, 90, 96}, {-120, -89.9f, 125}, {180, -90, 160}, {-33, -70, 160},
};

struct SourceCase {
    int32_t width, height, wideFormat;
    bool allEdgeViews;
    int randomViews;
};

// Odd and extreme sizes: tiny frames (a 4 x 5 frame has the largest
// direction components), narrow and flat sources, both full-size frames.
// Sources below 400 rows get the same frame in both formats.
const std::vector<SourceCase> kSources = {
    {3500, 1744, 1, true, 10},  {3500, 1744, 0, false, 4}, {3501, 1751, 1, false, 4},
    {2048, 1024, 0, false, 4},  {640, 401, 1, false, 4},   {1001, 333, 0, true, 60},
    {8000, 300, 1, true, 40},   {4, 3, 0, true, 60},       {1, 3, 1, true, 60},
    {7, 5, 0, true, 60},        {10, 5, 1, true, 60},      {3, 16384, 0, false, 4},
    {16384, 3, 1, true, 30},
};

TEST_F(RemapKernels, MatchTheReferenceForEverySourceAndView) {
    uint32_t seed = 100;
    for (const SourceCase& source : kSources) {
        SCOPED_TRACE("source " + std::to_string(source.width) + " x " + std::to_string(source.height) +
                     ", wide format " + std::to_string(source.wideFormat));
        testing::ResetRecords();
        PrepareNoise(source.width, source.height, source.wideFormat);
        std::vector<View> views = source.allEdgeViews ? kEdgeViews : kShortEdgeViews;
        const std::vector<View> random = RandomViews(std::max(1, source.randomViews / kViewScale), seed++);
        views.insert(views.end(), random.begin(), random.end());
        ExpectViewsMatch(views);
        if (HasFailure()) return;
    }
}

// Output sizes chosen by the caller instead of the viewer: the smallest,
// widths that are not a multiple of 4, the largest full-HD frame and a
// frame as tall as its width allows.
TEST_F(RemapKernels, ChosenOutputSizesMatchTheReference) {
    struct Size {
        int32_t width, height;
    };
    uint32_t seed = 500;
    for (const Size size : {Size{2, 2}, Size{6, 4}, Size{1062, 598}, Size{1920, 1080}, Size{30, 96}}) {
        SCOPED_TRACE("output " + std::to_string(size.width) + " x " + std::to_string(size.height));
        testing::ResetRecords();
        ASSERT_TRUE(StartRenderer());
        ASSERT_TRUE(AllocateSource(1001, 503));
        testing::FillWithNoise(seed);
        ASSERT_TRUE(PrepareSourceWithOutput(size.width, size.height));
        std::vector<View> views = kShortEdgeViews;
        const std::vector<View> random = RandomViews(std::max(1, 8 / kViewScale), seed++);
        views.insert(views.end(), random.begin(), random.end());
        ExpectViewsMatch(views);
        if (HasFailure()) return;
    }
}

// The nearest kernel's exact Z = 0 plane: yaw +-90 at pitch 0 puts the
// centre column of the frame there; it samples column 3 (W >> 2) or W >> 2.
TEST_F(RemapKernels, ZeroPlaneColumnsMatchTheReference) {
    for (const SourceCase& source : {SourceCase{3500, 1744, 1, true, 0}, SourceCase{1001, 333, 0, true, 0},
                                     SourceCase{7, 5, 0, true, 0}}) {
        testing::ResetRecords();
        PrepareNoise(source.width, source.height, 1);
        for (const float yaw : {90.0f, -90.0f}) {
            const View v{yaw, 0, 96};
            SetView(v);
            bool zeroPlane = false;
            for (int32_t r = 0; r < outputFrame.height && !zeroPlane; ++r)
                for (int32_t k = 0; k < outputFrame.width && !zeroPlane; ++k)
                    zeroPlane = reference::DirectionAt(outputFrame.xFirst + 1 + k, outputFrame.yFirst + 1 + r).z == 0;
            ASSERT_TRUE(zeroPlane) << Describe(v);
            EXPECT_TRUE(Matches(Kernel::kNearest, v)) << Describe(v);
        }
    }
}

// Weights sum to 255: white renders as 253 under the bilinear kernel (fourth
// byte 0), as 255 in all four bytes under the nearest kernel.
TEST_F(RemapKernels, WhiteSourceRendersAs253And255) {
    Prepare(2048, 1024, 1);
    std::memset(sourceFrame.pixels.get(), 0xFF, sourceFrame.capacity);
    for (const View& v : {View{30, 20, 96}, View{180, -89, 125}, View{-90, 90, 160}}) {
        SetView(v);
        for (const Variant& variant : Variants()) {
            std::memset(outputFrame.pixels.get(), 0x11, size_t(outputFrame.byteCount));
            variant.Run(Kernel::kBilinear);
            size_t written = 0;
            for (int32_t i = 0; i < outputFrame.pixelCount; ++i) {
                uint32_t value;
                std::memcpy(&value, outputFrame.pixels.get() + 4 * size_t(i), 4);
                if (value == 0x11111111u) continue;
                ++written;
                ASSERT_EQ(value, 0x00FDFDFDu) << variant.name << ", " << Describe(v) << ", pixel " << i;
            }
            EXPECT_GT(written, size_t(outputFrame.pixelCount) / 2) << variant.name << ", " << Describe(v);

            variant.Run(Kernel::kNearest);
            for (int32_t i = 0; i < outputFrame.byteCount; ++i)
                ASSERT_EQ(outputFrame.pixels[size_t(i)], 0xFF) << variant.name << ", " << Describe(v);
        }
    }
}

// Not a check: prints milliseconds per frame of each variant at the
// full-size frame, for builds (such as the Win32 one under Wine) that have no
// benchmark program. Run with --gtest_also_run_disabled_tests.
TEST_F(RemapKernels, DISABLED_PrintFrameTimes) {
    PrepareNoise(3500, 1744, 1);
    viewState.pitch = 10;
    viewState.fov = 96;
    constexpr int kFrames = 40;
    for (const Variant& variant : Variants()) {
        for (const Kernel kernel : {Kernel::kNearest, Kernel::kBilinear}) {
            double best = 1e9;
            for (int round = 0; round < 5; ++round) {
                const auto start = std::chrono::steady_clock::now();
                for (int frame = 0; frame < kFrames; ++frame) {
                    viewState.yaw = 0.1f * float(frame);
                    BuildViewMatrix();
                    variant.Run(kernel);
                }
                const std::chrono::duration<double, std::milli> elapsed = std::chrono::steady_clock::now() - start;
                best = std::min(best, elapsed.count() / kFrames);
            }
            std::printf("%-16s %-8s %6.2f ms per frame\n", variant.name,
                        kernel == Kernel::kNearest ? "nearest" : "bilinear", best);
        }
    }
}

// The vector quotient (p << 12) / d against exact division where a float
// estimate is most likely to land on the wrong side: every step boundary
// m * d / 4096 and its neighbours, for small divisors exhaustively and for
// divisors near powers of two, the largest divisor and random ones.
TEST(RemapQuotient, IsExactAtEveryStepBoundary) {
    constexpr uint32_t kMaxNumerator = (1u << 20) - 1;
    constexpr uint32_t kMaxDivisor = (1u << 21) - 1;
    std::vector<uint32_t> divisors;
    for (uint32_t d = 1; d <= 64; ++d) divisors.push_back(d);
    for (int bit = 7; bit <= 21; ++bit)
        for (const int64_t delta : {-1, 0, 1}) {
            const int64_t d = (int64_t(1) << bit) + delta;
            if (d <= kMaxDivisor) divisors.push_back(uint32_t(d));
        }
    for (const uint32_t d : {4095u, 4097u, 12289u, 1000003u, 2000000u, kMaxDivisor - 2}) divisors.push_back(d);
    std::mt19937 random(99);
    std::uniform_int_distribution<uint32_t> anyDivisor(1, kMaxDivisor);
    for (int i = 0; i < 400 / kViewScale; ++i) divisors.push_back(anyDivisor(random));

    std::vector<uint32_t> p, d;
    auto add = [&](uint32_t numerator, uint32_t divisor) {
        if (numerator <= divisor && numerator <= kMaxNumerator) {
            p.push_back(numerator);
            d.push_back(divisor);
        }
    };
    for (const uint32_t divisor : divisors) {
        add(0, divisor);
        add(divisor, divisor);
        add(divisor - 1, divisor);
        for (uint64_t m = 1; m <= 4096; ++m) {
            const uint32_t boundary = uint32_t(m * divisor / 4096);
            add(boundary, divisor);
            if (boundary > 0) add(boundary - 1, divisor);
            add(boundary + 1, divisor);
        }
    }
    std::vector<uint32_t> q(p.size());
    for (const Variant& variant : Variants()) {
        std::fill(q.begin(), q.end(), 0xFFFFFFFFu);
        remap::Quotients12(variant.isa, p.data(), d.data(), q.data(), p.size());
        for (size_t i = 0; i < p.size(); ++i)
            ASSERT_EQ(q[i], uint32_t((uint64_t(p[i]) << 12) / d[i]))
                << variant.name << ": p " << p[i] << ", d " << d[i];
    }
}

}  // namespace
}  // namespace lx
