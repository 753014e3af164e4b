// Per-frame cost of the post-filters and picture effects on the largest view,
// 1064 x 600, filled with random bytes.
#include <benchmark/benchmark.h>

#include <cstdint>

#include "effects/effects.h"
#include "render/frames.h"

namespace {

constexpr int32_t kBenchWidth = 1064;
constexpr int32_t kBenchHeight = 600;

// Gives the output frame both buffers and a random largest-size picture,
// including the row after it that the soften reads.
bool PrepareRandomFrame() {
    lx::OutputFrame& out = lx::outputFrame;
    if (!out.pixels) out.pixels = lx::AllocatePixels(lx::kOutputBufferBytes);
    if (!out.scratch) out.scratch = lx::AllocatePixels(lx::kOutputBufferBytes);
    if (!out.pixels || !out.scratch) return false;
    out.width = kBenchWidth;
    out.height = kBenchHeight;
    out.pixelCount = kBenchWidth * kBenchHeight;
    out.byteCount = 4 * out.pixelCount;
    uint32_t s = 0x9E3779B9u;
    const size_t bytes = 4 * size_t(kBenchWidth) * (kBenchHeight + 1) + 4;
    for (size_t i = 0; i < bytes; ++i) {
        s ^= s << 13;
        s ^= s >> 17;
        s ^= s << 5;
        out.pixels[i] = uint8_t(s >> 11);
    }
    return true;
}

void RunFramePass(benchmark::State& state, void (*pass)()) {
    if (!PrepareRandomFrame()) {
        state.SkipWithError("cannot allocate the output buffers");
        return;
    }
    for (auto _ : state) {
        pass();
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * lx::outputFrame.byteCount);
}

void BM_SharpenFrame(benchmark::State& state) { RunFramePass(state, lx::SharpenFrame); }
void BM_SoftenFrame(benchmark::State& state) { RunFramePass(state, lx::SoftenFrame); }
void BM_ApplyInverse(benchmark::State& state) { RunFramePass(state, lx::ApplyInverse); }
void BM_ApplyNoise(benchmark::State& state) { RunFramePass(state, lx::ApplyNoise); }
void BM_ApplyFog(benchmark::State& state) { RunFramePass(state, lx::ApplyFog); }
void BM_ApplyGrayScale(benchmark::State& state) { RunFramePass(state, lx::ApplyGrayScale); }

}  // namespace

BENCHMARK(BM_SharpenFrame)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SoftenFrame)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ApplyInverse)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ApplyNoise)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ApplyFog)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ApplyGrayScale)->Unit(benchmark::kMicrosecond);
