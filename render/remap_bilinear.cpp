// Bilinear remap: longitude and latitude of each direction to 1/256 source
// pixel, from the angle table indexed by the ratio of the across component to
// the sum of both, then a blend of four source pixels whose weights sum to
// 255. Row 0 and the last column of the frame are not written.
//
// The vector code computes 4 (SSE2) or 8 (AVX2) pixels at once with exact
// quotients. Every weighted sum of the blend is an exact product of values
// below 2^8 and 2^12, so the product table's entries f * v are formed with
// 16-bit multiply-adds instead of being looked up.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "render/frames.h"
#include "render/projection.h"
#include "render/remap.h"
#include "render/remap_internal.h"

namespace lx::remap {

namespace {

struct BilinearPass {
    const ProjectionTables* tables;
    const uint8_t* src;
    size_t rowBytes;
    int32_t sourceWidth;
    int32_t sourceHeight;
    int32_t cx;
    int32_t cy;
    uint8_t* out;
    int32_t width;
    uint32_t xStart;
    int32_t yFirst;
    uint32_t m[3][3];
};

struct BilinearRow {
    int32_t Y;
    uint32_t X;  // at the first column
    uint32_t Z;
    uint8_t* dst;
};

BilinearPass MakePass() {
    BilinearPass p;
    p.tables = &tables;
    p.src = sourceFrame.pixels.get();
    p.rowBytes = size_t(sourceFrame.rowBytes);
    p.sourceWidth = sourceFrame.width;
    p.sourceHeight = sourceFrame.height;
    p.cx = sourceFrame.width >> 1;
    p.cy = (sourceFrame.height - 1) >> 1;
    p.out = outputFrame.pixels.get();
    p.width = outputFrame.width;
    p.xStart = uint32_t(outputFrame.xFirst + 1);
    p.yFirst = outputFrame.yFirst;
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c) p.m[r][c] = uint32_t(viewMatrix.fixedMatrix[r][c]);
    return p;
}

BilinearRow StartRow(const BilinearPass& p, int32_t r) {
    const uint32_t y = uint32_t(p.yFirst + r);
    BilinearRow row;
    row.Y = int32_t(p.m[1][1] * y + p.m[1][2]);
    row.X = p.m[0][0] * p.xStart + p.m[0][1] * y + p.m[0][2];
    row.Z = p.m[2][0] * p.xStart + p.m[2][1] * y + p.m[2][2];
    row.dst = p.out + size_t(r) * size_t(p.width) * 4;
    return row;
}

// Angle of the vector (a along, b across) from the a axis, 1/256 pixels.
int32_t Angle(const ProjectionTables& t, int32_t a, int32_t b) {
    if (a == 0) return b > 0 ? t.quarterTurn : -t.quarterTurn;
    const uint32_t along = Magnitude(a);
    const uint32_t across = Magnitude(b);
    const int32_t entry = t.angleTable[Ratio12(across, along + across)];
    if (a > 0) return b > 0 ? entry : -entry;
    return b < 0 ? entry - t.halfTurn : t.halfTurn - entry;
}

inline int32_t LoadPixel(const uint8_t* at) {
    int32_t value;
    std::memcpy(&value, at, 4);
    return value;
}

inline uint32_t SourcePixel(const BilinearPass& p, int32_t column, int32_t row) {
    uint32_t value;
    std::memcpy(&value, p.src + size_t(row) * p.rowBytes + 4 * size_t(column), 4);
    return value;
}

uint32_t Blend(uint32_t left, uint32_t right, uint32_t upLeft, uint32_t upRight, uint32_t fx, uint32_t fy) {
    uint32_t result = 0;
    for (int shift = 0; shift < 24; shift += 8) {
        auto byte = [shift](uint32_t pixel) { return (pixel >> shift) & 255; };
        const uint32_t top = fx * byte(right) + (255 - fx) * byte(left);
        const uint32_t bottom = fx * byte(upRight) + (255 - fx) * byte(upLeft);
        result |= (((top >> 4) * ((255 - fy) << 4) + (bottom >> 4) * (fy << 4)) >> 16) << shift;
    }
    return result;
}

// One output pixel in scalar form; leaves it unchanged when its source row
// or column lies outside the picture.
void BilinearPixel(const BilinearPass& p, const BilinearRow& row, int32_t k, uint32_t X, uint32_t Z) {
    const ProjectionTables& t = *p.tables;
    const int32_t x = int32_t(X);
    const int32_t z = int32_t(Z);
    const int32_t lambda = Angle(t, z, x);
    const uint32_t a = Magnitude(z);
    const uint32_t b = Magnitude(x);
    const uint32_t large = a > b ? a : b;
    const uint32_t small = a > b ? b : a;
    const uint32_t rho = (uint32_t(t.secantTable[Ratio12(small, large)]) * large) >> 12;
    const int32_t phi = Angle(t, int32_t(rho), row.Y);
    const int32_t column = (lambda >> 8) + p.cx;
    const int32_t sourceRow = (phi >> 8) + p.cy;
    if (column < 0 || sourceRow < 0 || column > p.sourceWidth - 1 || sourceRow > p.sourceHeight - 2) return;
    const int32_t right = column == p.sourceWidth - 1 ? 0 : column + 1;
    const uint32_t value =
        Blend(SourcePixel(p, column, sourceRow), SourcePixel(p, right, sourceRow),
              SourcePixel(p, column, sourceRow + 1), SourcePixel(p, right, sourceRow + 1),
              uint32_t(lambda) & 255, uint32_t(phi) & 255);
    std::memcpy(row.dst + 4 * size_t(k), &value, 4);
}

void BilinearColumns(const BilinearPass& p, const BilinearRow& row, int32_t k, int32_t end) {
    uint32_t X = row.X + uint32_t(k) * p.m[0][0];
    uint32_t Z = row.Z + uint32_t(k) * p.m[2][0];
    for (; k < end; ++k, X += p.m[0][0], Z += p.m[2][0]) BilinearPixel(p, row, k, X, Z);
}

// One pixel's colour from its channel pairs (left, right) of the row and of
// the row above, as 16-bit words, and its weights: weightX holds
// (255 - fx) | fx << 16 in every lane, weightY ((255 - fy) << 4) | (fy << 4) << 16.
inline __m128i BlendPixelSse2(__m128i rowPairs, __m128i upPairs, __m128i weightX, __m128i weightY) {
    const __m128i top = _mm_madd_epi16(rowPairs, weightX);
    const __m128i bottom = _mm_madd_epi16(upPairs, weightX);
    // (top >> 4) in the low word, (bottom >> 4) in the high word: both < 2^12.
    const __m128i both = _mm_or_si128(_mm_srli_epi32(top, 4),
                                      _mm_and_si128(_mm_slli_epi32(bottom, 12), _mm_set1_epi32(int32_t(0xFFFF0000u))));
    return _mm_srli_epi32(_mm_madd_epi16(both, weightY), 16);
}

// Blend of four pixels given as dword vectors, SSE2; weights as above, one
// lane per pixel.
inline __m128i BlendSse2(__m128i left, __m128i right, __m128i upLeft, __m128i upRight, __m128i weightX,
                         __m128i weightY) {
    const __m128i zero = _mm_setzero_si128();
    // Interleave each channel of the left and right pixel as a word pair.
    const __m128i rowLow = _mm_unpacklo_epi8(left, right);
    const __m128i rowHigh = _mm_unpackhi_epi8(left, right);
    const __m128i upLow = _mm_unpacklo_epi8(upLeft, upRight);
    const __m128i upHigh = _mm_unpackhi_epi8(upLeft, upRight);
    const __m128i value0 = BlendPixelSse2(_mm_unpacklo_epi8(rowLow, zero), _mm_unpacklo_epi8(upLow, zero),
                                          _mm_shuffle_epi32(weightX, 0x00), _mm_shuffle_epi32(weightY, 0x00));
    const __m128i value1 = BlendPixelSse2(_mm_unpackhi_epi8(rowLow, zero), _mm_unpackhi_epi8(upLow, zero),
                                          _mm_shuffle_epi32(weightX, 0x55), _mm_shuffle_epi32(weightY, 0x55));
    const __m128i value2 = BlendPixelSse2(_mm_unpacklo_epi8(rowHigh, zero), _mm_unpacklo_epi8(upHigh, zero),
                                          _mm_shuffle_epi32(weightX, 0xAA), _mm_shuffle_epi32(weightY, 0xAA));
    const __m128i value3 = BlendPixelSse2(_mm_unpackhi_epi8(rowHigh, zero), _mm_unpackhi_epi8(upHigh, zero),
                                          _mm_shuffle_epi32(weightX, 0xFF), _mm_shuffle_epi32(weightY, 0xFF));
    const __m128i packed = _mm_packus_epi16(_mm_packs_epi32(value0, value1), _mm_packs_epi32(value2, value3));
    return _mm_and_si128(packed, _mm_set1_epi32(0x00FFFFFF));
}

// The same for two pixels at once, one in each 128-bit half.
LX_AVX2_INLINE __m256i BlendPixelsAvx2(__m256i rowPairs, __m256i upPairs, __m256i weightX, __m256i weightY) {
    const __m256i top = _mm256_madd_epi16(rowPairs, weightX);
    const __m256i bottom = _mm256_madd_epi16(upPairs, weightX);
    const __m256i both = _mm256_or_si256(
        _mm256_srli_epi32(top, 4), _mm256_and_si256(_mm256_slli_epi32(bottom, 12), _mm256_set1_epi32(int32_t(0xFFFF0000u))));
    return _mm256_srli_epi32(_mm256_madd_epi16(both, weightY), 16);
}

// What the loops over one run of pixels hand on to the next.
struct BilinearRun {
    static constexpr int32_t kPixels = 256;
    alignas(32) uint32_t longitudeEntry[kPixels];  // angle table index for the longitude
    alignas(32) uint32_t secantEntry[kPixels];
    alignas(32) int32_t lambda[kPixels];
    alignas(32) uint32_t rho[kPixels];
    alignas(32) uint32_t latitudeEntry[kPixels];
    alignas(32) uint32_t index[kPixels];    // lower-left source pixel; 0 outside the picture
    alignas(32) uint32_t weightX[kPixels];  // (255 - fx) | fx << 16
    alignas(32) uint32_t weightY[kPixels];  // (255 - fy) << 4 | fy << 20
    uint8_t outside[kPixels / 4];  // per group of 4 (SSE2) or 8 (AVX2): lanes outside the picture
    uint8_t wraps[kPixels / 4];    // lanes at the last source column
};

// Rewrites the pixels of a group whose right neighbours wrap to column 0.
void FixWraps(const BilinearPass& p, const BilinearRow& row, int32_t k, int lanes) {
    for (int j = 0; lanes; ++j, lanes >>= 1)
        if (lanes & 1)
            BilinearPixel(p, row, k + j, row.X + uint32_t(k + j) * p.m[0][0], row.Z + uint32_t(k + j) * p.m[2][0]);
}

void BilinearRunSse2(const BilinearPass& p, const BilinearRow& row, int32_t k, int32_t count, BilinearRun& run) {
    const ProjectionTables& t = *p.tables;
    const __m128i zero = _mm_setzero_si128();
    const __m128i byteMask = _mm_set1_epi32(255);
    const __m128i stepX = _mm_set1_epi32(int32_t(4 * p.m[0][0]));
    const __m128i stepZ = _mm_set1_epi32(int32_t(4 * p.m[2][0]));
    const __m128i startX = StartLanesSse2(row.X, p.m[0][0], k);
    const __m128i startZ = StartLanesSse2(row.Z, p.m[2][0], k);
    const __m128i ay = _mm_set1_epi32(int32_t(Magnitude(row.Y)));

    // Table indexes of the longitude and of the horizontal length.
    __m128i X = startX, Z = startZ;
    for (int32_t j = 0; j < count; j += 4, X = _mm_add_epi32(X, stepX), Z = _mm_add_epi32(Z, stepZ)) {
        const __m128i ax = AbsSse2(X);
        const __m128i az = AbsSse2(Z);
        const __m128i zLarger = GreaterUnsignedSse2(az, ax);
        _mm_store_si128(reinterpret_cast<__m128i*>(run.longitudeEntry + j), Quotient12Sse2(ax, _mm_add_epi32(ax, az)));
        _mm_store_si128(reinterpret_cast<__m128i*>(run.secantEntry + j),
                        Quotient12Sse2(SelectSse2(zLarger, ax, az), SelectSse2(zLarger, az, ax)));
    }

    // Longitude: Angle(Z, X); horizontal length; table index of the latitude.
    const __m128i quarterTurn = _mm_set1_epi32(t.quarterTurn);
    const __m128i halfTurn = _mm_set1_epi32(t.halfTurn);
    X = startX;
    Z = startZ;
    for (int32_t j = 0; j < count; j += 4, X = _mm_add_epi32(X, stepX), Z = _mm_add_epi32(Z, stepZ)) {
        const __m128i entry = LookupSse2(t.angleTable, run.longitudeEntry + j);
        const __m128i zPositive = _mm_cmpgt_epi32(Z, zero);
        const __m128i xPositive = _mm_cmpgt_epi32(X, zero);
        const __m128i xNegative = _mm_cmplt_epi32(X, zero);
        const __m128i base = SelectSse2(_mm_cmplt_epi32(Z, zero), _mm_sub_epi32(halfTurn, entry), entry);
        const __m128i negate =
            _mm_or_si128(xNegative, _mm_andnot_si128(_mm_or_si128(xPositive, xNegative), zPositive));
        const __m128i lambda = _mm_sub_epi32(_mm_xor_si128(base, negate), negate);
        const __m128i onAxis = SelectSse2(xPositive, quarterTurn, _mm_sub_epi32(zero, quarterTurn));
        _mm_store_si128(reinterpret_cast<__m128i*>(run.lambda + j),
                        SelectSse2(_mm_cmpeq_epi32(Z, zero), onAxis, lambda));

        const __m128i ax = AbsSse2(X);
        const __m128i az = AbsSse2(Z);
        const __m128i large = SelectSse2(GreaterUnsignedSse2(az, ax), az, ax);
        const __m128i sec = LookupSse2(t.secantTable, run.secantEntry + j);
        const __m128i rho = _mm_srli_epi32(MulLo32Sse2(sec, large), 12);
        _mm_store_si128(reinterpret_cast<__m128i*>(run.rho + j), rho);
        _mm_store_si128(reinterpret_cast<__m128i*>(run.latitudeEntry + j), Quotient12Sse2(ay, _mm_add_epi32(rho, ay)));
    }

    // Latitude: Angle(rho, Y); source position and weights.
    const __m128i yNegate = _mm_set1_epi32(row.Y > 0 ? 0 : -1);
    const __m128i yQuarter = _mm_set1_epi32(row.Y > 0 ? t.quarterTurn : -t.quarterTurn);
    const __m128i lastColumn = _mm_set1_epi32(p.sourceWidth - 1);
    const __m128i lastRow = _mm_set1_epi32(p.sourceHeight - 2);
    for (int32_t j = 0; j < count; j += 4) {
        const __m128i latitude = LookupSse2(t.angleTable, run.latitudeEntry + j);
        const __m128i rho = _mm_load_si128(reinterpret_cast<const __m128i*>(run.rho + j));
        const __m128i phi = SelectSse2(_mm_cmpeq_epi32(rho, zero), yQuarter,
                                       _mm_sub_epi32(_mm_xor_si128(latitude, yNegate), yNegate));
        const __m128i lambda = _mm_load_si128(reinterpret_cast<const __m128i*>(run.lambda + j));
        const __m128i column = _mm_add_epi32(_mm_srai_epi32(lambda, 8), _mm_set1_epi32(p.cx));
        const __m128i sourceRow = _mm_add_epi32(_mm_srai_epi32(phi, 8), _mm_set1_epi32(p.cy));
        const __m128i outside =
            _mm_or_si128(GreaterUnsignedSse2(column, lastColumn), GreaterUnsignedSse2(sourceRow, lastRow));
        const __m128i index =
            _mm_andnot_si128(outside, _mm_add_epi32(MulLo32Sse2(sourceRow, _mm_set1_epi32(p.sourceWidth)), column));
        const __m128i fx = _mm_and_si128(lambda, byteMask);
        const __m128i fy = _mm_and_si128(phi, byteMask);
        _mm_store_si128(reinterpret_cast<__m128i*>(run.index + j), index);
        _mm_store_si128(reinterpret_cast<__m128i*>(run.weightX + j),
                        _mm_or_si128(_mm_sub_epi32(byteMask, fx), _mm_slli_epi32(fx, 16)));
        _mm_store_si128(reinterpret_cast<__m128i*>(run.weightY + j),
                        _mm_or_si128(_mm_slli_epi32(_mm_sub_epi32(byteMask, fy), 4), _mm_slli_epi32(fy, 20)));
        run.outside[j / 4] = uint8_t(_mm_movemask_ps(_mm_castsi128_ps(outside)));
        const __m128i wraps = _mm_andnot_si128(outside, _mm_cmpeq_epi32(column, lastColumn));
        run.wraps[j / 4] = uint8_t(_mm_movemask_ps(_mm_castsi128_ps(wraps)));
    }

    // Fetch and blend.
    const uint8_t* src = p.src;
    const size_t up = p.rowBytes;
    const __m128i bits = _mm_setr_epi32(1, 2, 4, 8);
    for (int32_t j = 0; j < count; j += 4) {
        const int outsideLanes = run.outside[j / 4];
        if (outsideLanes == 0xF) continue;
        // The right neighbour of the last column is read from the next row
        // (inside the buffer's slack at the top) and put right below.
        const uint32_t* index = run.index + j;
        const uint8_t* at0 = src + 4 * size_t(index[0]);
        const uint8_t* at1 = src + 4 * size_t(index[1]);
        const uint8_t* at2 = src + 4 * size_t(index[2]);
        const uint8_t* at3 = src + 4 * size_t(index[3]);
        auto gather = [at0, at1, at2, at3](size_t offset) {
            return _mm_setr_epi32(LoadPixel(at0 + offset), LoadPixel(at1 + offset), LoadPixel(at2 + offset),
                                  LoadPixel(at3 + offset));
        };
        __m128i value = BlendSse2(gather(0), gather(4), gather(up), gather(up + 4),
                                  _mm_load_si128(reinterpret_cast<const __m128i*>(run.weightX + j)),
                                  _mm_load_si128(reinterpret_cast<const __m128i*>(run.weightY + j)));
        __m128i* dst = reinterpret_cast<__m128i*>(row.dst + 4 * size_t(k + j));
        if (outsideLanes) {
            const __m128i outside = _mm_cmpeq_epi32(_mm_and_si128(_mm_set1_epi32(outsideLanes), bits), bits);
            value = SelectSse2(outside, _mm_loadu_si128(dst), value);
        }
        _mm_storeu_si128(dst, value);
        if (run.wraps[j / 4]) FixWraps(p, row, k + j, run.wraps[j / 4]);
    }
}

LX_AVX2 void BilinearRunAvx2(const BilinearPass& p, const BilinearRow& row, int32_t k, int32_t count,
                             BilinearRun& run) {
    const ProjectionTables& t = *p.tables;
    const __m256i zero = _mm256_setzero_si256();
    const __m256i byteMask = _mm256_set1_epi32(255);
    const __m256i stepX = _mm256_set1_epi32(int32_t(8 * p.m[0][0]));
    const __m256i stepZ = _mm256_set1_epi32(int32_t(8 * p.m[2][0]));
    const __m256i startX = StartLanesAvx2(row.X, p.m[0][0], k);
    const __m256i startZ = StartLanesAvx2(row.Z, p.m[2][0], k);
    const __m256i ay = _mm256_set1_epi32(int32_t(Magnitude(row.Y)));

    // Table indexes of the longitude and of the horizontal length.
    __m256i X = startX, Z = startZ;
    for (int32_t j = 0; j < count; j += 8, X = _mm256_add_epi32(X, stepX), Z = _mm256_add_epi32(Z, stepZ)) {
        const __m256i ax = _mm256_abs_epi32(X);
        const __m256i az = _mm256_abs_epi32(Z);
        _mm256_store_si256(reinterpret_cast<__m256i*>(run.longitudeEntry + j),
                           Quotient12Avx2(ax, _mm256_add_epi32(ax, az)));
        _mm256_store_si256(reinterpret_cast<__m256i*>(run.secantEntry + j),
                           Quotient12Avx2(_mm256_min_epu32(ax, az), _mm256_max_epu32(ax, az)));
    }

    // Longitude: Angle(Z, X); horizontal length; table index of the latitude.
    const __m256i quarterTurn = _mm256_set1_epi32(t.quarterTurn);
    const __m256i halfTurn = _mm256_set1_epi32(t.halfTurn);
    X = startX;
    Z = startZ;
    for (int32_t j = 0; j < count; j += 8, X = _mm256_add_epi32(X, stepX), Z = _mm256_add_epi32(Z, stepZ)) {
        const __m256i entry = LookupAvx2(t.angleTable, run.longitudeEntry + j);
        const __m256i zPositive = _mm256_cmpgt_epi32(Z, zero);
        const __m256i xPositive = _mm256_cmpgt_epi32(X, zero);
        const __m256i xNegative = _mm256_cmpgt_epi32(zero, X);
        const __m256i base = _mm256_blendv_epi8(entry, _mm256_sub_epi32(halfTurn, entry), _mm256_cmpgt_epi32(zero, Z));
        const __m256i negate =
            _mm256_or_si256(xNegative, _mm256_andnot_si256(_mm256_or_si256(xPositive, xNegative), zPositive));
        const __m256i lambda = _mm256_sub_epi32(_mm256_xor_si256(base, negate), negate);
        const __m256i onAxis = _mm256_blendv_epi8(_mm256_sub_epi32(zero, quarterTurn), quarterTurn, xPositive);
        _mm256_store_si256(reinterpret_cast<__m256i*>(run.lambda + j),
                           _mm256_blendv_epi8(lambda, onAxis, _mm256_cmpeq_epi32(Z, zero)));

        const __m256i large = _mm256_max_epu32(_mm256_abs_epi32(X), _mm256_abs_epi32(Z));
        const __m256i sec = LookupAvx2(t.secantTable, run.secantEntry + j);
        const __m256i rho = _mm256_srli_epi32(_mm256_mullo_epi32(sec, large), 12);
        _mm256_store_si256(reinterpret_cast<__m256i*>(run.rho + j), rho);
        _mm256_store_si256(reinterpret_cast<__m256i*>(run.latitudeEntry + j),
                           Quotient12Avx2(ay, _mm256_add_epi32(rho, ay)));
    }

    // Latitude: Angle(rho, Y); source position and weights.
    const __m256i yNegate = _mm256_set1_epi32(row.Y > 0 ? 0 : -1);
    const __m256i yQuarter = _mm256_set1_epi32(row.Y > 0 ? t.quarterTurn : -t.quarterTurn);
    const __m256i lastColumn = _mm256_set1_epi32(p.sourceWidth - 1);
    const __m256i lastRow = _mm256_set1_epi32(p.sourceHeight - 2);
    for (int32_t j = 0; j < count; j += 8) {
        const __m256i latitude = LookupAvx2(t.angleTable, run.latitudeEntry + j);
        const __m256i rho = _mm256_load_si256(reinterpret_cast<const __m256i*>(run.rho + j));
        const __m256i phi = _mm256_blendv_epi8(_mm256_sub_epi32(_mm256_xor_si256(latitude, yNegate), yNegate),
                                               yQuarter, _mm256_cmpeq_epi32(rho, zero));
        const __m256i lambda = _mm256_load_si256(reinterpret_cast<const __m256i*>(run.lambda + j));
        const __m256i column = _mm256_add_epi32(_mm256_srai_epi32(lambda, 8), _mm256_set1_epi32(p.cx));
        const __m256i sourceRow = _mm256_add_epi32(_mm256_srai_epi32(phi, 8), _mm256_set1_epi32(p.cy));
        const __m256i outside =
            _mm256_or_si256(GreaterUnsignedAvx2(column, lastColumn), GreaterUnsignedAvx2(sourceRow, lastRow));
        const __m256i index = _mm256_andnot_si256(
            outside, _mm256_add_epi32(_mm256_mullo_epi32(sourceRow, _mm256_set1_epi32(p.sourceWidth)), column));
        const __m256i fx = _mm256_and_si256(lambda, byteMask);
        const __m256i fy = _mm256_and_si256(phi, byteMask);
        _mm256_store_si256(reinterpret_cast<__m256i*>(run.index + j), index);
        _mm256_store_si256(reinterpret_cast<__m256i*>(run.weightX + j),
                           _mm256_or_si256(_mm256_sub_epi32(byteMask, fx), _mm256_slli_epi32(fx, 16)));
        _mm256_store_si256(
            reinterpret_cast<__m256i*>(run.weightY + j),
            _mm256_or_si256(_mm256_slli_epi32(_mm256_sub_epi32(byteMask, fy), 4), _mm256_slli_epi32(fy, 20)));
        run.outside[j / 8] = uint8_t(_mm256_movemask_ps(_mm256_castsi256_ps(outside)));
        const __m256i wraps = _mm256_andnot_si256(outside, _mm256_cmpeq_epi32(column, lastColumn));
        run.wraps[j / 8] = uint8_t(_mm256_movemask_ps(_mm256_castsi256_ps(wraps)));
    }

    // Fetch and blend.
    // Within each 8-byte pair (left, right): channel c of left next to channel c of right.
    const __m256i interleave = _mm256_setr_epi8(0, 4, 1, 5, 2, 6, 3, 7, 8, 12, 9, 13, 10, 14, 11, 15,
                                                0, 4, 1, 5, 2, 6, 3, 7, 8, 12, 9, 13, 10, 14, 11, 15);
    // Which pixel's weights each unpacked vector needs, per 128-bit half.
    const __m256i pick02 = _mm256_setr_epi32(0, 0, 0, 0, 2, 2, 2, 2);
    const __m256i pick13 = _mm256_setr_epi32(1, 1, 1, 1, 3, 3, 3, 3);
    const __m256i pick46 = _mm256_setr_epi32(4, 4, 4, 4, 6, 6, 6, 6);
    const __m256i pick57 = _mm256_setr_epi32(5, 5, 5, 5, 7, 7, 7, 7);
    const __m256i pixelOrder = _mm256_setr_epi32(0, 1, 4, 5, 2, 3, 6, 7);
    const __m256i colourMask = _mm256_set1_epi32(0x00FFFFFF);
    const __m256i bits = _mm256_setr_epi32(1, 2, 4, 8, 16, 32, 64, 128);
    const uint8_t* src = p.src;
    const size_t up = p.rowBytes;
    for (int32_t j = 0; j < count; j += 8) {
        const int outsideLanes = run.outside[j / 8];
        if (outsideLanes == 0xFF) continue;
        const uint32_t* index = run.index + j;
        const uint8_t* at[8] = {src + 4 * size_t(index[0]), src + 4 * size_t(index[1]), src + 4 * size_t(index[2]),
                                src + 4 * size_t(index[3]), src + 4 * size_t(index[4]), src + 4 * size_t(index[5]),
                                src + 4 * size_t(index[6]), src + 4 * size_t(index[7])};
        // Left and right neighbours as one 8-byte pair, from the row and the
        // row above. The right neighbour of the last column is read from the
        // next row (inside the buffer's slack at the top) and put right below.
        const __m256i row03 = _mm256_shuffle_epi8(
            _mm256_setr_m128i(LoadPairs(at[0], at[1]), LoadPairs(at[2], at[3])), interleave);
        const __m256i row47 = _mm256_shuffle_epi8(
            _mm256_setr_m128i(LoadPairs(at[4], at[5]), LoadPairs(at[6], at[7])), interleave);
        const __m256i up03 = _mm256_shuffle_epi8(
            _mm256_setr_m128i(LoadPairs(at[0] + up, at[1] + up), LoadPairs(at[2] + up, at[3] + up)), interleave);
        const __m256i up47 = _mm256_shuffle_epi8(
            _mm256_setr_m128i(LoadPairs(at[4] + up, at[5] + up), LoadPairs(at[6] + up, at[7] + up)), interleave);
        const __m256i weightX = _mm256_load_si256(reinterpret_cast<const __m256i*>(run.weightX + j));
        const __m256i weightY = _mm256_load_si256(reinterpret_cast<const __m256i*>(run.weightY + j));

        // Unpacked halves hold pixels {0, 2}, {1, 3}, {4, 6}, {5, 7}.
        const __m256i value02 = BlendPixelsAvx2(_mm256_unpacklo_epi8(row03, zero), _mm256_unpacklo_epi8(up03, zero),
                                                _mm256_permutevar8x32_epi32(weightX, pick02),
                                                _mm256_permutevar8x32_epi32(weightY, pick02));
        const __m256i value13 = BlendPixelsAvx2(_mm256_unpackhi_epi8(row03, zero), _mm256_unpackhi_epi8(up03, zero),
                                                _mm256_permutevar8x32_epi32(weightX, pick13),
                                                _mm256_permutevar8x32_epi32(weightY, pick13));
        const __m256i value46 = BlendPixelsAvx2(_mm256_unpacklo_epi8(row47, zero), _mm256_unpacklo_epi8(up47, zero),
                                                _mm256_permutevar8x32_epi32(weightX, pick46),
                                                _mm256_permutevar8x32_epi32(weightY, pick46));
        const __m256i value57 = BlendPixelsAvx2(_mm256_unpackhi_epi8(row47, zero), _mm256_unpackhi_epi8(up47, zero),
                                                _mm256_permutevar8x32_epi32(weightX, pick57),
                                                _mm256_permutevar8x32_epi32(weightY, pick57));
        const __m256i packed = _mm256_packus_epi16(_mm256_packus_epi32(value02, value13),
                                                   _mm256_packus_epi32(value46, value57));
        __m256i result = _mm256_and_si256(_mm256_permutevar8x32_epi32(packed, pixelOrder), colourMask);
        __m256i* dst = reinterpret_cast<__m256i*>(row.dst + 4 * size_t(k + j));
        if (outsideLanes) {
            const __m256i outside = _mm256_cmpeq_epi32(_mm256_and_si256(_mm256_set1_epi32(outsideLanes), bits), bits);
            result = _mm256_blendv_epi8(result, _mm256_loadu_si256(dst), outside);
        }
        _mm256_storeu_si256(dst, result);
        if (run.wraps[j / 8]) FixWraps(p, row, k + j, run.wraps[j / 8]);
    }
}

template <int kLanes, class RunFn>
void BilinearRows(const BilinearPass& p, int32_t first, int32_t last, RunFn runFn) {
    BilinearRun run;
    const int32_t columns = p.width - 1;
    for (int32_t r = first; r < last; ++r) {
        const BilinearRow row = StartRow(p, r);
        int32_t k = 0;
        while (columns - k >= kLanes) {
            const int32_t count = std::min((columns - k) / kLanes * kLanes, BilinearRun::kPixels);
            runFn(p, row, k, count, run);
            k += count;
        }
        BilinearColumns(p, row, k, columns);
    }
}

}  // namespace

void RemapBilinearUsing(Isa isa, int threads) {
    const BilinearPass pass = MakePass();
    const bool avx2 = isa == Isa::kAvx2 && IsaAvailable(Isa::kAvx2);
    SplitRows(1, outputFrame.height, threads, [&pass, avx2](int32_t first, int32_t last) {
        if (avx2)
            BilinearRows<8>(pass, first, last, BilinearRunAvx2);
        else
            BilinearRows<4>(pass, first, last, BilinearRunSse2);
    });
}

}  // namespace lx::remap
