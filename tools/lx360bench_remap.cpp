// Speed of the two remap kernels and of source preparation at the largest
// frame: a 1064 x 600 view of a 3500 x 1744 panorama of random bytes. The view
// turns 0.1 degree per iteration; BuildViewMatrix runs inside the timed loop,
// as it does at the start of every render pass.
//
// BM_RemapBilinear and BM_RemapNearest run the kernels as the viewer does
// (best instruction set, split over two threads on a multi-core machine);
// the .../isa:N/threads:M variants pin both (isa 0 SSE2, 1 AVX2 when the
// processor has it).
#include <benchmark/benchmark.h>

#include <cstdint>
#include <random>

#include "render/frames.h"
#include "render/projection.h"
#include "render/remap.h"
#include "render/remap_internal.h"

namespace {

constexpr int32_t kSourceWidth = 3500;
constexpr int32_t kSourceHeight = 1744;

bool SetUpLargeView() {
    if (!lx::StartRenderer()) return false;
    if (!lx::AllocateSource(kSourceWidth, kSourceHeight)) return false;
    std::mt19937 random(12345);
    uint8_t* pixels = lx::sourceFrame.pixels.get();
    for (size_t i = 0; i < lx::sourceFrame.capacity; ++i) pixels[i] = uint8_t(random() >> 24);
    lx::viewerSettings.wideFormat = 1;
    if (!lx::PrepareSource()) return false;
    lx::viewState.yaw = 0;
    lx::viewState.pitch = 10;
    lx::viewState.fov = 96;
    return true;
}

template <class Kernel>
void RunRemap(benchmark::State& state, Kernel kernel) {
    if (!SetUpLargeView()) {
        state.SkipWithError("cannot set up the source");
        return;
    }
    for (auto _ : state) {
        lx::viewState.yaw += 0.1f;
        if (lx::viewState.yaw > 180) lx::viewState.yaw -= 360;
        lx::BuildViewMatrix();
        kernel();
        benchmark::DoNotOptimize(lx::outputFrame.pixels.get());
        benchmark::ClobberMemory();
    }
    state.counters["px/s"] = benchmark::Counter(
        double(state.iterations()) * lx::outputFrame.pixelCount, benchmark::Counter::kIsRate);
    lx::StopRenderer();
}

void BM_RemapBilinear(benchmark::State& state) { RunRemap(state, lx::RemapBilinear); }
void BM_RemapNearest(benchmark::State& state) { RunRemap(state, lx::RemapNearest); }

lx::remap::Isa IsaArgument(const benchmark::State& state) {
    return state.range(0) == 1 ? lx::remap::Isa::kAvx2 : lx::remap::Isa::kSse2;
}

void BM_RemapBilinearVariant(benchmark::State& state) {
    if (IsaArgument(state) == lx::remap::Isa::kAvx2 && !lx::remap::IsaAvailable(lx::remap::Isa::kAvx2)) {
        state.SkipWithError("no AVX2 on this processor");
        return;
    }
    const int threads = int(state.range(1));
    RunRemap(state, [&state, threads] { lx::remap::RemapBilinearUsing(IsaArgument(state), threads); });
}

void BM_RemapNearestVariant(benchmark::State& state) {
    if (IsaArgument(state) == lx::remap::Isa::kAvx2 && !lx::remap::IsaAvailable(lx::remap::Isa::kAvx2)) {
        state.SkipWithError("no AVX2 on this processor");
        return;
    }
    const int threads = int(state.range(1));
    RunRemap(state, [&state, threads] { lx::remap::RemapNearestUsing(IsaArgument(state), threads); });
}

void BM_PrepareSource(benchmark::State& state) {
    if (!SetUpLargeView()) {
        state.SkipWithError("cannot set up the source");
        return;
    }
    for (auto _ : state) {
        benchmark::DoNotOptimize(lx::PrepareSource());
        benchmark::ClobberMemory();
    }
    lx::StopRenderer();
}

}  // namespace

BENCHMARK(BM_RemapBilinear)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RemapNearest)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RemapBilinearVariant)
    ->ArgNames({"isa", "threads"})
    ->ArgsProduct({{0, 1}, {1, 2}})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RemapNearestVariant)
    ->ArgNames({"isa", "threads"})
    ->ArgsProduct({{0, 1}, {1, 2}})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PrepareSource)->Unit(benchmark::kMillisecond);
