#pragma once
// Byte loops of the data file readers and the text pool, which run over every byte of a file:
// a search for the first of three bytes, and an equality test for short texts.

#include <cstddef>
#include <cstdint>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

// The first of a, b or c at or after p, or end. Sixteen bytes at a time where the processor
// allows: the texts searched are short, but there are millions of them.
inline const char* FindFirstOf(const char* p, const char* end, char a, char b, char c) {
#if defined(__SSE2__)
    const __m128i va = _mm_set1_epi8(a);
    const __m128i vb = _mm_set1_epi8(b);
    const __m128i vc = _mm_set1_epi8(c);
    while (end - p >= 16) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const __m128i hits =
            _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(bytes, va), _mm_cmpeq_epi8(bytes, vb)),
                         _mm_cmpeq_epi8(bytes, vc));
        const int mask = _mm_movemask_epi8(hits);
        if (mask)
            return p + __builtin_ctz(unsigned(mask));
        p += 16;
    }
#endif
    while (p < end && *p != a && *p != b && *p != c)
        ++p;
    return p;
}

inline uint64_t LoadBytes64(const char* p) {
    uint64_t v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

inline uint32_t LoadBytes32(const char* p) {
    uint32_t v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

// Whether the n bytes at a and b are the same. Inline word compares: for texts of a few bytes a
// library call costs more than the comparison.
inline bool SameBytes(const char* a, const char* b, size_t n) {
    if (n >= 8) {
        for (size_t i = 0; i + 8 < n; i += 8) {
            if (LoadBytes64(a + i) != LoadBytes64(b + i))
                return false;
        }
        return LoadBytes64(a + n - 8) == LoadBytes64(b + n - 8);
    }
    if (n >= 4)
        return LoadBytes32(a) == LoadBytes32(b) && LoadBytes32(a + n - 4) == LoadBytes32(b + n - 4);
    for (size_t i = 0; i < n; ++i) {
        if (a[i] != b[i])
            return false;
    }
    return true;
}
