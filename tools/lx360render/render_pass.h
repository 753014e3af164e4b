// The parts of a viewer render pass that lx360render runs for every frame it
// writes, whether one picture or each frame of a video.
#pragma once

#include <string>

#include "tools/lx360render/options.h"

namespace lx::tool {

// Copies quality, frame format, eye-lens, filter and effect into the
// viewer's settings. Call before the source is prepared.
void ApplyRenderSettings(const Options& options);

// Prepares the loaded source for the chosen output size (or the viewer's);
// returns an empty string, or a one-line reason naming --in.
std::string PrepareLoadedSource(const Options& options);

// One pass as the viewer's render pipeline runs it, without the indicators
// and the painting: matrix, kernel by quality, filter, effect.
void RenderPass(const Options& options);

}  // namespace lx::tool
