#include <cstddef>
#include <cstdint>
#include <cstring>

#include "effects/effects.h"
#include "render/frames.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace lx {

namespace {

constexpr uint64_t kBufferPixels = kOutputBufferBytes / 4;

uint8_t ClampByte(int v) { return uint8_t(v < 0 ? 0 : (v > 255 ? 255 : v)); }

// Sharpens the pixels [begin, end) of src into dst. Neighbours are taken by
// index, so the row ends wrap into the adjacent rows.
void SharpenSpan(const uint8_t* src, uint8_t* dst, size_t begin, size_t end, size_t width) {
    const ptrdiff_t row = ptrdiff_t(4 * width);
    size_t k = 4 * begin;
    const size_t stop = 4 * end;
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128();
    const __m128i max = _mm_set1_epi16(255);
    for (; k + 16 <= stop; k += 16) {
        const uint8_t* s = src + k;
        const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s));
        const __m128i u = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s - row));
        const __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + row));
        const __m128i l = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s - 4));
        const __m128i r = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + 4));
        __m128i half[2];
        for (int h = 0; h < 2; ++h) {
            const __m128i xw = h ? _mm_unpackhi_epi8(x, zero) : _mm_unpacklo_epi8(x, zero);
            const __m128i uw = h ? _mm_unpackhi_epi8(u, zero) : _mm_unpacklo_epi8(u, zero);
            const __m128i dw = h ? _mm_unpackhi_epi8(d, zero) : _mm_unpacklo_epi8(d, zero);
            const __m128i lw = h ? _mm_unpackhi_epi8(l, zero) : _mm_unpacklo_epi8(l, zero);
            const __m128i rw = h ? _mm_unpackhi_epi8(r, zero) : _mm_unpacklo_epi8(r, zero);
            const __m128i around = _mm_add_epi16(_mm_add_epi16(uw, dw), _mm_add_epi16(lw, rw));
            const __m128i x4 = _mm_slli_epi16(xw, 2);
            __m128i sum = _mm_sub_epi16(_mm_add_epi16(x4, xw), around);
            sum = _mm_min_epi16(_mm_max_epi16(sum, zero), max);
            half[h] = _mm_srli_epi16(_mm_add_epi16(sum, _mm_sub_epi16(x4, xw)), 2);
        }
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + k), _mm_packus_epi16(half[0], half[1]));
    }
#endif
    for (; k < stop; ++k) {
        const int x = src[k];
        const int sum = 5 * x - src[k - row] - src[k + row] - src[k - 4] - src[k + 4];
        dst[k] = uint8_t((ClampByte(sum) + 3 * x) >> 2);
    }
}

}  // namespace

void SharpenFrame() {
    OutputFrame& out = outputFrame;
    uint8_t* pixels = out.pixels.get();
    uint8_t* scratch = out.scratch.get();
    if (!pixels || !scratch || out.width <= 0 || out.height < 3) return;
    const uint64_t width = uint64_t(out.width);
    // Rows whose lower neighbour lies past the buffer are left alone.
    const uint64_t rowsInBuffer = kBufferPixels / width;
    if (rowsInBuffer < 3) return;
    uint64_t lastRow = uint64_t(out.height) - 2;
    if (lastRow > rowsInBuffer - 2) lastRow = rowsInBuffer - 2;
    const size_t rowBytes = size_t(4 * width);
    // Row r - 1 goes back into pixels as soon as row r is filtered: no later
    // row reads it, and it is still in cache.
    for (uint64_t r = 1; r <= lastRow; ++r) {
        SharpenSpan(pixels, scratch, size_t(r * width), size_t((r + 1) * width), size_t(width));
        if (r >= 2) {
            const size_t at = size_t((r - 1) * rowBytes);
            std::memcpy(pixels + at, scratch + at, rowBytes);
        }
    }
    const size_t at = size_t(lastRow * rowBytes);
    std::memcpy(pixels + at, scratch + at, rowBytes);
}

void SoftenFrame() {
    OutputFrame& out = outputFrame;
    uint8_t* p = out.pixels.get();
    if (!p || out.width <= 0 || out.height <= 0) return;
    const uint64_t width = uint64_t(out.width);
    // Each pixel reads up to index + W + 1. A pixel whose block would reach past
    // the buffer keeps its value, so nothing outside the buffer is ever read.
    if (kBufferPixels <= width + 1) return;
    uint64_t count = width * uint64_t(out.height);
    if (count > kBufferPixels - width - 1) count = kBufferPixels - width - 1;
    const size_t row = size_t(4 * width);
    const size_t stop = size_t(4 * count);
    size_t k = 0;
#if defined(__SSE2__)
    // In increasing order every block reads its neighbours (all at higher
    // indices) before any of them is written.
    const __m128i zero = _mm_setzero_si128();
    for (; k + 16 <= stop; k += 16) {
        uint8_t* s = p + k;
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + 4));
        const __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + row));
        const __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + row + 4));
        const __m128i lo = _mm_add_epi16(
            _mm_add_epi16(_mm_unpacklo_epi8(a, zero), _mm_unpacklo_epi8(b, zero)),
            _mm_add_epi16(_mm_unpacklo_epi8(c, zero), _mm_unpacklo_epi8(d, zero)));
        const __m128i hi = _mm_add_epi16(
            _mm_add_epi16(_mm_unpackhi_epi8(a, zero), _mm_unpackhi_epi8(b, zero)),
            _mm_add_epi16(_mm_unpackhi_epi8(c, zero), _mm_unpackhi_epi8(d, zero)));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(s),
                         _mm_packus_epi16(_mm_srli_epi16(lo, 2), _mm_srli_epi16(hi, 2)));
    }
#endif
    for (; k < stop; ++k) p[k] = uint8_t((p[k] + p[k + 4] + p[k + row] + p[k + row + 4]) >> 2);
}

}  // namespace lx
