#include "effects/effects.h"

#include <cstddef>
#include <cstdint>

#include "render/frames.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace lx {

namespace {

// Bytes of the output frame a pass may touch: never more than the buffer holds,
// nothing when there is no buffer.
size_t FrameBytes() {
    const OutputFrame& out = outputFrame;
    if (!out.pixels || out.byteCount <= 0) return 0;
    const size_t bytes = size_t(out.byteCount);
    return bytes < kOutputBufferBytes ? bytes : kOutputBufferBytes;
}

size_t FramePixels() {
    const OutputFrame& out = outputFrame;
    if (!out.pixels || out.pixelCount <= 0) return 0;
    const size_t pixels = size_t(out.pixelCount);
    const size_t limit = kOutputBufferBytes / 4;
    return pixels < limit ? pixels : limit;
}

}  // namespace

void ApplyInverse() {
    uint8_t* p = outputFrame.pixels.get();
    // Whole 64-bit units only; a ragged tail keeps its bytes.
    const size_t end = FrameBytes() / 8 * 8;
    size_t i = 0;
#if defined(__SSE2__)
    const __m128i ones = _mm_set1_epi8(-1);
    for (; i + 16 <= end; i += 16) {
        __m128i* q = reinterpret_cast<__m128i*>(p + i);
        _mm_storeu_si128(q, _mm_xor_si128(_mm_loadu_si128(q), ones));
    }
#endif
    for (; i < end; ++i) p[i] = uint8_t(p[i] ^ 0xFF);
}

void ApplyNoise() {
    uint8_t* p = outputFrame.pixels.get();
    const size_t end = FrameBytes() / 8 * 8;
    size_t i = 0;
#if defined(__SSE2__)
    const __m128i mask = _mm_set1_epi32(0x00111111);
    for (; i + 16 <= end; i += 16) {
        __m128i* q = reinterpret_cast<__m128i*>(p + i);
        _mm_storeu_si128(q, _mm_or_si128(_mm_loadu_si128(q), mask));
    }
#endif
    for (; i < end; ++i) {
        if ((i & 3) != 3) p[i] = uint8_t(p[i] | 0x11);
    }
}

void ApplyFog() {
    uint8_t* p = outputFrame.pixels.get();
    const size_t end = FrameBytes() / 4 * 4;
    size_t i = 0;
#if defined(__SSE2__)
    const __m128i lift = _mm_set1_epi32(0x003F3F3F);
    const __m128i drop = _mm_set1_epi32(0x00303030);
    for (; i + 16 <= end; i += 16) {
        __m128i* q = reinterpret_cast<__m128i*>(p + i);
        const __m128i v = _mm_adds_epu8(_mm_loadu_si128(q), lift);
        _mm_storeu_si128(q, _mm_subs_epu8(v, drop));
    }
#endif
    for (; i < end; ++i) {
        if ((i & 3) == 3) continue;
        const int t = p[i] + 63 > 255 ? 255 : p[i] + 63;
        p[i] = uint8_t(t - 48);
    }
}

void ApplyGrayScale() {
    uint8_t* p = outputFrame.pixels.get();
    const size_t count = FramePixels();
    size_t n = 0;
#if defined(__SSE2__)
    const __m128i low = _mm_set1_epi32(0xFF);
    const __m128i bias = _mm_set1_epi32(127);
    for (; n + 4 <= count; n += 4) {
        __m128i* q = reinterpret_cast<__m128i*>(p + 4 * n);
        const __m128i v = _mm_loadu_si128(q);
        __m128i g = _mm_add_epi32(_mm_and_si128(v, low),
                                  _mm_and_si128(_mm_srli_epi32(v, 8), low));
        g = _mm_add_epi32(g, _mm_and_si128(_mm_srli_epi32(v, 16), low));
        g = _mm_srli_epi32(_mm_add_epi32(g, bias), 2);  // at most 223
        g = _mm_or_si128(g, _mm_slli_epi32(g, 8));
        g = _mm_or_si128(g, _mm_slli_epi32(g, 16));
        _mm_storeu_si128(q, g);
    }
#endif
    for (; n < count; ++n) {
        uint8_t* px = p + 4 * n;
        const uint8_t g = uint8_t((px[0] + px[1] + px[2] + 127) >> 2);
        px[0] = px[1] = px[2] = px[3] = g;
    }
}

}  // namespace lx
