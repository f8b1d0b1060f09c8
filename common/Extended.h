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

#include <bit>
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

namespace detail {

// a + b + carry (carry 0 or 1); carry becomes the carry out. Plain C++ that
// any compiler gets right, and the same sum through the processor's
// add-with-carry where the compiler offers it: GCC 12 makes flag juggling
// of the plain form, twice as slow in the series' step.
inline std::uint64_t AddWithCarryPortable(std::uint64_t a, std::uint64_t b, std::uint64_t& carry) noexcept {
    const std::uint64_t sum = a + b;
    const std::uint64_t total = sum + carry;
    carry = static_cast<std::uint64_t>(sum < a) | static_cast<std::uint64_t>(total < sum);
    return total;
}

inline std::uint64_t AddWithCarry(std::uint64_t a, std::uint64_t b, std::uint64_t& carry) noexcept {
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
    unsigned long long total = 0;
    carry = __builtin_ia32_addcarryx_u64(static_cast<unsigned char>(carry), a, b, &total);
    return total;
#else
    return AddWithCarryPortable(a, b, carry);
#endif
}

}  // namespace detail

// RoundedProduct(k, step) for k = 0, 1, 2, ... in turn, without the general
// routine's work per product. The exact product k * step, plus one half, is
// kept as a fixed-point sum of 64 integer and 128 fraction bits to which
// every step adds the step's own bits, so the integer part is the product
// rounded to nearest, and only products that lie close to halfway between
// two integers (where the rounding to a 64-bit significand or a tie can
// decide) are worked out once more exactly. The series knows where the
// products stop fitting 64 bits and where its value next changes, so that
// a caller can fill runs of equal values at once.
//
//   TRoundedProductSeries red(step, count);
//   const std::int64_t valid = red.InvalidFrom();  // count unless it raises
//   for (; red.Index() < valid; red.Advance()) Use(red.Value());
//   if (valid < count) throw EInvalidOp();  // where RoundedProduct(valid, step) raises
class TRoundedProductSeries {
public:
    // The series for k = 0 .. count - 1 (none for count <= 0), at k = 0.
    // Any step is accepted; a non-finite one gives InvalidFrom() == 0.
    TRoundedProductSeries(double step, std::int64_t count);

    // The current k.
    std::int64_t Index() const noexcept { return FIndex; }

    // The least k in 0 .. count - 1 for which RoundedProduct(k, step) raises
    // EInvalidOp, or count (0 for count <= 0) when none does. Every k from
    // there on raises too: the rounded magnitude never falls as k grows.
    std::int64_t InvalidFrom() const noexcept { return FInvalidFrom; }

    // RoundedProduct(Index(), step). Only while Index() < InvalidFrom().
    std::int64_t Value() const noexcept {
        return static_cast<std::int64_t>((FMagnitude ^ FSignMask) - FSignMask);
    }

    // Moves to the next k. Only while Index() < InvalidFrom().
    void Advance() noexcept {
        ++FIndex;
        std::uint64_t carry = 0;
        FFractionLow = detail::AddWithCarry(FFractionLow, FStepLow, carry);
        FFractionHigh = detail::AddWithCarry(FFractionHigh, FStepHigh, carry);
        FWhole = detail::AddWithCarry(FWhole, FStepWhole, carry);
        FMagnitude = FWhole;
        // The fraction wraps round, so one comparison finds both edges of
        // the band around the halfway points.
        if (FFractionHigh + FBandOffset <= FBandWidth) [[unlikely]] FMagnitude = NearHalfMagnitude();
    }

    // Moves to k = index, 0 <= index <= InvalidFrom().
    void SkipTo(std::int64_t index);

    // Where the run of equal values that holds Index() ends: the least
    // k > Index() whose value differs from Value(), or min(limit,
    // InvalidFrom()) when no k below that does. Only while Index() <
    // InvalidFrom() and Index() < limit. Found from an estimate that
    // exact products then confirm, so the result is exact.
    std::int64_t NextChange(std::int64_t limit) const;

    // Writes Value() for the next `count` k to values[0 .. count - 1] and
    // moves past them: Index() grows by count. Only while Index() + count
    // <= InvalidFrom(). The loop runs on a copy of the series, which the
    // compiler keeps in registers; a long loop of Advance() on a series
    // whose address has been passed on (as its constructor does) runs
    // through memory instead, about 1.6 times as long per step.
    void Fill(std::int64_t* values, std::int64_t count) noexcept;

private:
    // The magnitude for a sum in the band. Without the rounding to 64 bits
    // only a true tie (fraction 0) needs care; with it, ExactMagnitude
    // works the product out once more. That one is static and takes
    // values, so that a series in a loop need not live in memory for it.
    std::uint64_t NearHalfMagnitude() const noexcept {
        if (!FRounds) return FWhole - (FWhole & static_cast<std::uint64_t>((FFractionHigh | FFractionLow) == 0));
        return ExactMagnitude(FMantissa, FFractionBits, FIndex);
    }
    static std::uint64_t ExactMagnitude(std::uint64_t mantissa, std::int32_t fractionBits,
                                        std::int64_t index) noexcept;
    std::int64_t FirstInvalid() const noexcept;
    std::uint64_t MagnitudeAt(std::int64_t index) const noexcept;

