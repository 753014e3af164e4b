// Nearest-sample remap: one source pixel per output pixel, named by the row
// and column tables. The index c of a column table is the ratio of the
// sideways component to the sum of both horizontal components, scaled to
// 0..4096; the row index i is the ratio of |Y| to |Y| + the horizontal length.
//
// Each quadrant's two cases reduce to one form: with a = |X|, b = |Z|,
// small = min(a, b) and large = max(a, b), the horizontal length is
// (secant[(small << 12) / large] * large) >> 12 and the column index is
// (small << 12) / (a + b), taken from 4096 when a > b. The vector code
// computes 4 (SSE2) or 8 (AVX2) pixels at once with exact quotients and
// looks the tables up per lane; leftover columns use the scalar form.
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

struct NearestPass {
    const ProjectionTables* tables;
    const uint8_t* src;
    size_t rowBytes;
    int32_t sourceWidth;
    int32_t zeroRightColumn;  // Z = 0, X > 0
    int32_t zeroLeftColumn;   // Z = 0, X <= 0
    uint8_t* out;
    int32_t width;
    uint32_t xStart;
    int32_t yFirst;
    uint32_t m[3][3];
};

struct NearestRow {
    const int32_t* rowTable;
    uint32_t v;  // |Y|
    uint32_t X;  // at the first column
    uint32_t Z;
    uint8_t* dst;
};

NearestPass MakePass() {
    NearestPass p;
    p.tables = &tables;
    p.src = sourceFrame.pixels.get();
    p.rowBytes = size_t(sourceFrame.rowBytes);
    p.sourceWidth = sourceFrame.width;
    p.zeroRightColumn = 3 * (sourceFrame.width >> 2);
    p.zeroLeftColumn = sourceFrame.width >> 2;
    p.out = outputFrame.pixels.get();
    p.width = outputFrame.width;
    p.xStart = uint32_t(outputFrame.xFirst + 1);
    p.yFirst = outputFrame.yFirst;
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c) p.m[r][c] = uint32_t(viewMatrix.fixedMatrix[r][c]);
    return p;
}

NearestRow StartRow(const NearestPass& p, int32_t r) {
    const uint32_t y = uint32_t(p.yFirst + 1 + r);
    const int32_t Y = int32_t(p.m[1][1] * y + p.m[1][2]);
    NearestRow row;
    row.rowTable = Y >= 0 ? p.tables->rowUp : p.tables->rowDown;
    row.v = Magnitude(Y);
    row.X = p.m[0][0] * p.xStart + p.m[0][1] * y + p.m[0][2];
    row.Z = p.m[2][0] * p.xStart + p.m[2][1] * y + p.m[2][2];
    row.dst = p.out + size_t(r) * size_t(p.width) * 4;
    return row;
}

inline uint32_t SourcePixel(const NearestPass& p, int32_t column, int32_t row) {
    uint32_t value;
    std::memcpy(&value, p.src + size_t(row) * p.rowBytes + 4 * size_t(column), 4);
    return value;
}

uint32_t NearestPixel(const NearestPass& p, const NearestRow& row, uint32_t X, uint32_t Z) {
    const ProjectionTables& t = *p.tables;
    const int32_t x = int32_t(X);
    const int32_t z = int32_t(Z);
    int32_t column;
    uint32_t rho;
    if (z == 0) {
        column = x > 0 ? p.zeroRightColumn : p.zeroLeftColumn;
        rho = Magnitude(x);
    } else {
        const uint32_t a = Magnitude(x);
        const uint32_t b = Magnitude(z);
        const uint32_t small = a > b ? b : a;
        const uint32_t large = a > b ? a : b;
        uint32_t c = Ratio12(small, a + b);
        if (a > b) c = 4096 - c;
        rho = (uint32_t(t.secantTable[Ratio12(small, large)]) * large) >> 12;
        const int32_t* columns =
            z > 0 ? (x > 0 ? t.colFrontRight : t.colFrontLeft) : (x < 0 ? t.colBackLeft : t.colBackRight);
        column = columns[c];
    }
    return SourcePixel(p, column, row.rowTable[Ratio12(row.v, row.v + rho)]);
}

void NearestTail(const NearestPass& p, const NearestRow& row, int32_t k) {
    uint32_t X = row.X + uint32_t(k) * p.m[0][0];
    uint32_t Z = row.Z + uint32_t(k) * p.m[2][0];
    for (; k < p.width; ++k, X += p.m[0][0], Z += p.m[2][0]) {
        const uint32_t value = NearestPixel(p, row, X, Z);
        std::memcpy(row.dst + 4 * size_t(k), &value, 4);
    }
}

// Offsets of the four column tables from the start of the tables record,
// in entries, so that one base address serves every quadrant.
struct ColumnTableOffsets {
    int32_t frontRight, frontLeft, backRight, backLeft;
};

