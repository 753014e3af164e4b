// Shared pieces of the two remap kernels: instruction-set choice, the split
// of a pass's rows over two threads, the exact ratio quotient (p << 12) / d
// in scalar, SSE2 and AVX2 form, and small vector helpers.
//
// Ranges the vector code relies on: for every accepted source size and every
// fov up to kMaxRenderFov the direction components stay below 2^20 in
// magnitude (the worst case, a 4 x 5 frame at fov 160, reaches about
// 567,000), so sums of two magnitudes stay below 2^21 and every numerator
// and divisor converts to float exactly. The quotients index 4097-entry
// tables; they are clamped to 4096 so that even an unreachable input (a zero
// vector) cannot index outside a table.
//
// The vector kernels work on runs of up to 256 pixels of a row in several
// loops, each storing what the next one needs: the chain of one pixel
// (quotient, lookup, quotient, lookup, ...) is long, and split this way the
// processor overlaps many pixels instead of waiting on each chain.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>

#include <emmintrin.h>
#include <immintrin.h>

#define LX_AVX2 __attribute__((target("avx2")))
#define LX_AVX2_INLINE __attribute__((target("avx2"), always_inline)) inline

namespace lx::remap {

enum class Isa { kSse2, kAvx2 };

bool IsaAvailable(Isa isa);
// The fastest instruction set this processor and its system support.
Isa BestIsa();
// Threads a pass is split over by default: 2 on a machine with two or more
// cores, else 1.
int DefaultThreads();

// The kernels with an explicit instruction set and thread count (tests and
// benchmarks; RemapNearest and RemapBilinear use BestIsa and DefaultThreads).
void RemapNearestUsing(Isa isa, int threads);
void RemapBilinearUsing(Isa isa, int threads);

// Batch form of the vector quotient, for tests: q[i] = (p[i] << 12) / d[i]
// for 0 <= p[i] <= d[i] < 2^21, d[i] >= 1.
void Quotients12(Isa isa, const uint32_t* p, const uint32_t* d, uint32_t* q, size_t count);

inline uint32_t Neg(int32_t v) { return 0u - uint32_t(v); }
inline uint32_t Magnitude(int32_t v) { return v < 0 ? Neg(v) : uint32_t(v); }

// (p << 12) / d as the kernels define it, with the vector code's guards: a
// zero divisor gives 0 instead of a fault, and the result never passes 4096.
inline uint32_t Ratio12(uint32_t p, uint32_t d) {
    if (d == 0) return 0;
    const uint32_t q = (p << 12) / d;
    return q > 4096 ? 4096 : q;
}

// The kernels' helper thread: one thread, started on first use and kept for
// the life of the process, that works through a pass's rows alongside the
// calling thread. A lease gives one pass the use of it; while another pass
// holds it (passes from two threads at once), or when it cannot be started,
// the lease is empty.
class HelperLease {
public:
    using Job = void (*)(const void* context);

    HelperLease();
    ~HelperLease();
    HelperLease(const HelperLease&) = delete;
    HelperLease& operator=(const HelperLease&) = delete;

