#include "render/pipeline.h"

#include <chrono>
#include <cstring>
#include <mutex>
#include <thread>

#include "effects/effects.h"
#include "render/frames.h"
#include "render/navigation.h"
#include "render/projection.h"
#include "render/remap.h"

namespace lx {

namespace {

PassHooks defaultPassHooks;
PassHooks* passHooks = &defaultPassHooks;

// Everything the rendered frame depends on.
struct FrameRecipe {
    int32_t matrix[3][3];
    uint32_t source;
    int32_t width, height;
    int32_t nearest, sharpen, soften;
    int32_t inverse, noise, fog, grayScale;
};

std::mutex recipeMutex;
FrameRecipe renderedRecipe;
bool renderedValid = false;

bool SameRecipe(const FrameRecipe& a, const FrameRecipe& b) {
    return std::memcmp(&a, &b, sizeof(FrameRecipe)) == 0;
}

bool UseNearest() {
    const int32_t quality = viewerSettings.quality;
    return quality == kDraft || (quality == kMixed && viewState.dragging == 1);
}

// Each setting is read once, so the frame and its recipe agree even when a
// setting changes during the pass.
FrameRecipe CurrentRecipe() {
    FrameRecipe r{};
    std::memcpy(r.matrix, viewMatrix.fixedMatrix, sizeof(r.matrix));
    r.source = sourceGeneration.load();
    r.width = outputFrame.width;
    r.height = outputFrame.height;
    r.nearest = UseNearest() ? 1 : 0;
    const ViewerSettings& s = viewerSettings;
    r.sharpen = s.sharpen;
    r.soften = s.soften;
    r.inverse = s.effectInverse;
    r.noise = s.effectNoise;
    r.fog = s.effectFog;
    r.grayScale = s.effectGrayScale;
    return r;
}

void Remap(const FrameRecipe& r) {
    if (r.nearest) {
        RemapNearest();
    } else {
        RemapBilinear();
    }
}

void PostFilter(const FrameRecipe& r) {
    if (r.sharpen == 1) {
        SharpenFrame();
    } else if (r.soften == 1) {
        SoftenFrame();
    }
}

void PictureEffect(const FrameRecipe& r) {
    if (r.inverse == 1) {
        ApplyInverse();
    } else if (r.noise == 1) {
        ApplyNoise();
    } else if (r.fog == 1) {
        ApplyFog();
    } else if (r.grayScale == 1) {
        ApplyGrayScale();
    }
}

void RenderFrame() {
    const FrameRecipe recipe = CurrentRecipe();
    {
        const std::lock_guard<std::mutex> lock(recipeMutex);
        if (renderedValid && SameRecipe(recipe, renderedRecipe)) return;
        renderedValid = false;
    }
    Remap(recipe);
    PostFilter(recipe);
    PictureEffect(recipe);
    const std::lock_guard<std::mutex> lock(recipeMutex);
    renderedRecipe = recipe;
    renderedValid = true;
}

}  // namespace

SingleEntryLock stillRenderLock;
SingleEntryLock videoRenderLock;
WorkerGate stillWorkers;
WorkerGate videoWorkers;

void PassHooks::PumpOrSleep(uint32_t milliseconds) {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

void SetPassHooks(PassHooks* hooks) { passHooks = hooks ? hooks : &defaultPassHooks; }

void SingleEntryLock::Acquire() {
    while (byte_.exchange(0xFF) != 0) std::this_thread::yield();
}

bool SingleEntryLock::TryAcquire() { return byte_.exchange(0xFF) == 0; }

void SingleEntryLock::Release() { byte_.store(0); }

bool WorkerGate::Admit() {
    int32_t count = count_.load();
    while (count < kMaxWorkers) {
        if (count_.compare_exchange_weak(count, count + 1)) return true;
    }
    return false;
}

void WorkerGate::Leave() { count_.fetch_sub(1); }

void ForgetRenderedFrame() {
    const std::lock_guard<std::mutex> lock(recipeMutex);
    renderedValid = false;
}

void UpdateView() {
    NavigationStep();
    passHooks->PaintView();
}

// A source whose buffer could not be had leaves nothing to render.
bool FramesPresent() { return sourceFrame.pixels && outputFrame.pixels && outputFrame.width > 0; }

void RenderPipeline() {
    BuildViewMatrix();
    if (frozen.load() == 0) passHooks->ShowPosition(currentFrame.load());
    if (fadeActive.load() != 1 && FramesPresent()) {
        RenderFrame();
        UpdateView();
    }
    passHooks->PumpOrSleep(frozen.load() == 1 ? 12 : 3);
}

}  // namespace lx
