#include "tools/lx360render/render_pass.h"

#include "effects/effects.h"
#include "render/frames.h"
#include "render/projection.h"
#include "render/remap.h"
#include "tools/lx360render/image_io.h"

namespace lx::tool {

void ApplyRenderSettings(const Options& options) {
    ViewerSettings& settings = viewerSettings;
    settings.wideFormat = options.wide;
    settings.eyeLens = options.eyeLens;
    settings.quality = options.quality;
    settings.sharpen = options.filter == Filter::kSharpen;
    settings.soften = options.filter == Filter::kSoften;
    settings.effectInverse = options.effect == Effect::kInverse;
    settings.effectNoise = options.effect == Effect::kNoise;
    settings.effectFog = options.effect == Effect::kFog;
    settings.effectGrayScale = options.effect == Effect::kGrayScale;
    SetShellHooks(nullptr);
}

std::string PrepareLoadedSource(const Options& options) {
    const bool prepared = options.hasSize ? PrepareSourceWithOutput(options.width, options.height)
                                          : PrepareSource();
    if (prepared) return {};
    const std::string problem = SourceSizeProblem(sourceFrame.width, sourceFrame.height);
    return PrintableName(options.in) + ": picture refused" +
           (problem.empty() ? std::string() : ": " + problem);
}

void RenderPass(const Options& options) {
    BuildViewMatrix();
    if (options.quality == kDraft) {
        RemapNearest();
    } else {
        RemapBilinear();
    }
    switch (options.filter) {
        case Filter::kSharpen: SharpenFrame(); break;
        case Filter::kSoften: SoftenFrame(); break;
        case Filter::kNone: break;
    }
    switch (options.effect) {
        case Effect::kInverse: ApplyInverse(); break;
        case Effect::kNoise: ApplyNoise(); break;
        case Effect::kFog: ApplyFog(); break;
        case Effect::kGrayScale: ApplyGrayScale(); break;
        case Effect::kNone: break;
    }
}

}  // namespace lx::tool