    // |step| = FMantissa * 2^-FFractionBits, FMantissa odd (or 0).
    std::uint64_t FMantissa = 0;
    std::int32_t FFractionBits = 0;
    std::uint64_t FSignMask = 0;  // all ones for a negative step
    double FMagnitudeOfStep = 0;  // |step|, for estimates only
    bool FConstant = true;        // every value is 0, or none is valid
    // Whether some product of the series needs more than 64 bits, so that
    // its rounding to a 64-bit significand can matter.
    bool FRounds = false;
    std::int64_t FCount = 0;
    std::int64_t FInvalidFrom = 0;
    // What one step adds: 64 integer bits and 128 fraction bits.
    std::uint64_t FStepWhole = 0;
    std::uint64_t FStepHigh = 0;
    std::uint64_t FStepLow = 0;
    // The band: fraction high words h with h + FBandOffset <= FBandWidth
    // (mod 2^64) may need the exact rounding. The default holds none.
    std::uint64_t FBandOffset = 1;
    std::uint64_t FBandWidth = 0;
    // k * |step| + 1/2 at k = FIndex, and its rounded magnitude.
    std::int64_t FIndex = 0;
    std::uint64_t FWhole = 0;
    std::uint64_t FFractionHigh = 0;
    std::uint64_t FFractionLow = 0;
    std::uint64_t FMagnitude = 0;
};

// RoundedProduct(k, step) for the k of a short run, 0 <= k < kMaxFactor,
// and a step below kMaxStep in magnitude: the exact product then has at
// most 64 significant bits, so its rounding to a 64-bit significand is
// exact, and it is rounded to the nearest integer (ties to even) at once,
// in a few integer steps. The product never leaves 2^51.
class TShortProductRun {
public:
    static constexpr std::int64_t kMaxFactor = std::int64_t{1} << 11;
    static constexpr double kMaxStep = 0x1p40;

    // Whether a run of `count` products of `step` is short in this sense.
    static bool Fits(double step, std::int64_t count) noexcept {
        return count <= kMaxFactor && step < kMaxStep && step > -kMaxStep;  // false for NaN
    }

    explicit TShortProductRun(double step) noexcept {
        // |step| = mantissa * 2^exponent, as the double holds it.
        const auto bits = std::bit_cast<std::uint64_t>(step);
        const int field = static_cast<int>((bits >> 52) & 0x7FF);
        constexpr std::uint64_t kFraction = (std::uint64_t{1} << 52) - 1;
        FMantissa = field == 0 ? bits & kFraction : (bits & kFraction) | (std::uint64_t{1} << 52);
        FShift = field == 0 ? 1074 : 1075 - field;
        FNegative = (bits >> 63) != 0;
        if (FShift > 0 && FShift < 64) {
            FRestMask = (std::uint64_t{1} << FShift) - 1;
            FHalf = std::uint64_t{1} << (FShift - 1);
        }
    }

    std::int64_t Value(std::int64_t k) const noexcept {
        const std::uint64_t product = static_cast<std::uint64_t>(k) * FMantissa;
        std::uint64_t magnitude = 0;
        if (FShift <= 0) {
            magnitude = product << -FShift;
        } else if (FShift < 64) {
            magnitude = product >> FShift;
            const std::uint64_t rest = product & FRestMask;
            // Above one half, or exactly one half of an odd integer: up.
            magnitude += static_cast<std::uint64_t>(rest > FHalf || (rest == FHalf && (magnitude & 1u) != 0));
        } else if (FShift == 64) {
            magnitude = static_cast<std::uint64_t>(product > (std::uint64_t{1} << 63));  // a half goes to 0
        }
        const auto value = static_cast<std::int64_t>(magnitude);
        return FNegative ? -value : value;
    }

private:
    std::uint64_t FMantissa = 0;  // |step| = FMantissa * 2^-FShift
    int FShift = 0;
    std::uint64_t FRestMask = 0;
    std::uint64_t FHalf = 0;
    bool FNegative = false;
};

// numerator / divisor formed with a 64-bit significand and then truncated
// toward zero. Raises EZeroDivide or EInvalidOp for a zero divisor and
// EInvalidOp when the result does not fit 64 bits or the divisor is not
// finite.
std::int64_t TruncatedQuotient(std::int64_t numerator, double divisor);

}  // namespace rulv
