// The four picture effects, each one in-place pass over outputFrame, and the
// two post-filters that run before them.
#pragma once

namespace lx {

void ApplyInverse();
void ApplyNoise();
void ApplyFog();
void ApplyGrayScale();

// Five-point sharpen blended with the unfiltered picture; rows 0 and H - 1
// keep their values. Uses outputFrame.scratch.
void SharpenFrame();
// 2 x 2 box average in place. Reads one row and one pixel past the frame, which
// the 10,000,000-byte buffer always holds.
void SoftenFrame();

}  // namespace lx
