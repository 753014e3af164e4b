#include "media/jpeg_header.h"

namespace lx {

namespace {

// Start-of-frame markers: C0..CF except DHT (C4), JPG (C8) and DAC (CC).
bool IsFrameHeader(uint8_t marker) {
    return marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
}

uint32_t BigEndian16(const uint8_t* p) { return uint32_t(p[0]) << 8 | p[1]; }

}  // namespace

DeclaredSize JpegDeclaredSize(const uint8_t* bytes, size_t count) {
    DeclaredSize size;
    if (!bytes || count < 4 || bytes[0] != 0xFF || bytes[1] != 0xD8) return size;
    size_t at = 2;
    while (at + 4 <= count) {
        if (bytes[at] != 0xFF) return size;
        const uint8_t marker = bytes[at + 1];
        if (marker == 0xFF) {  // fill byte
            ++at;
            continue;
        }
        if (marker == 0xD8 || marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) {
            at += 2;
            continue;
        }
        if (marker == 0xD9 || marker == 0xDA) return size;  // no frame header before the data
        const uint32_t length = BigEndian16(bytes + at + 2);
        if (length < 2) return size;
        if (IsFrameHeader(marker)) {
            if (length < 7 || at + 9 > count) return size;
            size.found = true;
            size.height = int32_t(BigEndian16(bytes + at + 5));
            size.width = int32_t(BigEndian16(bytes + at + 7));
            return size;
        }
        at += 2 + length;
    }
    return size;
}

}  // namespace lx
