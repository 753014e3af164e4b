// Deterministic pseudo-random bytes (xorshift) for test frames.
#pragma once

#include <cstddef>
#include <cstdint>

namespace lx::testing {

inline void FillRandom(uint8_t* p, size_t n, uint32_t seed) {
    uint32_t s = seed * 2654435761u + 1;
    for (size_t i = 0; i < n; ++i) {
        s ^= s << 13;
        s ^= s >> 17;
        s ^= s << 5;
        p[i] = uint8_t(s >> 11);
    }
}

}  // namespace lx::testing