    explicit operator bool() const { return held_; }
    // Hands job(context) to the helper thread.
    void Start(Job job, const void* context);
    // Returns once the helper thread is done with the job: at once when it
    // has not taken it up yet (the job is then withdrawn), else when the job
    // returns.
    void Finish();

private:
    bool held_ = false;
    bool started_ = false;
};

// Runs fn(begin, end) over rows [first, last) in chunks that this thread and,
// when threads > 1 and the pass is large enough, the helper thread take in
// turn, so that a helper kept waiting by a busy processor delays nothing.
// Every row is done when this returns.
template <class Fn>
void SplitRows(int32_t first, int32_t last, int threads, const Fn& fn) {
    constexpr int32_t kMinRows = 64;
    constexpr int32_t kChunkRows = 8;
    if (threads < 2 || last - first < kMinRows) {
        fn(first, last);
        return;
    }
    std::atomic<int32_t> next{first};
    auto work = [&next, last, &fn] {
        for (;;) {
            const int32_t begin = next.fetch_add(kChunkRows);
            if (begin >= last) return;
            fn(begin, begin + kChunkRows < last ? begin + kChunkRows : last);
        }
    };
    HelperLease helper;
    if (helper) helper.Start([](const void* context) { (*static_cast<const decltype(work)*>(context))(); }, &work);
    work();
    helper.Finish();
}

// The low 32 bits of each lane's product: SSE2 has no 32-bit multiply.
inline __m128i MulLo32Sse2(__m128i a, __m128i b) {
    const __m128i even = _mm_mul_epu32(a, b);
    const __m128i odd = _mm_mul_epu32(_mm_srli_epi64(a, 32), _mm_srli_epi64(b, 32));
    return _mm_unpacklo_epi32(_mm_shuffle_epi32(even, _MM_SHUFFLE(0, 0, 2, 0)),
                              _mm_shuffle_epi32(odd, _MM_SHUFFLE(0, 0, 2, 0)));
}

// Lane-wise a > b for unsigned 32-bit lanes.
inline __m128i GreaterUnsignedSse2(__m128i a, __m128i b) {
    const __m128i bias = _mm_set1_epi32(int32_t(0x80000000u));
    return _mm_cmpgt_epi32(_mm_xor_si128(a, bias), _mm_xor_si128(b, bias));
}

inline __m128i SelectSse2(__m128i mask, __m128i ifSet, __m128i ifClear) {
    return _mm_or_si128(_mm_and_si128(mask, ifSet), _mm_andnot_si128(mask, ifClear));
}

inline __m128i AbsSse2(__m128i v) {
    const __m128i sign = _mm_srai_epi32(v, 31);
    return _mm_sub_epi32(_mm_xor_si128(v, sign), sign);
}

// The quotient q = floor(4096 p / d) for 0 <= p <= d < 2^21, exactly, from a
// single-precision estimate and one correction step (processors without
// AVX2 divide single precision several times faster than double, and than
// integers): p and d are exact in float, so the float quotient p / d has a
// relative error of at most 2^-23 in any rounding mode, and scaling by 4096
// is exact. With Q = 4096 p / d <= 4096 the estimate is off by at most
// 2^-11; being monotonic it is never below m = floor(Q), itself a float, so
// its truncation t is m or m + 1. The remainder 4096 p - t d is exact in
// 32-bit wrapping arithmetic (its true value lies in [-d, d)) and is
// negative exactly when t = m + 1.
//
// A zero divisor (only a zero vector could give one) is taken as 1, and the
// result is clamped to 0..4096, so that it always indexes inside a table.
inline __m128i Quotient12Sse2(__m128i p, __m128i d) {
    d = _mm_sub_epi32(d, _mm_cmpeq_epi32(d, _mm_setzero_si128()));
    const __m128 estimate =
        _mm_mul_ps(_mm_div_ps(_mm_cvtepi32_ps(p), _mm_cvtepi32_ps(d)), _mm_set1_ps(4096.0f));
    __m128i q = _mm_cvttps_epi32(estimate);
    const __m128i rest = _mm_sub_epi32(_mm_slli_epi32(p, 12), MulLo32Sse2(q, d));
    q = _mm_add_epi32(q, _mm_srai_epi32(rest, 31));
    // Clamp through signed 16-bit lanes: values past 2^15 saturate, negative ones go to 0.
    const __m128i words = _mm_packs_epi32(q, q);
    const __m128i clamped = _mm_max_epi16(_mm_min_epi16(words, _mm_set1_epi16(4096)), _mm_setzero_si128());
    return _mm_unpacklo_epi16(clamped, _mm_setzero_si128());
}

LX_AVX2_INLINE __m256i Quotient12Avx2(__m256i p, __m256i d) {
    d = _mm256_max_epu32(d, _mm256_set1_epi32(1));
    const __m256 estimate = _mm256_mul_ps(
        _mm256_div_ps(_mm256_cvtepi32_ps(p), _mm256_cvtepi32_ps(d)), _mm256_set1_ps(4096.0f));
    __m256i q = _mm256_cvttps_epi32(estimate);
    const __m256i rest = _mm256_sub_epi32(_mm256_slli_epi32(p, 12), _mm256_mullo_epi32(q, d));
    q = _mm256_add_epi32(q, _mm256_srai_epi32(rest, 31));
    return _mm256_min_epu32(q, _mm256_set1_epi32(4096));
}

// Table entries named by indexes a previous loop stored. Plain loads: on
// some processors a gather instruction is several times slower.
inline __m128i LookupSse2(const int32_t* table, const uint32_t* index) {
    return _mm_setr_epi32(table[index[0]], table[index[1]], table[index[2]], table[index[3]]);
}

LX_AVX2_INLINE __m256i LookupAvx2(const int32_t* table, const uint32_t* index) {
    return _mm256_setr_epi32(table[index[0]], table[index[1]], table[index[2]], table[index[3]],
                             table[index[4]], table[index[5]], table[index[6]], table[index[7]]);
}

inline __m128i LoadPairs(const uint8_t* a, const uint8_t* b) {
    return _mm_unpacklo_epi64(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(a)),
                              _mm_loadl_epi64(reinterpret_cast<const __m128i*>(b)));
}

LX_AVX2_INLINE __m256i GreaterUnsignedAvx2(__m256i a, __m256i b) {
    const __m256i bias = _mm256_set1_epi32(int32_t(0x80000000u));
    return _mm256_cmpgt_epi32(_mm256_xor_si256(a, bias), _mm256_xor_si256(b, bias));
}

// Directions of `count` pixels from column k of a row on: X (or Z) at the
// row's first column plus k steps, then one step per lane.
inline __m128i StartLanesSse2(uint32_t atFirstColumn, uint32_t step, int32_t k) {
    const uint32_t v = atFirstColumn + uint32_t(k) * step;
    return _mm_setr_epi32(int32_t(v), int32_t(v + step), int32_t(v + 2 * step), int32_t(v + 3 * step));
}

LX_AVX2_INLINE __m256i StartLanesAvx2(uint32_t atFirstColumn, uint32_t step, int32_t k) {
    const __m256i lanes = _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7);
    return _mm256_add_epi32(_mm256_set1_epi32(int32_t(atFirstColumn + uint32_t(k) * step)),
                            _mm256_mullo_epi32(lanes, _mm256_set1_epi32(int32_t(step))));
}

}  // namespace lx::remap
