// PlainLines.h - the commonest stretch of a colour-map file read at once:
// eight colour lines of exactly six hex digits and CR LF each, 64 bytes.
// The loader reads runs of such lines block by block; anything else in a
// block (a fault, a longer line, another line end) sends it back to the
// line-by-line reading, which decides.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#define RULV_PLAIN_LINES_SSE2 1
#endif

#include "colormap/LineParser.h"

namespace rulv::line_grammar {

inline constexpr std::size_t kPlainLineBytes = kColorDigits + 2;
inline constexpr std::int64_t kBlockLines = 8;
inline constexpr std::size_t kBlockBytes = kBlockLines * kPlainLineBytes;

// The colours of the block at `text` into colors[0 .. 7] when all eight
// lines are plain; false otherwise (and `colors` may be written). Every
// test is made for all eight at once, without a branch per line.
inline bool DecodeBlockOfLinesPortable(const char* text, TPackedColor* colors) noexcept {
    bool plain = true;
    for (std::size_t i = 0; i < kBlockLines; ++i) {
        const char* line = text + i * kPlainLineBytes;
        plain &= (line[kColorDigits] == '\r') & (line[kColorDigits + 1] == '\n');
    }
    if (!plain) return false;
    for (std::size_t i = 0; i < kBlockLines; ++i) {
        plain &= DecodeSixHexDigits(std::string_view(text + i * kPlainLineBytes, kColorDigits), colors[i]);
    }
    return plain;
}

#ifdef RULV_PLAIN_LINES_SSE2
// Two plain lines in one 16-byte register: which bytes are hex digits and
// where the line ends stand, tested for all sixteen at once; then the
// nibbles, the bytes they make two by two, and the colours packed red
// first, as PackColor packs them.
inline bool DecodePairOfLines(const char* text, TPackedColor* colors) noexcept {
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text));
    const __m128i lineEnds = _mm_set_epi8('\n', '\r', 0, 0, 0, 0, 0, 0, '\n', '\r', 0, 0, 0, 0, 0, 0);
    // Signed comparisons: a byte of 0x80 or more is below every bound.
    const __m128i digit = _mm_and_si128(_mm_cmpgt_epi8(bytes, _mm_set1_epi8('0' - 1)),
                                        _mm_cmplt_epi8(bytes, _mm_set1_epi8('9' + 1)));
    const __m128i lower = _mm_or_si128(bytes, _mm_set1_epi8(0x20));
    const __m128i letter = _mm_and_si128(_mm_cmpgt_epi8(lower, _mm_set1_epi8('a' - 1)),
                                         _mm_cmplt_epi8(lower, _mm_set1_epi8('f' + 1)));
    constexpr int kDigitPlaces = 0x3F3F;  // bytes 0-5 and 8-13
    constexpr int kEndPlaces = 0xC0C0;    // bytes 6-7 and 14-15
    const int hex = _mm_movemask_epi8(_mm_or_si128(digit, letter));
    const int ends = _mm_movemask_epi8(_mm_cmpeq_epi8(bytes, lineEnds));
    if ((hex & kDigitPlaces) != kDigitPlaces || (ends & kEndPlaces) != kEndPlaces) return false;
    const __m128i nibbles =
        _mm_add_epi8(_mm_and_si128(bytes, _mm_set1_epi8(0x0F)), _mm_and_si128(letter, _mm_set1_epi8(9)));
    // Each 16-bit lane holds two nibbles, the first in its low byte.
    const __m128i pairs = _mm_or_si128(_mm_and_si128(_mm_slli_epi16(nibbles, 4), _mm_set1_epi16(0xF0)),
                                       _mm_srli_epi16(nibbles, 8));
    // Red, green, blue and the line end's byte of each line; the last goes.
    const __m128i packed = _mm_and_si128(_mm_packus_epi16(pairs, pairs), _mm_set1_epi32(0x00FFFFFF));
    _mm_storel_epi64(reinterpret_cast<__m128i*>(colors), packed);
    return true;
}
#endif

// DecodeBlockOfLinesPortable, two lines at a time in the processor's
// 16-byte registers where it has SSE2 (every x86-64 does).
inline bool DecodeBlockOfLines(const char* text, TPackedColor* colors) noexcept {
#ifdef RULV_PLAIN_LINES_SSE2
    bool plain = true;
    for (std::size_t i = 0; i < kBlockLines; i += 2) plain &= DecodePairOfLines(text + i * kPlainLineBytes, colors + i);
    return plain;
#else
    return DecodeBlockOfLinesPortable(text, colors);
#endif
}

}  // namespace rulv::line_grammar
