#pragma once

// The amount texts the list files store (UTF-16LE) in their common shape, read for the book
// scan, which reads one per row: "0.50" to "99999.99", digits with a point before the last
// two. Anything else is left to ParseStoredAmountQuickly and the long way behind it.

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace StoredAmount {

// The text of units UTF-16 units that ends at end. The 16 bytes before end must be
// readable: the text and, for a short one, what stands in front of it. true with the value
// ParseStoredAmountQuickly gives (the cents divided by 100, correctly rounded); false for
// any other text, and everywhere without SSE2.
inline bool TwoDecimals(const char *end, int units, double &amount)
{
#if defined(__SSE2__)
    if (units < 4 || units > 8)
        return false;
    // Eight 16-bit lanes, the text's last unit in lane 7, its point in lane 5, its first unit
    // in lane 8 - units; the lanes before it belong to whatever precedes the text.
    const __m128i lanes = _mm_loadu_si128(reinterpret_cast<const __m128i *>(end - 16));
    const __m128i values = _mm_sub_epi16(lanes, _mm_set1_epi16(u'0'));
    // 0 exactly where a lane holds '0' to '9' (below '0' it wraps to a large number).
    const __m128i beyondDigit = _mm_subs_epu16(values, _mm_set1_epi16(9));
    const int digitBits = _mm_movemask_epi8(_mm_cmpeq_epi16(beyondDigit, _mm_setzero_si128()));
    const int pointBits = _mm_movemask_epi8(_mm_cmpeq_epi16(lanes, _mm_set1_epi16(u'.')));
    constexpr int PointLane = 0x3 << 10;
    const int digitLanes = (0xFFFF << (2 * (8 - units))) & 0xFFFF & ~PointLane;
    if ((digitBits & digitLanes) != digitLanes || (pointBits & PointLane) != PointLane)
        return false;

    // The digits alone: the point and whatever precedes the text become 0.
    const __m128i inText = _mm_cmpgt_epi16(_mm_setr_epi16(0, 1, 2, 3, 4, 5, 6, 7), _mm_set1_epi16(short(7 - units)));
    const __m128i notPoint = _mm_setr_epi16(-1, -1, -1, -1, -1, 0, -1, -1);
    const __m128i digits = _mm_and_si128(values, _mm_and_si128(inText, notPoint));
    // Pairs of lanes: d0d1, d2d3, d4 (the last whole digit), the two decimals.
    const __m128i pairs = _mm_madd_epi16(digits, _mm_setr_epi16(10, 1, 10, 1, 1, 0, 10, 1));
    const __m128i packed = _mm_packs_epi32(pairs, pairs);
    // d0d1 * 1000 + d2d3 * 10, and d4 * 100 + the decimals.
    const __m128i halves = _mm_madd_epi16(packed, _mm_setr_epi16(1000, 10, 100, 1, 0, 0, 0, 0));
    const int high = _mm_cvtsi128_si32(halves);
    const int low = _mm_cvtsi128_si32(_mm_srli_si128(halves, 4));
    amount = static_cast<double>(high * 100 + low) / 100.0;
    return true;
#else
    (void)end;
    (void)units;
    (void)amount;
    return false;
#endif
}

} // namespace StoredAmount
