// ExtendedDetail.h - the integer machinery behind Extended.h, shared with
// the real-number text conversion. Not part of the public interface.
#pragma once

#include <bit>
#include <cstdint>

#include "common/Extended.h"

namespace rulv::detail {

// An unsigned 128-bit integer; written out so that every compiler gives the
// same results (MSVC has no __int128).
struct U128 {
    std::uint64_t hi = 0;
    std::uint64_t lo = 0;
};

inline int BitLength(std::uint64_t value) { return static_cast<int>(std::bit_width(value)); }
inline int BitLength(U128 value) {
    return value.hi != 0 ? 64 + BitLength(value.hi) : BitLength(value.lo);
}

inline U128 ShiftLeft(U128 value, int shift) {
    if (shift == 0) return value;
    if (shift >= 128) return {};
    if (shift >= 64) return {value.lo << (shift - 64), 0};
    return {(value.hi << shift) | (value.lo >> (64 - shift)), value.lo << shift};
}

inline U128 ShiftRight(U128 value, int shift) {
    if (shift == 0) return value;
    if (shift >= 128) return {};
    if (shift >= 64) return {0, value.hi >> (shift - 64)};
    return {value.hi >> shift, (value.lo >> shift) | (value.hi << (64 - shift))};
}

// Bit `index` of the value; false for a negative index.
inline bool TestBit(U128 value, int index) {
    if (index < 0 || index >= 128) return false;
    return index >= 64 ? ((value.hi >> (index - 64)) & 1u) != 0 : ((value.lo >> index) & 1u) != 0;
}

// Whether any of the `count` lowest bits is set.
inline bool LowBitsNonZero(U128 value, int count) {
    if (count <= 0) return false;
    if (count >= 128) return value.hi != 0 || value.lo != 0;
    if (count >= 64) {
        const int high = count - 64;
        const std::uint64_t mask = high == 0 ? 0 : (std::uint64_t{1} << high) - 1;
        return value.lo != 0 || (value.hi & mask) != 0;
    }
    return (value.lo & ((std::uint64_t{1} << count) - 1)) != 0;
}

inline U128 Multiply(std::uint64_t a, std::uint64_t b) {
    const std::uint64_t aLo = a & 0xFFFFFFFFu, aHi = a >> 32;
    const std::uint64_t bLo = b & 0xFFFFFFFFu, bHi = b >> 32;
    const std::uint64_t lolo = aLo * bLo, lohi = aLo * bHi, hilo = aHi * bLo, hihi = aHi * bHi;
    const std::uint64_t middle = (lolo >> 32) + (lohi & 0xFFFFFFFFu) + (hilo & 0xFFFFFFFFu);
    return {hihi + (lohi >> 32) + (hilo >> 32) + (middle >> 32),
            (middle << 32) | (lolo & 0xFFFFFFFFu)};
}

// value * 2^exponent (plus a non-zero tail below it when sticky) rounded to
// a 64-bit significand, to nearest, ties to even.
TExtended Round64(U128 value, std::int64_t exponent, bool sticky, bool negative);

// (high * 2^64 + low) / divisor for high < divisor: the 64-bit quotient,
// and the remainder in `remainder`. Plain C++ bit by bit, and the same
// division through the processor's instruction or the compiler's 128-bit
// integers where there are such, many times as fast. Exact either way, so
// the same everywhere.
inline std::uint64_t DivideWidePortable(std::uint64_t high, std::uint64_t low, std::uint64_t divisor,
                                        std::uint64_t& remainder) noexcept {
    std::uint64_t quotient = 0;
    for (int bit = 63; bit >= 0; --bit) {
        const bool carry = (high >> 63) != 0;  // the shifted value is 2^64 + high, above any divisor
        high = (high << 1) | ((low >> bit) & 1u);
        quotient <<= 1;
        if (carry || high >= divisor) {
            high -= divisor;
            quotient |= 1u;
        }
    }
    remainder = high;
    return quotient;
}

inline std::uint64_t DivideWide(std::uint64_t high, std::uint64_t low, std::uint64_t divisor,
                                std::uint64_t& remainder) noexcept {
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
    // The processor's own 128-by-64 division, which high < divisor keeps
    // from overflowing; the compiler would call a general 128-bit one.
    std::uint64_t quotient = 0;
    __asm__("divq %[divisor]" : "=a"(quotient), "=d"(remainder) : "a"(low), "d"(high), [divisor] "rm"(divisor));
    return quotient;
#elif defined(__SIZEOF_INT128__)
    const unsigned __int128 dividend = (static_cast<unsigned __int128>(high) << 64) | low;
    remainder = static_cast<std::uint64_t>(dividend % divisor);
    return static_cast<std::uint64_t>(dividend / divisor);
#else
    return DivideWidePortable(high, low, divisor, remainder);
#endif
}

// a / b rounded to a 64-bit significand; b must lie in 1..2^63.
TExtended UnsignedQuotient(std::uint64_t a, std::uint64_t b, bool negative);

// A finite double is exactly (negative ? -1 : 1) * mantissa * 2^exponent.
struct TDoubleParts {
    bool negative = false;
    bool finite = true;
    std::uint64_t mantissa = 0;
    int exponent = 0;
};
TDoubleParts Decompose(double value);

// The magnitude of RoundedProduct for the exact product product * 2^-fractionBits:
// rounded to a 64-bit significand, then to an integer, ties to even both
// times. False when that integer needs more than 64 bits.
bool RoundedMagnitude(U128 product, int fractionBits, std::uint64_t& magnitude) noexcept;

// Whether the signed integer of that magnitude and sign fits 64 bits.
inline bool FitsInt64(std::uint64_t magnitude, bool negative) noexcept {
    constexpr std::uint64_t kLimit = std::uint64_t{1} << 63;
    return negative ? magnitude <= kLimit : magnitude < kLimit;
}

std::uint64_t Magnitude(std::int64_t value);
// The signed integer of that magnitude and sign; EInvalidOp when it does not fit.
std::int64_t ToInt64(std::uint64_t magnitude, bool negative);

}  // namespace rulv::detail
