// Reframing: a 360 video (or a still panorama) in, a flat video out, each
// frame rendered as a render pass of the viewer renders it, at the view the
// camera path gives for the frame's time.
//
// Three threads overlap: the decoder converts frames straight into spare
// source buffers (only the rows the frame's view will read, where the
// format allows), the main thread renders (on its own: the codecs' threads
// fill the other cores), and the encoder converts and encodes the rendered
// frames and writes the file. Buffers change hands instead of being copied. The
// file is written under a temporary name and renamed once it is complete.
#pragma once

#include "tools/lx360render/options.h"

namespace lx::tool {

// Runs the whole reframe; returns the exit status (0, or 2 after printing
// one line on stderr).
int Reframe(const Options& options);

}  // namespace lx::tool
