// The size a JPEG declares, read from its marker segments before decoding.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "media/jpeg_header.h"

namespace lx {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes Segment(uint8_t marker, const Bytes& body) {
    Bytes s(body.size() + 4);
    s[0] = 0xFF;
    s[1] = marker;
    s[2] = uint8_t((body.size() + 2) >> 8);
    s[3] = uint8_t(body.size() + 2);
    std::copy(body.begin(), body.end(), s.begin() + 4);
    return s;
}

// A frame header body: precision 8, height, width, one component.
Bytes FrameBody(uint16_t width, uint16_t height) {
    return {8, uint8_t(height >> 8), uint8_t(height), uint8_t(width >> 8), uint8_t(width), 1, 1, 0x11, 0};
}

Bytes Join(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& p : parts) all.insert(all.end(), p.begin(), p.end());
    return all;
}

Bytes Cut(Bytes bytes, size_t count) {
    bytes.resize(count);
    return bytes;
}

TEST(JpegHeader, FindsTheFrameHeaderBehindOtherSegments) {
    const Bytes soi = {0xFF, 0xD8};
    const Bytes app0 = Segment(0xE0, Bytes(14, 0x4A));
    const Bytes table = Segment(0xC4, Bytes(20, 0));  // a Huffman table, not a frame
    const struct {
        const char* what;
        Bytes bytes;
        bool found;
        int32_t width, height;
    } cases[] = {
        {"baseline", Join({soi, app0, table, Segment(0xC0, FrameBody(30000, 15000))}), true, 30000, 15000},
        {"progressive", Join({soi, Segment(0xC2, FrameBody(3500, 1744))}), true, 3500, 1744},
        {"fill bytes", Join({soi, {0xFF, 0xFF}, Segment(0xC0, FrameBody(64, 32))}), true, 64, 32},
        {"not a JPEG", Join({{0x89, 'P', 'N', 'G'}, Segment(0xC0, FrameBody(1, 1))}), false, 0, 0},
        {"data before any frame", Join({soi, Segment(0xDA, Bytes(10, 0)), Segment(0xC0, FrameBody(5, 5))}), false, 0, 0},
        {"cut inside the frame header", Cut(Join({soi, Segment(0xC0, FrameBody(64, 32))}), 8), false, 0, 0},
        {"a segment longer than the file", Join({soi, {0xFF, 0xE1, 0xFF, 0xFF, 0}}), false, 0, 0},
        {"empty", Bytes{}, false, 0, 0},
    };
    for (const auto& c : cases) {
        const DeclaredSize size = JpegDeclaredSize(c.bytes.data(), c.bytes.size());
        EXPECT_EQ(size.found, c.found) << c.what;
        EXPECT_EQ(size.width, c.width) << c.what;
        EXPECT_EQ(size.height, c.height) << c.what;
    }
}

}  // namespace
}  // namespace lx
