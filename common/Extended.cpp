// Extended.cpp - exact arithmetic with a 64-bit significand, in integers.
#include "Extended.h"

#include <bit>
#include <cstdint>
#include <limits>

#include "Errors.h"
#include "ExtendedDetail.h"

namespace rulv {

static_assert(std::numeric_limits<double>::is_iec559, "doubles must be IEEE binary64");

namespace detail {

TExtended Round64(U128 value, std::int64_t exponent, bool sticky, bool negative) {
    TExtended result;
    result.negative = negative;
    const int length = BitLength(value);
    if (length == 0) return result;
    if (length <= 64) {
        // Exact: callers that pass a sticky bit supply more than 64 bits.
        const int shift = 64 - length;
        result.significand = value.lo << shift;
        result.exponent = static_cast<std::int32_t>(exponent - shift);
        return result;
    }
    int shift = length - 64;
    std::uint64_t kept = ShiftRight(value, shift).lo;
    const bool roundBit = TestBit(value, shift - 1);
    const bool below = sticky || LowBitsNonZero(value, shift - 1);
    if (roundBit && (below || (kept & 1u) != 0)) {
        ++kept;
        if (kept == 0) {  // carried out of 64 bits
            kept = std::uint64_t{1} << 63;
            ++shift;
        }
    }
    result.significand = kept;
    result.exponent = static_cast<std::int32_t>(exponent + shift);
    return result;
}

TExtended UnsignedQuotient(std::uint64_t a, std::uint64_t b, bool negative) {
    if (a == 0) return TExtended{negative, 0, 0};
    // b <= 2^63, so a remainder r < b doubles without leaving 64 bits.
    std::uint64_t remainder = a % b;
    U128 quotient{0, a / b};
    std::int64_t exponent = 0;
    while (BitLength(quotient) < 66) {  // 64 bits, a rounding bit and one more
        remainder <<= 1;
        std::uint64_t bit = 0;
        if (remainder >= b) {
            remainder -= b;
            bit = 1;
        }
        quotient = ShiftLeft(quotient, 1);
        quotient.lo |= bit;
        --exponent;
    }
    return Round64(quotient, exponent, remainder != 0, negative);
}

TDoubleParts Decompose(double value) {
    const auto bits = std::bit_cast<std::uint64_t>(value);
    TDoubleParts parts;
    parts.negative = (bits >> 63) != 0;
    const int field = static_cast<int>((bits >> 52) & 0x7FF);
    const std::uint64_t fraction = bits & ((std::uint64_t{1} << 52) - 1);
    parts.finite = field != 0x7FF;
    if (field == 0) {
        parts.mantissa = fraction;
        parts.exponent = -1074;
    } else {
        parts.mantissa = fraction | (std::uint64_t{1} << 52);
        parts.exponent = field - 1075;
    }
    return parts;
}

std::uint64_t Magnitude(std::int64_t value) {
    return value < 0 ? std::uint64_t{0} - static_cast<std::uint64_t>(value)
                     : static_cast<std::uint64_t>(value);
}

}  // namespace detail

using namespace detail;

namespace {

// Rounds to the nearest integer, ties to even; EInvalidOp beyond 64 bits.
std::int64_t RoundToInt64(const TExtended& value) {
    if (value.IsZero()) return 0;
    std::uint64_t magnitude;
    if (value.exponent >= 0) {
        if (value.exponent > 0) throw EInvalidOp();  // at least 2^64
        magnitude = value.significand;
    } else {
        const int shift = -value.exponent;
        if (shift >= 66) return 0;  // below 1/4
        const U128 wide{0, value.significand};
        magnitude = ShiftRight(wide, shift).lo;
        const bool roundBit = TestBit(wide, shift - 1);
        const bool below = LowBitsNonZero(wide, shift - 1);
        if (roundBit && (below || (magnitude & 1u) != 0)) ++magnitude;
    }
    return ToInt64(magnitude, value.negative);
}

std::int64_t TruncateToInt64(const TExtended& value) {
    if (value.IsZero()) return 0;
    std::uint64_t magnitude;
    if (value.exponent >= 0) {
        if (value.exponent > 0) throw EInvalidOp();
        magnitude = value.significand;
    } else {
        const int shift = -value.exponent;
        magnitude = shift >= 64 ? 0 : value.significand >> shift;
    }
    return ToInt64(magnitude, value.negative);
}

}  // namespace

std::int64_t detail::ToInt64(std::uint64_t magnitude, bool negative) {
    constexpr std::uint64_t kLimit = std::uint64_t{1} << 63;
    if (negative) {
        if (magnitude > kLimit) throw EInvalidOp();
        return magnitude == kLimit ? std::numeric_limits<std::int64_t>::min()
                                   : -static_cast<std::int64_t>(magnitude);
    }
    if (magnitude >= kLimit) throw EInvalidOp();
    return static_cast<std::int64_t>(magnitude);
}

TExtended ExtendedQuotient(std::int64_t numerator, std::int64_t denominator) {
    if (denominator == 0) {
        if (numerator == 0) throw EInvalidOp();
        throw EZeroDivide();
    }
    const bool negative = (numerator < 0) != (denominator < 0);
    return UnsignedQuotient(Magnitude(numerator), Magnitude(denominator), negative);
}

double ToDouble(const TExtended& value) {
    std::uint64_t sign = value.negative ? std::uint64_t{1} << 63 : 0;
    if (value.IsZero()) return std::bit_cast<double>(sign);
    std::int64_t top = std::int64_t{value.exponent} + 63;  // exponent of the leading bit
    if (top > 1023) throw EOverflow();
    // Keep 53 bits for a normal result, fewer for a subnormal one.
    const std::int64_t drop = top >= -1022 ? 11 : 11 + (-1022 - top);
    if (drop > 65) return std::bit_cast<double>(sign);  // below half the least subnormal
    const U128 wide{0, value.significand};
    const int shift = static_cast<int>(drop);
    std::uint64_t kept = ShiftRight(wide, shift).lo;
    if (TestBit(wide, shift - 1) && (LowBitsNonZero(wide, shift - 1) || (kept & 1u) != 0)) ++kept;
    std::uint64_t bits;
    if (top >= -1022) {
        if (kept == (std::uint64_t{1} << 53)) {  // rounded up to the next power of two
            kept >>= 1;
            ++top;
            if (top > 1023) throw EOverflow();
        }
        bits = (static_cast<std::uint64_t>(top + 1023) << 52) | (kept & ((std::uint64_t{1} << 52) - 1));
    } else {
        bits = kept;  // a carry into bit 52 gives the least normal number, as it should
    }
    return std::bit_cast<double>(sign | bits);
}

double StoredQuotient(std::int64_t numerator, std::int64_t denominator) {
    return ToDouble(ExtendedQuotient(numerator, denominator));
}

std::int64_t RoundedProduct(std::int64_t factor, double value) {
    const TDoubleParts parts = Decompose(value);
    if (!parts.finite) throw EInvalidOp();
    if (factor == 0 || parts.mantissa == 0) return 0;
    const bool negative = parts.negative != (factor < 0);
    // |factor| <= 2^63 and the mantissa < 2^53: the product is exact in 128 bits.
    const U128 product = Multiply(Magnitude(factor), parts.mantissa);
    return RoundToInt64(Round64(product, parts.exponent, false, negative));
}

std::int64_t TruncatedQuotient(std::int64_t numerator, double divisor) {
    const TDoubleParts parts = Decompose(divisor);
    if (!parts.finite) throw EInvalidOp();
    if (parts.mantissa == 0) {
        if (numerator == 0) throw EInvalidOp();
        throw EZeroDivide();
    }
    if (numerator == 0) return 0;
    const bool negative = (numerator < 0) != parts.negative;
    // x / (m * 2^q) = (x / m) * 2^-q: scaling by a power of two is exact.
    TExtended quotient = UnsignedQuotient(Magnitude(numerator), parts.mantissa, negative);
    quotient.exponent -= parts.exponent;
    return TruncateToInt64(quotient);
}

}  // namespace rulv
