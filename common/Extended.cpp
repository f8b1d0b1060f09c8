// Extended.cpp - exact arithmetic with a 64-bit significand, in integers.
#include "common/Extended.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <limits>

#include "common/Errors.h"
#include "common/ExtendedDetail.h"

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
    // a / b = q + (f1 * 2^64 + f2) * 2^-128 + a tail below, which only the
    // sticky bit needs to know of.
    const std::uint64_t whole = a / b;
    std::uint64_t remainder = a % b;
    const std::uint64_t high = DivideWide(remainder, 0, b, remainder);
    const std::uint64_t low = DivideWide(remainder, 0, b, remainder);
    // With a whole part the top 128 bits hold at least 65; without one, a < b
    // <= 2^63 makes the first fraction word at least 2, so they hold 66.
    if (whole != 0) return Round64(U128{whole, high}, -64, low != 0 || remainder != 0, negative);
    return Round64(U128{high, low}, -128, remainder != 0, negative);
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

bool RoundedMagnitude(U128 product, int fractionBits, std::uint64_t& magnitude) noexcept {
    magnitude = 0;
    const int length = BitLength(product);
    if (length == 0) return true;
    // First the 64 leading bits, to nearest, ties to even.
    int drop = length > 64 ? length - 64 : 0;
    std::uint64_t kept = ShiftRight(product, drop).lo;
    if (drop > 0 && TestBit(product, drop - 1) && (LowBitsNonZero(product, drop - 1) || (kept & 1u) != 0)) {
        if (++kept == 0) {  // carried out of 64 bits
            kept = std::uint64_t{1} << 63;
            ++drop;
        }
    }
    // Then kept * 2^(drop - fractionBits) to an integer.
    const int scale = drop - fractionBits;
    if (scale >= 0) {
        if (BitLength(kept) + scale > 64) return false;
        magnitude = kept << scale;
        return true;
    }
    const int shift = -scale;
    if (shift > 64) return true;  // kept < 2^64, so below one half
    const U128 wide{0, kept};
    magnitude = ShiftRight(wide, shift).lo;
    if (TestBit(wide, shift - 1) && (LowBitsNonZero(wide, shift - 1) || (magnitude & 1u) != 0)) ++magnitude;
    return true;
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
    const std::uint64_t sign = value.negative ? std::uint64_t{1} << 63 : 0;
    if (value.IsZero()) return std::bit_cast<double>(sign);
    std::int64_t top = std::int64_t{value.exponent} + 63;  // exponent of the leading bit
    if (top > 1023) throw EOverflow();
    if (top >= -1022) {
        // A normal result keeps 53 of the 64 bits: the 11 below decide.
        constexpr std::uint64_t kHalf = std::uint64_t{1} << 10;
        std::uint64_t kept = value.significand >> 11;
        const std::uint64_t rest = value.significand & ((kHalf << 1) - 1);
        if (rest > kHalf || (rest == kHalf && (kept & 1u) != 0)) ++kept;
        if (kept == (std::uint64_t{1} << 53)) {  // rounded up to the next power of two
            kept >>= 1;
            ++top;
            if (top > 1023) throw EOverflow();
        }
        return std::bit_cast<double>(sign | (static_cast<std::uint64_t>(top + 1023) << 52) |
                                     (kept & ((std::uint64_t{1} << 52) - 1)));
    }
    // A subnormal one keeps fewer.
    const std::int64_t drop = 11 + (-1022 - top);
    if (drop > 65) return std::bit_cast<double>(sign);  // below half the least subnormal
    const U128 wide{0, value.significand};
    const int shift = static_cast<int>(drop);
    std::uint64_t kept = ShiftRight(wide, shift).lo;
    if (TestBit(wide, shift - 1) && (LowBitsNonZero(wide, shift - 1) || (kept & 1u) != 0)) ++kept;
    // A carry into bit 52 gives the least normal number, as it should.
    return std::bit_cast<double>(sign | kept);
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

// --- TRoundedProductSeries ---------------------------------------------------
//
// With |step| = m * 2^-f (m odd), the series keeps X = k * m * 2^(128 - f)
// + 2^127, that is (k * |step| + 1/2) * 2^128, as FWhole (bits 128 up) and
// the fraction FFractionHigh:FFractionLow; each step adds m * 2^(128 - f).
// That is exact for 1 <= f <= 128. For f <= 0 the products are integers
// and the fraction stays 0; for f > 128 every product of a series lies
// below 2^-12 (k < 2^63, m < 2^53), so every value is 0.
//
// The integer part J of k * |step| + 1/2 is the product rounded to nearest
// everywhere except near halfway points. Where the exact product k * m has
// L > 64 bits, rounding it to a 64-bit significand drops s = L - 64 bits:
// it moves the product by at most d = 2^(s-1) * 2^-f and may land it on a
// halfway point, which then goes to the even integer. With G the fraction
// of k * |step| + 1/2, for s <= f - 2 (t = f - s >= 2) this gives
//   G in [0, d]          the product lies at or just above J - 1/2:
//                        J - (J & 1)
//   G in [1 - d, 1)      just below J + 1/2: J + (J & 1)
//   any other G          J
// and with s = 0 (no rounding) the band is G = 0 alone, a true tie. The
// band grows with s, and s with k, so the series watches the band of the
// largest s among its valid k (in 2^-64 units of the fraction's high word,
// widened to whole units there), and works out the products inside it
// once more exactly. Products that come within t <= 1 of this are at
// least 2^61 in size; such a series takes the exact way every time.

namespace {

constexpr std::uint64_t kAllOnes = ~std::uint64_t{0};

}  // namespace

TRoundedProductSeries::TRoundedProductSeries(double step, std::int64_t count) : FCount(count > 0 ? count : 0) {
    const TDoubleParts parts = Decompose(step);
    if (!parts.finite) return;  // raises at every k: FInvalidFrom stays 0
    FInvalidFrom = FCount;
    FSignMask = parts.negative ? kAllOnes : 0;
    if (parts.mantissa == 0) return;
    const int zeros = std::countr_zero(parts.mantissa);
    if (-(parts.exponent + zeros) > 128) return;  // every value is 0
    FMantissa = parts.mantissa >> zeros;
    FFractionBits = -(parts.exponent + zeros);
    FConstant = false;
    FMagnitudeOfStep = step < 0 ? -step : step;
    FInvalidFrom = FirstInvalid();
    const int f = FFractionBits;
    if (f <= 0) {
        // Whole products. A step that does not fit leaves only k = 0 valid.
        if (BitLength(FMantissa) - f <= 64) FStepWhole = FMantissa << -f;
    } else {
        FStepWhole = f >= 64 ? 0 : FMantissa >> f;
        const std::uint64_t fraction = f >= 64 ? FMantissa : FMantissa & ((std::uint64_t{1} << f) - 1);
        const U128 step128 = ShiftLeft(U128{0, fraction}, 128 - f);
        FStepHigh = step128.hi;
        FStepLow = step128.lo;
        int widest = 0;
        if (FInvalidFrom > 0) {
            const U128 last = Multiply(static_cast<std::uint64_t>(FInvalidFrom - 1), FMantissa);
            widest = BitLength(last) > 64 ? BitLength(last) - 64 : 0;
        }
        FRounds = widest > 0;
        const int t = f - widest;
        if (FRounds && t <= 1) {
            FBandOffset = 0;  // every sum is in the band
            FBandWidth = kAllOnes;
        } else {
            // d = 2^(127 - t) in 2^-128 units; its part in the high word.
            const std::uint64_t high = !FRounds || t > 63 ? 0 : std::uint64_t{1} << (63 - t);
            FBandOffset = high + 1;
            FBandWidth = 2 * high + 1;
        }
    }
    SkipTo(0);
}

void TRoundedProductSeries::SkipTo(std::int64_t index) {
    FIndex = index;
    const auto k = static_cast<std::uint64_t>(index);
    const int f = FFractionBits;
    if (f <= 0) {
        FWhole = k * FStepWhole;
        FMagnitude = FWhole;
        return;
    }
    const U128 half = ShiftLeft(U128{0, 1}, f - 1);
    const U128 product = Multiply(k, FMantissa);
    U128 sum{product.hi + half.hi, product.lo + half.lo};
    if (sum.lo < product.lo) ++sum.hi;
    FWhole = ShiftRight(sum, f).lo;
    const U128 fraction = ShiftLeft(sum, 128 - f);
    FFractionHigh = fraction.hi;
    FFractionLow = fraction.lo;
    FMagnitude = FWhole;
    if (FFractionHigh + FBandOffset <= FBandWidth) FMagnitude = NearHalfMagnitude();
}

void TRoundedProductSeries::Fill(std::int64_t* values, std::int64_t count) noexcept {
    TRoundedProductSeries series = *this;  // never leaves this function, so it can live in registers
    for (std::int64_t i = 0; i < count; ++i) {
        values[i] = series.Value();
        series.Advance();
    }
    *this = series;
}

std::uint64_t TRoundedProductSeries::ExactMagnitude(std::uint64_t mantissa, std::int32_t fractionBits,
                                                    std::int64_t index) noexcept {
    std::uint64_t magnitude = 0;
    RoundedMagnitude(Multiply(static_cast<std::uint64_t>(index), mantissa), fractionBits, magnitude);
    return magnitude;
}

std::uint64_t TRoundedProductSeries::MagnitudeAt(std::int64_t index) const noexcept {
    return ExactMagnitude(FMantissa, FFractionBits, index);
}

std::int64_t TRoundedProductSeries::FirstInvalid() const noexcept {
    const bool negative = FSignMask != 0;
    const auto fits = [&](std::int64_t index) {
        std::uint64_t magnitude = 0;
        return RoundedMagnitude(Multiply(static_cast<std::uint64_t>(index), FMantissa), FFractionBits, magnitude) &&
               FitsInt64(magnitude, negative);
    };
    if (FCount == 0 || fits(FCount - 1)) return FCount;
    // The magnitude never falls as k grows: k = 0 fits, FCount - 1 does not.
    std::int64_t low = 0, high = FCount - 1;
    while (high - low > 1) {
        const std::int64_t middle = low + (high - low) / 2;
        (fits(middle) ? low : high) = middle;
    }
    return high;
}

std::int64_t TRoundedProductSeries::NextChange(std::int64_t limit) const {
    const std::int64_t bound = std::min(limit, FInvalidFrom);
    if (FConstant || bound <= FIndex + 1) return bound;
    // The first k whose magnitude reaches FMagnitude + 1 lies near
    // (FMagnitude + 1/2) / |step|. The estimate only saves work: the
    // search below decides with exact products whatever it says.
    const std::uint64_t target = FMagnitude + 1;
    const auto reaches = [&](std::int64_t index) { return index >= bound || MagnitudeAt(index) >= target; };
    const double estimate = (static_cast<double>(FMagnitude) + 0.5) / FMagnitudeOfStep;
    std::int64_t probe = estimate < 0x1p62 ? static_cast<std::int64_t>(estimate) + 1 : bound;
    probe = std::clamp(probe, FIndex + 1, bound);
    // Gallop from the estimate to bracket the first k that reaches, then halve.
    std::int64_t low = FIndex, high = bound;  // low never reaches, high does
    // The strides stay below high - low < 2^63, so they never overflow.
    if (reaches(probe)) {
        high = probe;
        for (std::uint64_t stride = 1; stride < static_cast<std::uint64_t>(high - low); stride *= 2) {
            const std::int64_t next = high - static_cast<std::int64_t>(stride);
            if (!reaches(next)) {
                low = next;
                break;
            }
            high = next;
        }
    } else {
        low = probe;
        for (std::uint64_t stride = 1; stride < static_cast<std::uint64_t>(high - low); stride *= 2) {
            const std::int64_t next = low + static_cast<std::int64_t>(stride);
            if (reaches(next)) {
                high = next;
                break;
            }
            low = next;
        }
    }
    while (high - low > 1) {
        const std::int64_t middle = low + (high - low) / 2;
        (reaches(middle) ? high : low) = middle;
    }
    return high;
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
