// Finding a byte string in a buffer. A single byte goes to memchr. Longer
// patterns are filtered 32 or 16 positions at a time with vector compares
// of the pattern's first and last byte, and only the positions where both
// agree are compared in full. If those full compares turn out to cost more
// than the scan itself (a pattern whose ends are common in the data), the
// rest of the buffer goes to memmem, whose time stays linear.
#include "filemap/find.h"

#include <cstring>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace {

// True once the full compares have cost too much for the bytes scanned.
bool too_many_misses(size_t misses, size_t n, size_t scanned)
{
    return misses * n > 4 * scanned + 4096;
}

const uint8_t *find_rest(const uint8_t *hay, size_t len, size_t from, const uint8_t *pat, size_t n)
{
    if (from + n > len)
        return nullptr;
    return static_cast<const uint8_t *>(memmem(hay + from, len - from, pat, n));
}

#if defined(__x86_64__)

// Checks the candidate positions in mask (bit k: position at + k). Returns
// the match, or null with *misses raised by the candidates that failed.
inline const uint8_t *check_candidates(const uint8_t *hay, size_t at, unsigned mask, const uint8_t *pat,
                                       size_t n, size_t *misses)
{
    while (mask) {
        const uint8_t *p = hay + at + static_cast<size_t>(__builtin_ctz(mask));
        if (memcmp(p + 1, pat + 1, n - 2) == 0)
            return p;
        ++*misses;
        mask &= mask - 1;
    }
    return nullptr;
}

__attribute__((target("avx2"))) const uint8_t *find_avx2(const uint8_t *hay, size_t len, const uint8_t *pat,
                                                          size_t n)
{
    const __m256i first = _mm256_set1_epi8(static_cast<char>(pat[0]));
    const __m256i last = _mm256_set1_epi8(static_cast<char>(pat[n - 1]));
    size_t misses = 0;
    size_t i = 0;
    for (; i + n - 1 + 32 <= len; i += 32) {
        __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(hay + i));
        __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(hay + i + n - 1));
        __m256i both = _mm256_and_si256(_mm256_cmpeq_epi8(a, first), _mm256_cmpeq_epi8(b, last));
        unsigned mask = static_cast<unsigned>(_mm256_movemask_epi8(both));
        if (!mask)
            continue;
        if (const uint8_t *p = check_candidates(hay, i, mask, pat, n, &misses))
            return p;
        if (too_many_misses(misses, n, i))
            break;
    }
    return find_rest(hay, len, i, pat, n);
}

const uint8_t *find_sse2(const uint8_t *hay, size_t len, const uint8_t *pat, size_t n)
{
    const __m128i first = _mm_set1_epi8(static_cast<char>(pat[0]));
    const __m128i last = _mm_set1_epi8(static_cast<char>(pat[n - 1]));
    size_t misses = 0;
    size_t i = 0;
    for (; i + n - 1 + 16 <= len; i += 16) {
        __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i *>(hay + i));
        __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i *>(hay + i + n - 1));
        __m128i both = _mm_and_si128(_mm_cmpeq_epi8(a, first), _mm_cmpeq_epi8(b, last));
        unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(both));
        if (!mask)
            continue;
        if (const uint8_t *p = check_candidates(hay, i, mask, pat, n, &misses))
            return p;
        if (too_many_misses(misses, n, i))
            break;
    }
    return find_rest(hay, len, i, pat, n);
}

int forced_width = 0;

bool use_avx2()
{
    static const bool have = __builtin_cpu_supports("avx2");
    return have && forced_width != 16;
}

#endif

}  // namespace

void scan_find_set_width(int bytes)
{
#if defined(__x86_64__)
    forced_width = bytes;
#else
    (void)bytes;
#endif
}

const uint8_t *scan_find(const uint8_t *hay, size_t len, const uint8_t *pat, size_t n)
{
    if (n == 0 || n > len)
        return nullptr;
    if (n == 1)
        return static_cast<const uint8_t *>(memchr(hay, pat[0], len));
#if defined(__x86_64__)
    return use_avx2() ? find_avx2(hay, len, pat, n) : find_sse2(hay, len, pat, n);
#else
    return find_rest(hay, len, 0, pat, n);
#endif
}
