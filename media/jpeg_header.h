// The picture size a JPEG file declares in its frame header, read before the
// picture is decoded, so that a picture too large for the renderer is
// refused at once instead of after a long decode.
#pragma once

#include <cstddef>
#include <cstdint>

namespace lx {

struct DeclaredSize {
    bool found = false;
    int32_t width = 0;
    int32_t height = 0;
};

// The width and height of the first frame header (any start-of-frame
// marker) found by walking the file's marker segments; found is false when
// the bytes are not a JPEG or end before one.
DeclaredSize JpegDeclaredSize(const uint8_t* bytes, size_t count);

}  // namespace lx