ColumnTableOffsets MakeOffsets() {
    constexpr size_t kEntry = sizeof(int32_t);
    return {int32_t(offsetof(ProjectionTables, colFrontRight) / kEntry),
            int32_t(offsetof(ProjectionTables, colFrontLeft) / kEntry),
            int32_t(offsetof(ProjectionTables, colBackRight) / kEntry),
            int32_t(offsetof(ProjectionTables, colBackLeft) / kEntry)};
}

// What the loops over one run of pixels hand on to the next.
struct NearestRun {
    static constexpr int32_t kPixels = 256;
    alignas(32) uint32_t columnEntry[kPixels];  // in the column tables, counted from the tables record
    alignas(32) uint32_t secantEntry[kPixels];
    alignas(32) int32_t column[kPixels];
    alignas(32) uint32_t rowEntry[kPixels];
};

// Copies the pixels the run names; the last loop of both vector forms.
void CopyRun(const NearestPass& p, const NearestRow& row, int32_t k, int32_t count, const NearestRun& run) {
    uint8_t* dst = row.dst + 4 * size_t(k);
    for (int32_t j = 0; j < count; ++j) {
        const uint32_t value = SourcePixel(p, run.column[j], row.rowTable[run.rowEntry[j]]);
        std::memcpy(dst + 4 * size_t(j), &value, 4);
    }
}

void NearestRunSse2(const NearestPass& p, const NearestRow& row, int32_t k, int32_t count, NearestRun& run) {
    const int32_t* base = reinterpret_cast<const int32_t*>(p.tables);
    const ColumnTableOffsets o = MakeOffsets();
    const __m128i zero = _mm_setzero_si128();
    const __m128i stepX = _mm_set1_epi32(int32_t(4 * p.m[0][0]));
    const __m128i stepZ = _mm_set1_epi32(int32_t(4 * p.m[2][0]));
    const __m128i startX = StartLanesSse2(row.X, p.m[0][0], k);
    const __m128i startZ = StartLanesSse2(row.Z, p.m[2][0], k);

    // Column table entries and secant indexes.
    __m128i X = startX, Z = startZ;
    for (int32_t j = 0; j < count; j += 4, X = _mm_add_epi32(X, stepX), Z = _mm_add_epi32(Z, stepZ)) {
        const __m128i a = AbsSse2(X);
        const __m128i b = AbsSse2(Z);
        const __m128i sideLarger = GreaterUnsignedSse2(a, b);
        const __m128i small = SelectSse2(sideLarger, b, a);
        const __m128i large = SelectSse2(sideLarger, a, b);
        const __m128i ratio = Quotient12Sse2(small, _mm_add_epi32(a, b));
        const __m128i c = SelectSse2(sideLarger, _mm_sub_epi32(_mm_set1_epi32(4096), ratio), ratio);
        const __m128i front = SelectSse2(_mm_cmpgt_epi32(X, zero), _mm_set1_epi32(o.frontRight),
                                         _mm_set1_epi32(o.frontLeft));
        const __m128i back = SelectSse2(_mm_cmplt_epi32(X, zero), _mm_set1_epi32(o.backLeft),
                                        _mm_set1_epi32(o.backRight));
        const __m128i table = SelectSse2(_mm_cmpgt_epi32(Z, zero), front, back);
        _mm_store_si128(reinterpret_cast<__m128i*>(run.columnEntry + j), _mm_add_epi32(table, c));
        _mm_store_si128(reinterpret_cast<__m128i*>(run.secantEntry + j), Quotient12Sse2(small, large));
    }

    // Columns, horizontal lengths and row indexes.
    const __m128i v = _mm_set1_epi32(int32_t(row.v));
    X = startX;
    Z = startZ;
    for (int32_t j = 0; j < count; j += 4, X = _mm_add_epi32(X, stepX), Z = _mm_add_epi32(Z, stepZ)) {
        const __m128i a = AbsSse2(X);
        const __m128i b = AbsSse2(Z);
        const __m128i large = SelectSse2(GreaterUnsignedSse2(a, b), a, b);
        const __m128i zIsZero = _mm_cmpeq_epi32(Z, zero);
        const __m128i sec = LookupSse2(p.tables->secantTable, run.secantEntry + j);
        const __m128i rho = SelectSse2(zIsZero, a, _mm_srli_epi32(MulLo32Sse2(sec, large), 12));
        _mm_store_si128(reinterpret_cast<__m128i*>(run.rowEntry + j), Quotient12Sse2(v, _mm_add_epi32(v, rho)));
        const __m128i onAxis = SelectSse2(_mm_cmpgt_epi32(X, zero), _mm_set1_epi32(p.zeroRightColumn),
                                          _mm_set1_epi32(p.zeroLeftColumn));
        _mm_store_si128(reinterpret_cast<__m128i*>(run.column + j),
                        SelectSse2(zIsZero, onAxis, LookupSse2(base, run.columnEntry + j)));
    }
    CopyRun(p, row, k, count, run);
}

