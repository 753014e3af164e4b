// The two remap kernels: fill outputFrame with the perspective view of
// sourceFrame for the current viewMatrix.fixedMatrix.
//
// Conventions: rows run bottom-up in both frames. Output column k is rendered
// from view-plane x = xFirst + 1 + k; output row r from y = yFirst + 1 + r by
// the nearest kernel and from y = yFirst + r by the bilinear kernel. A
// direction is X = m00 x + m01 y + m02, Y = m11 y + m12, Z = m20 x + m21 y + m22
// in 32-bit two's-complement arithmetic (m10 is 0: no roll). Growing x turns
// right (towards higher source columns), growing y turns up (higher rows).
// Every division is an unsigned 32-bit division that truncates.
#pragma once

#include <cstdint>

namespace lx {

// Threads RemapNearest and RemapBilinear split a frame over; 0 (the
// default) means two on a machine with two or more cores. A program whose
// own threads keep the other cores busy does better with 1.
void SetRemapThreads(int threads);

// Copies the one source pixel the row and column tables name.
void RemapNearest();
// Blends four source pixels at 1/256-pixel angles. Leaves row 0 and the last
// column of the frame, and pixels whose source row would pass H - 2, untouched.
void RemapBilinear();

// What a bilinear pass with a given fixed-point view matrix touches, for
// the prepared source and output size. Every source row it reads (rows
// counted bottom-up, as in the buffer) lies in [firstRow, lastRow]; the
// span carries a margin for the tables' rounding and is clamped to the
// picture. allButEdgesWritten tells that every output pixel but those of
// row 0 and the last column is written: no direction of the view reaches
// past the rows the kernel blends nor lies on the back meridian, where
// the column would be one past the last.
struct BilinearReach {
    int32_t firstRow = 0;
    int32_t lastRow = 0;
    bool allButEdgesWritten = false;
};
BilinearReach BilinearReachOf(const int32_t (&fixedMatrix)[3][3]);

}  // namespace lx
