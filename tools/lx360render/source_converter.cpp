#include "tools/lx360render/source_converter.h"

#include <algorithm>
#include <cstring>

extern "C" {
#include <libavutil/pixdesc.h>
}

#include "render/frames.h"

namespace lx::tool {

namespace {

// Bands start and end on multiples of this many lines, so that a view
// moving a little keeps the converter it has.
constexpr int32_t kBandLines = 16;

}  // namespace

bool SourceConverter::ConvertsInPart(AVPixelFormat format, int32_t height) {
    return (format == AV_PIX_FMT_YUV420P || format == AV_PIX_FMT_YUVJ420P) && height % 2 == 0;
}

bool SourceConverter::Convert(const AVFrame& frame, uint8_t* buffer, RowSpan rows) {
    const int32_t height = frame.height;
    int32_t firstLine = 0;
    int32_t endLine = height;
    if (ConvertsInPart(AVPixelFormat(frame.format), height)) {
        // Buffer row b holds line height - 1 - b of the frame.
        const int32_t top = height - 1 - std::clamp(rows.last, 0, height - 1);
        const int32_t bottom = height - 1 - std::clamp(rows.first, 0, height - 1);
        firstLine = top / kBandLines * kBandLines;
        endLine = std::min(height, (bottom / kBandLines + 1) * kBandLines);
    }
    if (!ConvertLines(frame, firstLine, endLine - firstLine, buffer)) return false;
    // The slack past the picture stays zero, as the picture loader leaves it.
    const size_t pictureBytes = size_t(4) * frame.width * height;
    std::memset(buffer + pictureBytes, 0, SourceBufferBytes(frame.width, height) - pictureBytes);
    return true;
}

// Converts lines firstLine .. firstLine + lines - 1 into their buffer rows.
// The lines are read from the last up, so the converter stores rows in
// memory order and whatever it writes past a row's end lands in the next
// row, which it writes afterwards (or, past the band, a row nobody reads).
bool SourceConverter::ConvertLines(const AVFrame& frame, int32_t firstLine, int32_t lines, uint8_t* buffer) {
    const AVPixFmtDescriptor* desc = av_pix_fmt_desc_get(AVPixelFormat(frame.format));
    if (!desc || (desc->flags & AV_PIX_FMT_FLAG_HWACCEL)) return false;
    scaler_.reset(sws_getCachedContext(scaler_.release(), frame.width, lines, AVPixelFormat(frame.format),
                                       frame.width, lines, AV_PIX_FMT_BGR0, SWS_BILINEAR, nullptr, nullptr,
                                       nullptr));
    if (!scaler_) return false;
    const int32_t lastLine = firstLine + lines - 1;
    const uint8_t* planes[4] = {};
    int strides[4] = {};
    for (int p = 0; p < 4 && frame.data[p]; ++p) {
        if (p == 1 && (desc->flags & AV_PIX_FMT_FLAG_PAL)) {  // the palette, not lines
            planes[p] = frame.data[p];
            strides[p] = frame.linesize[p];
            continue;
        }
        const bool chroma = p == 1 || p == 2;
        const int32_t line = chroma ? (lastLine >> desc->log2_chroma_h) : lastLine;
        planes[p] = frame.data[p] + ptrdiff_t(line) * frame.linesize[p];
        strides[p] = -frame.linesize[p];
    }
    const size_t rowBytes = size_t(4) * frame.width;
    uint8_t* const target[4] = {buffer + size_t(frame.height - 1 - lastLine) * rowBytes, nullptr, nullptr,
                                nullptr};
    const int targetStrides[4] = {int(rowBytes), 0, 0, 0};
    return sws_scale(scaler_.get(), planes, strides, 0, lines, target, targetStrides) >= 0;
}

}  // namespace lx::tool
