// Conversion of a decoded video frame to the viewer's source layout (BGRX,
// rows bottom-up, with the slack the kernels read). When the render step
// will read only some rows, only those need converting: for 4:2:0 frames of
// even height FFmpeg's converter works on pairs of lines that share one
// chroma line, so a band of whole pairs comes out exactly as it would in
// the whole frame. Other formats are converted whole.
#pragma once

#include <cstdint>
#include <climits>

#include "tools/lx360render/ffmpeg_util.h"

namespace lx::tool {

// Buffer rows, bottom-up, both ends included.
struct RowSpan {
    int32_t first = 0;
    int32_t last = INT32_MAX;
};

class SourceConverter {
public:
    // Writes at least the rows of the span, and zero into the slack past
    // the picture. Rows outside are left as they were or converted too.
    // False when FFmpeg cannot convert the frame's format.
    bool Convert(const AVFrame& frame, uint8_t* buffer, RowSpan rows);

    // Whether Convert writes only about the rows asked for with this format.
    static bool ConvertsInPart(AVPixelFormat format, int32_t height);

private:
    bool ConvertLines(const AVFrame& frame, int32_t firstLine, int32_t lines, uint8_t* buffer);

    ScaleContext scaler_;
};

}  // namespace lx::tool