LX_AVX2 void NearestRunAvx2(const NearestPass& p, const NearestRow& row, int32_t k, int32_t count,
                            NearestRun& run) {
    const int32_t* base = reinterpret_cast<const int32_t*>(p.tables);
    const ColumnTableOffsets o = MakeOffsets();
    const __m256i zero = _mm256_setzero_si256();
    const __m256i stepX = _mm256_set1_epi32(int32_t(8 * p.m[0][0]));
    const __m256i stepZ = _mm256_set1_epi32(int32_t(8 * p.m[2][0]));
    const __m256i startX = StartLanesAvx2(row.X, p.m[0][0], k);
    const __m256i startZ = StartLanesAvx2(row.Z, p.m[2][0], k);

    // Column table entries and secant indexes.
    __m256i X = startX, Z = startZ;
    for (int32_t j = 0; j < count; j += 8, X = _mm256_add_epi32(X, stepX), Z = _mm256_add_epi32(Z, stepZ)) {
        const __m256i a = _mm256_abs_epi32(X);
        const __m256i b = _mm256_abs_epi32(Z);
        const __m256i sideLarger = GreaterUnsignedAvx2(a, b);
        const __m256i small = _mm256_min_epu32(a, b);
        const __m256i large = _mm256_max_epu32(a, b);
        const __m256i ratio = Quotient12Avx2(small, _mm256_add_epi32(a, b));
        const __m256i c = _mm256_blendv_epi8(ratio, _mm256_sub_epi32(_mm256_set1_epi32(4096), ratio), sideLarger);
        const __m256i front = _mm256_blendv_epi8(_mm256_set1_epi32(o.frontLeft), _mm256_set1_epi32(o.frontRight),
                                                 _mm256_cmpgt_epi32(X, zero));
        const __m256i back = _mm256_blendv_epi8(_mm256_set1_epi32(o.backRight), _mm256_set1_epi32(o.backLeft),
                                                _mm256_cmpgt_epi32(zero, X));
        const __m256i table = _mm256_blendv_epi8(back, front, _mm256_cmpgt_epi32(Z, zero));
        _mm256_store_si256(reinterpret_cast<__m256i*>(run.columnEntry + j), _mm256_add_epi32(table, c));
        _mm256_store_si256(reinterpret_cast<__m256i*>(run.secantEntry + j), Quotient12Avx2(small, large));
    }

    // Columns, horizontal lengths and row indexes.
    const __m256i v = _mm256_set1_epi32(int32_t(row.v));
    X = startX;
    Z = startZ;
    for (int32_t j = 0; j < count; j += 8, X = _mm256_add_epi32(X, stepX), Z = _mm256_add_epi32(Z, stepZ)) {
        const __m256i a = _mm256_abs_epi32(X);
        const __m256i large = _mm256_max_epu32(a, _mm256_abs_epi32(Z));
        const __m256i zIsZero = _mm256_cmpeq_epi32(Z, zero);
        const __m256i sec = LookupAvx2(p.tables->secantTable, run.secantEntry + j);
        const __m256i rho = _mm256_blendv_epi8(_mm256_srli_epi32(_mm256_mullo_epi32(sec, large), 12), a, zIsZero);
        _mm256_store_si256(reinterpret_cast<__m256i*>(run.rowEntry + j),
                           Quotient12Avx2(v, _mm256_add_epi32(v, rho)));
        const __m256i onAxis = _mm256_blendv_epi8(_mm256_set1_epi32(p.zeroLeftColumn),
                                                  _mm256_set1_epi32(p.zeroRightColumn), _mm256_cmpgt_epi32(X, zero));
        _mm256_store_si256(reinterpret_cast<__m256i*>(run.column + j),
                           _mm256_blendv_epi8(LookupAvx2(base, run.columnEntry + j), onAxis, zIsZero));
    }
    CopyRun(p, row, k, count, run);
}

template <int kLanes, class RunFn>
void NearestRows(const NearestPass& p, int32_t first, int32_t last, RunFn runFn) {
    NearestRun run;
    for (int32_t r = first; r < last; ++r) {
        const NearestRow row = StartRow(p, r);
        int32_t k = 0;
        while (p.width - k >= kLanes) {
            const int32_t count = std::min((p.width - k) / kLanes * kLanes, NearestRun::kPixels);
            runFn(p, row, k, count, run);
            k += count;
        }
        NearestTail(p, row, k);
    }
}

}  // namespace

void RemapNearestUsing(Isa isa, int threads) {
    const NearestPass pass = MakePass();
    const bool avx2 = isa == Isa::kAvx2 && IsaAvailable(Isa::kAvx2);
    SplitRows(0, outputFrame.height, threads, [&pass, avx2](int32_t first, int32_t last) {
        if (avx2)
            NearestRows<8>(pass, first, last, NearestRunAvx2);
        else
            NearestRows<4>(pass, first, last, NearestRunSse2);
    });
}

}  // namespace lx::remap
