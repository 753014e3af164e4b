// Plain scalar transcriptions of the two remap kernels, pixel by pixel, with
// no incremental updates and no vector code. The fast kernels must give the
// same bytes.
#pragma once

#include <cstdint>
#include <cstring>

#include "render/frames.h"
#include "render/projection.h"

namespace lx::reference {

// Negation in 32-bit two's complement, without signed overflow.
inline uint32_t Neg(int32_t v) { return 0u - uint32_t(v); }

inline uint32_t Length(uint32_t p, uint32_t q) {
    return (uint32_t(tables.secantTable[(q << 12) / p]) * p) >> 12;
}

inline int32_t Angle(int32_t a, int32_t b) {
    const ProjectionTables& t = tables;
    if (a > 0 && b > 0) return t.angleTable[(uint32_t(b) << 12) / (uint32_t(a) + uint32_t(b))];
    if (a > 0) return -t.angleTable[(Neg(b) << 12) / (uint32_t(a) - uint32_t(b))];
    if (a == 0) return b > 0 ? t.quarterTurn : -t.quarterTurn;
    if (b < 0) return t.angleTable[(Neg(b) << 12) / (Neg(a) - uint32_t(b))] - t.halfTurn;
    return t.halfTurn - t.angleTable[(uint32_t(b) << 12) / (Neg(a) + uint32_t(b))];
}

struct Direction {
    int32_t x, y, z;
};

inline Direction DirectionAt(int32_t x, int32_t y) {
    const auto& m = viewMatrix.fixedMatrix;
    auto mul = [](int32_t a, int32_t b) { return uint32_t(a) * uint32_t(b); };
    Direction d;
    d.x = int32_t(mul(m[0][0], x) + mul(m[0][1], y) + uint32_t(m[0][2]));
    d.y = int32_t(mul(m[1][1], y) + uint32_t(m[1][2]));
    d.z = int32_t(mul(m[2][0], x) + mul(m[2][1], y) + uint32_t(m[2][2]));
    return d;
}

inline uint32_t SourcePixel(int32_t column, int32_t row) {
    uint32_t value;
    std::memcpy(&value,
                sourceFrame.pixels.get() + size_t(row) * sourceFrame.rowBytes + 4 * size_t(column), 4);
    return value;
}

inline void PutOutput(int32_t k, int32_t r, uint32_t value) {
    std::memcpy(outputFrame.pixels.get() + (size_t(r) * outputFrame.width + k) * 4, &value, 4);
}

// Source column and the ratio quotient for one quadrant: p sideways, q along.
struct Ratio {
    uint32_t c;
    uint32_t rho;
};
inline Ratio QuadrantRatio(uint32_t side, uint32_t along) {
    if (side > along) return {4096 - (along << 12) / (side + along), Length(side, along)};
    return {(side << 12) / (side + along), Length(along, side)};
}

inline void RemapNearest() {
    const ProjectionTables& t = tables;
    const int32_t W = sourceFrame.width;
    for (int32_t r = 0; r < outputFrame.height; ++r) {
        const int32_t y = outputFrame.yFirst + 1 + r;
        for (int32_t k = 0; k < outputFrame.width; ++k) {
            const int32_t x = outputFrame.xFirst + 1 + k;
            const Direction d = DirectionAt(x, y);
            const int32_t* rowTable = d.y >= 0 ? t.rowUp : t.rowDown;
            const uint32_t v = d.y >= 0 ? uint32_t(d.y) : Neg(d.y);
            const uint32_t s = v << 12;
            int32_t column;
            uint32_t i;
            if (d.z > 0 && d.x > 0) {
                const Ratio q = QuadrantRatio(uint32_t(d.x), uint32_t(d.z));
                column = t.colFrontRight[q.c];
                i = s / (v + q.rho);
            } else if (d.z > 0) {
                const Ratio q = QuadrantRatio(Neg(d.x), uint32_t(d.z));
                column = t.colFrontLeft[q.c];
                i = s / (v + q.rho);
            } else if (d.z == 0) {
                if (d.x > 0) {
                    column = 3 * (W >> 2);
                    i = s / (v + uint32_t(d.x));
                } else {
                    column = W >> 2;
                    i = s / (v - uint32_t(d.x));
                }
            } else if (d.x < 0) {
                const Ratio q = QuadrantRatio(Neg(d.x), Neg(d.z));
                column = t.colBackLeft[q.c];
                i = s / (v + q.rho);
            } else {
                const Ratio q = QuadrantRatio(uint32_t(d.x), Neg(d.z));
                column = t.colBackRight[q.c];
                i = s / (v + q.rho);
            }
            PutOutput(k, r, SourcePixel(column, rowTable[i]));
        }
    }
}

inline uint32_t HorizontalLength(int32_t z, int32_t x) {
    const uint32_t p = z < 0 ? Neg(z) : uint32_t(z);
    const uint32_t q = x < 0 ? Neg(x) : uint32_t(x);
    if (p > q) return Length(p, q);
    if (q == 0) return 0;
    return Length(q, p);
}

inline uint32_t Blend(uint32_t left, uint32_t right, uint32_t upLeft, uint32_t upRight, uint32_t fx,
                      uint32_t fy) {
    uint32_t result = 0;
    for (int shift = 0; shift < 24; shift += 8) {
        auto byte = [shift](uint32_t p) { return (p >> shift) & 255; };
        const uint32_t top = fx * byte(right) + (255 - fx) * byte(left);
        const uint32_t bottom = fx * byte(upRight) + (255 - fx) * byte(upLeft);
        const uint32_t value = ((top >> 4) * ((255 - fy) << 4) + (bottom >> 4) * (fy << 4)) >> 16;
        result |= value << shift;
    }
    return result;
}

inline void RemapBilinear() {
    const int32_t W = sourceFrame.width;
    const int32_t H = sourceFrame.height;
    const int32_t cx = W >> 1;
    const int32_t cy = (H - 1) >> 1;
    for (int32_t r = 1; r < outputFrame.height; ++r) {
        const int32_t y = outputFrame.yFirst + r;
        for (int32_t k = 0; k < outputFrame.width - 1; ++k) {
            const int32_t x = outputFrame.xFirst + 1 + k;
            const Direction d = DirectionAt(x, y);
            const int32_t lambda = Angle(d.z, d.x);
            const int32_t rho = int32_t(HorizontalLength(d.z, d.x));
            const int32_t phi = Angle(rho, d.y);
            const int32_t column = (lambda >> 8) + cx;
            const int32_t row = (phi >> 8) + cy;
            if (column < 0 || row < 0 || column > W - 1 || row > H - 2) continue;
            const uint32_t fx = uint32_t(lambda) & 255;
            const uint32_t fy = uint32_t(phi) & 255;
            const int32_t right = column == W - 1 ? 0 : column + 1;
            PutOutput(k, r,
                      Blend(SourcePixel(column, row), SourcePixel(right, row),
                            SourcePixel(column, row + 1), SourcePixel(right, row + 1), fx, fy));
        }
    }
}

}  // namespace lx::reference
