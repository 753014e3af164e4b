// Converting only the rows a view reads: a band of a 4:2:0 frame must come
// out exactly as those rows of the whole frame, and other formats (or odd
// heights) are converted whole.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

extern "C" {
#include <libavutil/frame.h>
#include <libavutil/log.h>
#include <libavutil/pixdesc.h>
}

#include "render/frames.h"
#include "tools/lx360render/source_converter.h"

namespace lx::tool {
namespace {

constexpr uint8_t kUntouched = 0xEE;

// FFmpeg's note on the JPEG-range format is expected here.
const struct QuietLog {
    QuietLog() { av_log_set_level(AV_LOG_ERROR); }
} quietLog;

Frame NoiseFrame(AVPixelFormat format, int width, int height) {
    Frame frame(av_frame_alloc());
    frame->format = format;
    frame->width = width;
    frame->height = height;
    if (av_frame_get_buffer(frame.get(), 0) < 0) return nullptr;
    std::mt19937 random(uint32_t(format) * 131u + uint32_t(height));
    for (int p = 0; p < 4 && frame->buf[p]; ++p)
        for (size_t i = 0; i < frame->buf[p]->size; ++i) frame->buf[p]->data[i] = uint8_t(random() >> 24);
    return frame;
}

std::vector<uint8_t> Convert(SourceConverter& converter, const AVFrame& frame, RowSpan rows) {
    std::vector<uint8_t> buffer(SourceBufferBytes(frame.width, frame.height), kUntouched);
    EXPECT_TRUE(converter.Convert(frame, buffer.data(), rows));
    return buffer;
}

struct FormatCase {
    AVPixelFormat format;
    int width, height;
    bool inPart;
};

const std::vector<FormatCase> kFormats = {
    {AV_PIX_FMT_YUV420P, 70, 96, true},  {AV_PIX_FMT_YUVJ420P, 64, 50, true}, {AV_PIX_FMT_YUV420P, 70, 45, false},
    {AV_PIX_FMT_YUV444P, 70, 48, false}, {AV_PIX_FMT_NV12, 64, 48, false},    {AV_PIX_FMT_RGB24, 33, 40, false},
    {AV_PIX_FMT_GBRP, 32, 48, false},
};

// Bottom-up buffer rows: one row, a band off the band grid, either end, all.
std::vector<RowSpan> Spans(int height) {
    return {{height / 2, height / 2}, {7, height - 13}, {0, 3}, {height - 2, height - 1}, {}};
}

TEST(SourceConverter, BandsEqualTheRowsOfTheWholeFrame) {
    for (const FormatCase& c : kFormats) {
        SCOPED_TRACE(std::string(av_get_pix_fmt_name(c.format)) + " " + std::to_string(c.width) + " x " +
                     std::to_string(c.height));
        const Frame frame = NoiseFrame(c.format, c.width, c.height);
        ASSERT_TRUE(frame);
        EXPECT_EQ(c.inPart, SourceConverter::ConvertsInPart(c.format, c.height));
        SourceConverter converter;
        const std::vector<uint8_t> whole = Convert(converter, *frame, RowSpan{});
        const size_t rowBytes = size_t(4) * c.width;
        const size_t pictureBytes = rowBytes * c.height;
        for (size_t i = pictureBytes; i < whole.size(); ++i) ASSERT_EQ(0, whole[i]) << "slack byte " << i;

        for (const RowSpan span : Spans(c.height)) {
            SCOPED_TRACE("rows " + std::to_string(span.first) + " .. " + std::to_string(span.last));
            const std::vector<uint8_t> part = Convert(converter, *frame, span);
            int untouchedRows = 0;
            for (int row = 0; row < c.height; ++row) {
                const uint8_t* got = part.data() + row * rowBytes;
                const uint8_t* want = whole.data() + row * rowBytes;
                if (std::equal(got, got + rowBytes, want)) continue;
                ASSERT_TRUE(c.inPart && (row < span.first || row > span.last)) << "row " << row << " differs";
                ASSERT_TRUE(std::all_of(got, got + rowBytes, [](uint8_t b) { return b == kUntouched; }))
                    << "row " << row << " is neither converted nor left alone";
                ++untouchedRows;
            }
            EXPECT_TRUE(std::equal(part.begin() + pictureBytes, part.end(), whole.begin() + pictureBytes));
            // A band of a tall frame leaves most rows alone.
            if (c.inPart && span.last - span.first < 4 && c.height >= 96) {
                EXPECT_GE(untouchedRows, c.height / 2);
            }
        }
    }
}

// Converters cached for one band height must not leak into the next frame
// of another size or format.
TEST(SourceConverter, FollowsAChangeOfBandFormatAndSize) {
    SourceConverter converter;
    for (const FormatCase& c : {kFormats[0], kFormats[3], kFormats[1], kFormats[0]}) {
        const Frame frame = NoiseFrame(c.format, c.width, c.height);
        ASSERT_TRUE(frame);
        SourceConverter fresh;
        EXPECT_EQ(Convert(fresh, *frame, RowSpan{}), Convert(converter, *frame, RowSpan{}))
            << av_get_pix_fmt_name(c.format);
        const RowSpan band{c.height / 3, c.height / 2};
        EXPECT_EQ(Convert(fresh, *frame, band), Convert(converter, *frame, band)) << av_get_pix_fmt_name(c.format);
    }
}

}  // namespace
}  // namespace lx::tool
