// Extended.h - exact arithmetic with a 64-bit significand.
//
// The colour-map reader and the colour strip compute a few values the way an
// 80-bit extended-precision FPU would: quotients and products are rounded to
// a 64-bit significand (to nearest, ties to even) and only then stored as a
// double or rounded to an integer. Hardware long double is not the same on
// every compiler and CPU (a plain double on some, 128 bits on others, and
// x87 precision control can be switched to 53 bits by any DLL), so every
// step here is done in integer arithmetic. The results are identical
// everywhere and depend on no FPU state.
#pragma once

#include <cstdint>

namespace rulv {

// A real with a 64-bit significand, held exactly:
//   value = (negative ? -1 : 1) * significand * 2^exponent
// The significand is normalised (bit 63 set), or 0 for the value zero.
struct TExtended {
    bool negative = false;
    std::uint64_t significand = 0;
    std::int32_t exponent = 0;

    bool IsZero() const noexcept { return significand == 0; }
    friend bool operator==(const TExtended&, const TExtended&) = default;
};

// numerator / denominator rounded to a 64-bit significand.
// Raises EZeroDivide for x / 0 (x != 0) and EInvalidOp for 0 / 0.
TExtended ExtendedQuotient(std::int64_t numerator, std::int64_t denominator);

// The value rounded to a double (53-bit significand), to nearest, ties to
// even, with gradual underflow. Raises EOverflow when it does not fit.
double ToDouble(const TExtended& value);

// The double that a quotient computed with a 64-bit significand becomes
// when it is stored: ToDouble(ExtendedQuotient(numerator, denominator)).
double StoredQuotient(std::int64_t numerator, std::int64_t denominator);

// factor * value formed with a 64-bit significand (the exact product rounded
// once, to nearest, ties to even) and then rounded to the nearest integer,
// ties to even. Raises EInvalidOp when that integer does not fit 64 bits or
// the factor is not finite.
std::int64_t RoundedProduct(std::int64_t factor, double value);

// numerator / divisor formed with a 64-bit significand and then truncated
// toward zero. Raises EZeroDivide or EInvalidOp for a zero divisor and
// EInvalidOp when the result does not fit 64 bits or the divisor is not
// finite.
std::int64_t TruncatedQuotient(std::int64_t numerator, double divisor);

}  // namespace rulv
