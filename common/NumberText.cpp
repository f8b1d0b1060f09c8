// NumberText.cpp - ParseInteger, ParseReal and HexToInt.
#include "common/NumberText.h"

#include <bit>
#include <cstdint>
#include <string>
#include <vector>

#include "common/Errors.h"
#include "common/ExtendedDetail.h"

namespace rulv {

namespace {

constexpr std::size_t kQuoteLimit = 40;  // characters of a refused text quoted in a message

[[noreturn]] void RaiseConvertError(std::string_view text, const char* kind) {
    std::string shown(text.substr(0, kQuoteLimit));
    if (text.size() > kQuoteLimit) shown += "...";
    throw EConvertError("'" + shown + "' is not a valid " + kind + " value");
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

TNumberScan Refused(TNumberFault fault, std::size_t offset) noexcept { return {fault, offset}; }

// One or more hexadecimal digits and nothing else, at most eight of them
// significant; the value is the 32-bit pattern. `digits` starts at `offset`
// of the whole text; `missing` is the rule for a text without a first digit.
TNumberScan ScanHexDigits(std::string_view digits, std::size_t offset, TNumberFault missing,
                          std::int32_t& value) noexcept {
    if (digits.empty() || HexValue(digits.front()) < 0) return Refused(missing, offset);
    std::uint32_t pattern = 0;
    int significant = 0;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        const int digit = HexValue(digits[i]);
        if (digit < 0) return Refused(TNumberFault::UnexpectedCharacter, offset + i);
        if (significant > 0 || digit != 0) {
            if (++significant > 8) return Refused(TNumberFault::TooManyHexDigits, offset + i);
        }
        pattern = (pattern << 4) | static_cast<std::uint32_t>(digit);
    }
    value = static_cast<std::int32_t>(pattern);
    return {};
}

// One or more decimal digits and nothing else, as a magnitude up to `limit`;
// the offset of an out-of-range text is that of the digit that passed it.
TNumberScan ScanDecimalDigits(std::string_view digits, std::size_t offset, TNumberFault missing,
                              std::uint32_t limit, std::uint32_t& magnitude) noexcept {
    if (digits.empty() || !IsDigit(digits.front())) return Refused(missing, offset);
    std::uint64_t accumulated = 0;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (!IsDigit(digits[i])) return Refused(TNumberFault::UnexpectedCharacter, offset + i);
        accumulated = accumulated * 10 + static_cast<std::uint64_t>(digits[i] - '0');
        if (accumulated > limit) return Refused(TNumberFault::OutOfRange, offset + i);
    }
    magnitude = static_cast<std::uint32_t>(accumulated);
    return {};
}

}  // namespace

TNumberScan ScanInteger(std::string_view text, std::int32_t& value) noexcept {
    // The commonest text, a few decimal digits and nothing else, at once:
    // nine of them stay below 2^31.
    constexpr std::size_t kShortDigits = 9;
    if (!text.empty() && text.size() <= kShortDigits) {
        std::uint32_t number = 0;  // wraps harmlessly until a non-digit is known
        bool digits = true;
        for (const char c : text) {
            digits &= IsDigit(c);
            number = number * 10 + static_cast<std::uint32_t>(static_cast<unsigned char>(c) - '0');
        }
        if (digits) {
            value = static_cast<std::int32_t>(number);
            return {};
        }
    }
    std::size_t at = 0;
    while (at < text.size() && text[at] == ' ') ++at;
    if (at == text.size()) return Refused(TNumberFault::Empty, at);
    const std::string_view rest = text.substr(at);

    const char first = rest[0];
    if (first == '+' || first == '-') {
        const bool negative = first == '-';
        std::uint32_t magnitude = 0;
        const TNumberScan scan = ScanDecimalDigits(rest.substr(1), at + 1, TNumberFault::SignWithoutDigits,
                                                   negative ? 0x80000000u : 0x7FFFFFFFu, magnitude);
        if (scan.Accepted()) {
            value = negative ? static_cast<std::int32_t>(0u - magnitude) : static_cast<std::int32_t>(magnitude);
        }
        return scan;
    }
    if (first == '$' || first == 'x' || first == 'X') {
        return ScanHexDigits(rest.substr(1), at + 1, TNumberFault::PrefixWithoutDigits, value);
    }
    if (first == '0' && rest.size() >= 2 && (rest[1] == 'x' || rest[1] == 'X')) {
        return ScanHexDigits(rest.substr(2), at + 2, TNumberFault::PrefixWithoutDigits, value);
    }
    std::uint32_t magnitude = 0;
    const TNumberScan scan =
        ScanDecimalDigits(rest, at, TNumberFault::UnexpectedCharacter, 0x7FFFFFFFu, magnitude);
    if (scan.Accepted()) value = static_cast<std::int32_t>(magnitude);
    return scan;
}

bool TryParseInteger(std::string_view text, std::int32_t& value) noexcept {
    return ScanInteger(text, value).Accepted();
}

std::int32_t ParseInteger(std::string_view text) {
    std::int32_t value = 0;
    if (!TryParseInteger(text, value)) RaiseConvertError(text, "integer");
    return value;
}

std::int32_t HexToInt(std::string_view text) {
    // The same as ParseInteger("$" + text), without building that text.
    std::int32_t value = 0;
    if (!ScanHexDigits(text, 0, TNumberFault::PrefixWithoutDigits, value).Accepted()) {
        RaiseConvertError("$" + std::string(text.substr(0, kQuoteLimit)), "integer");
    }
    return value;
}

// --- ParseReal -----------------------------------------------------------

namespace {

using detail::U128;

// Significant mantissa digits kept exactly; enough to round every value
// down to 1e-400 correctly. Later digits only count as a sticky bit.
constexpr std::size_t kKeptDigits = 1100;
constexpr std::int64_t kExponentStop = 500;
constexpr std::int64_t kSmallestMagnitude = -400;  // below 1e-400 reads as zero
constexpr std::int64_t kLargestMagnitude = 4933;   // 1e4933 is past the extended range
constexpr std::int32_t kExtendedTopExponent = 16383;

// The decimal text taken apart: value = digits * 10^exponent (+ a non-zero
// tail when sticky), with no leading zeros in `digits`.
struct TDecimal {
    bool negative = false;
    std::string digits;
    std::int64_t exponent = 0;
    bool sticky = false;
};

void AddDigit(TDecimal& decimal, char c, bool fraction) {
    if (decimal.digits.empty() && c == '0') {  // a leading zero
        if (fraction) --decimal.exponent;
        return;
    }
    if (decimal.digits.size() < kKeptDigits) {
        decimal.digits.push_back(c);
        if (fraction) --decimal.exponent;
    } else {
        if (c != '0') decimal.sticky = true;
        if (!fraction) ++decimal.exponent;
    }
}

// Takes the text apart into `decimal`; says which rule refused it, and where.
TNumberScan SplitReal(std::string_view text, char separator, TDecimal& decimal) {
    std::size_t i = 0;
    const std::size_t n = text.size();
    while (i < n && text[i] == ' ') ++i;
    if (i == n) return Refused(TNumberFault::Empty, i);
    const bool hasSign = text[i] == '+' || text[i] == '-';
    if (hasSign) decimal.negative = text[i++] == '-';
    bool mantissa = false;
    while (i < n && IsDigit(text[i])) {
        AddDigit(decimal, text[i++], false);
        mantissa = true;
    }
    if (i < n && text[i] == separator) {
        ++i;
        mantissa = true;
        while (i < n && IsDigit(text[i])) AddDigit(decimal, text[i++], true);
    }
    if (!mantissa) return Refused(hasSign ? TNumberFault::SignWithoutDigits : TNumberFault::UnexpectedCharacter, i);
    if (i < n && (text[i] == 'E' || text[i] == 'e')) {
        ++i;
        bool negativeExponent = false;
        if (i < n && (text[i] == '+' || text[i] == '-')) negativeExponent = text[i++] == '-';
        std::int64_t power = 0;
        while (i < n && IsDigit(text[i]) && power < kExponentStop) power = power * 10 + (text[i++] - '0');
        decimal.exponent += negativeExponent ? -power : power;
    }
    while (i < n && text[i] == ' ') ++i;
    if (i != n) return Refused(TNumberFault::UnexpectedCharacter, i);
    return {};
}

// A little unsigned big integer, least significant 32-bit limb first.
class TBigInt {
public:
    explicit TBigInt(std::uint32_t value = 0) {
        if (value != 0) FLimbs.push_back(value);
    }

    void MultiplyAdd(std::uint32_t factor, std::uint32_t addend) {
        std::uint64_t carry = addend;
        for (auto& limb : FLimbs) {
            carry += std::uint64_t{limb} * factor;
            limb = static_cast<std::uint32_t>(carry);
            carry >>= 32;
        }
        if (carry != 0) FLimbs.push_back(static_cast<std::uint32_t>(carry));
    }

    void MultiplyByPowerOfTen(std::int64_t power) {
        for (; power >= 9; power -= 9) MultiplyAdd(1000000000u, 0);
        static constexpr std::uint32_t kSmall[] = {1, 10, 100, 1000, 10000, 100000, 1000000, 10000000, 100000000};
        MultiplyAdd(kSmall[power], 0);
    }

    void ShiftLeft(std::int64_t bits) {
        if (FLimbs.empty() || bits == 0) return;
        const auto whole = static_cast<std::size_t>(bits / 32);
        const int part = static_cast<int>(bits % 32);
        if (part != 0) {
            std::uint32_t carry = 0;
            for (auto& limb : FLimbs) {
                const std::uint32_t next = limb >> (32 - part);
                limb = (limb << part) | carry;
                carry = next;
            }
            if (carry != 0) FLimbs.push_back(carry);
        }
        FLimbs.insert(FLimbs.begin(), whole, 0u);
    }

    void ShiftRightOne() {
        std::uint32_t carry = 0;
        for (std::size_t i = FLimbs.size(); i-- > 0;) {  // from the most significant limb down
            const std::uint32_t next = FLimbs[i] & 1u;
            FLimbs[i] = (FLimbs[i] >> 1) | (carry << 31);
            carry = next;
        }
        Trim();
    }

    // *this -= other, where other <= *this.
    void Subtract(const TBigInt& other) {
        std::int64_t borrow = 0;
        for (std::size_t i = 0; i < FLimbs.size(); ++i) {
            std::int64_t difference = std::int64_t{FLimbs[i]} - borrow -
                                      (i < other.FLimbs.size() ? std::int64_t{other.FLimbs[i]} : 0);
            borrow = difference < 0 ? 1 : 0;
            FLimbs[i] = static_cast<std::uint32_t>(difference + (borrow << 32));
        }
        Trim();
    }

    friend int Compare(const TBigInt& a, const TBigInt& b) {
        if (a.FLimbs.size() != b.FLimbs.size()) return a.FLimbs.size() < b.FLimbs.size() ? -1 : 1;
        for (std::size_t i = a.FLimbs.size(); i-- > 0;) {
            if (a.FLimbs[i] != b.FLimbs[i]) return a.FLimbs[i] < b.FLimbs[i] ? -1 : 1;
        }
        return 0;
    }

    bool IsZero() const { return FLimbs.empty(); }

    std::int64_t BitLength() const {
        if (FLimbs.empty()) return 0;
        return std::int64_t{32} * static_cast<std::int64_t>(FLimbs.size() - 1) + detail::BitLength(FLimbs.back());
    }

    bool TestBit(std::int64_t index) const {
        const auto limb = static_cast<std::size_t>(index / 32);
        return limb < FLimbs.size() && ((FLimbs[limb] >> (index % 32)) & 1u) != 0;
    }

    bool LowBitsNonZero(std::int64_t count) const {
        for (std::int64_t i = 0; i < count; ++i) {
            if (TestBit(i)) return true;
        }
        return false;
    }

    // Bits [from, from + count) as an integer; count <= 128.
    U128 Bits(std::int64_t from, int count) const {
        U128 result;
        for (int i = count - 1; i >= 0; --i) {
            result = detail::ShiftLeft(result, 1);
            if (TestBit(from + i)) result.lo |= 1u;
        }
        return result;
    }

private:
    void Trim() {
        while (!FLimbs.empty() && FLimbs.back() == 0) FLimbs.pop_back();
    }

    std::vector<std::uint32_t> FLimbs;
};

TBigInt DigitsValue(const std::string& digits) {
    TBigInt value;
    for (const char c : digits) value.MultiplyAdd(10, static_cast<std::uint32_t>(c - '0'));
    return value;
}

// digits * 10^exponent with exponent >= 0: an integer, rounded to 64 bits.
TExtended RoundWhole(const TDecimal& decimal) {
    TBigInt value = DigitsValue(decimal.digits);
    value.MultiplyByPowerOfTen(decimal.exponent);
    const std::int64_t length = value.BitLength();
    if (length <= 66) return detail::Round64(value.Bits(0, 66), 0, decimal.sticky, decimal.negative);
    const std::int64_t dropped = length - 66;
    const bool sticky = decimal.sticky || value.LowBitsNonZero(dropped);
    return detail::Round64(value.Bits(dropped, 66), dropped, sticky, decimal.negative);
}

// digits / 10^-exponent with exponent < 0: 66 or 67 quotient bits by long
// division, the remainder as the sticky bit.
TExtended RoundFraction(const TDecimal& decimal) {
    TBigInt numerator = DigitsValue(decimal.digits);
    TBigInt denominator(1);
    denominator.MultiplyByPowerOfTen(-decimal.exponent);
    // Scale so that the quotient lies between 2^65 and 2^67.
    const std::int64_t scale = denominator.BitLength() - numerator.BitLength() + 66;
    constexpr int kQuotientBits = 67;
    if (scale >= 0) {
        numerator.ShiftLeft(scale);
        denominator.ShiftLeft(kQuotientBits - 1);
    } else {
        denominator.ShiftLeft(kQuotientBits - 1 - scale);
    }
    U128 quotient;
    for (int bit = kQuotientBits - 1; bit >= 0; --bit) {
        quotient = detail::ShiftLeft(quotient, 1);
        if (Compare(numerator, denominator) >= 0) {
            numerator.Subtract(denominator);
            quotient.lo |= 1u;
        }
        denominator.ShiftRightOne();
    }
    const bool sticky = decimal.sticky || !numerator.IsZero();
    return detail::Round64(quotient, -scale, sticky, decimal.negative);
}

// The common slopes (1, -0.5, 0.125, 3E2) read straight, without the
// big integers: at most 19 significant digits, which fit 64 bits, an
// exponent of at most three digits, and a power of ten that fits 64 bits
// as a factor and 2^63 as a divisor, so that the value is worked out in
// 128 bits. False, with nothing written, for any other text: the general
// reading decides those, and gives the same value for these.
constexpr int kPlainDigits = 19;
constexpr int kPlainExponentDigits = 3;
constexpr std::int64_t kPlainLargestPower = 19;
constexpr std::int64_t kPlainLargestDivisorPower = 18;

constexpr std::uint64_t kPowersOfTen[kPlainLargestPower + 1] = {
    1u, 10u, 100u, 1000u, 10000u, 100000u, 1000000u, 10000000u, 100000000u, 1000000000u, 10000000000u,
    100000000000u, 1000000000000u, 10000000000000u, 100000000000000u, 1000000000000000u, 10000000000000000u,
    100000000000000000u, 1000000000000000000u, 10000000000000000000u};

// m / 10^k is m / 5^k over 2^k: exact in 64 bits where 5^k divides m.
constexpr std::uint64_t kPowersOfFive[kPlainLargestDivisorPower + 1] = {
    1u, 5u, 25u, 125u, 625u, 3125u, 15625u, 78125u, 390625u, 1953125u, 9765625u, 48828125u, 244140625u,
    1220703125u, 6103515625u, 30517578125u, 152587890625u, 762939453125u, 3814697265625u};

// whole * 2^exponent (whole != 0), which needs no rounding.
TExtended ExactValue(bool negative, std::uint64_t whole, std::int64_t exponent) noexcept {
    const int shift = std::countl_zero(whole);
    return TExtended{negative, whole << shift, static_cast<std::int32_t>(exponent - shift)};
}

class TPlainReal {
public:
    TPlainReal(std::string_view text, char separator) noexcept : FText(text), FSeparator(separator) {}

    bool Scan(TExtended& value) noexcept {
        SkipSpaces();
        const bool negative = Next('-');
        if (!negative) Next('+');
        const std::size_t mantissaStart = FAt;
        if (!Digits(false)) return false;
        const bool separator = Next(FSeparator);
        if (separator && !Digits(true)) return false;
        if (FAt == mantissaStart) return false;  // neither a digit nor the separator
        if ((Next('E') || Next('e')) && !Exponent()) return false;
        SkipSpaces();
        if (FAt != FText.size()) return false;
        if (FDigits == 0) {
            value = TExtended{negative, 0, 0};
            return true;
        }
        while (FDigits % 10 == 0) {  // trailing zeros only scale the value
            FDigits /= 10;
            ++FExponent;
        }
        if (FExponent > kPlainLargestPower || FExponent < -kPlainLargestDivisorPower) return false;
        const auto power = static_cast<std::size_t>(FExponent >= 0 ? FExponent : -FExponent);
        // The commonest slopes (1, -1, 0.5, 0.25) are exact: nothing to round.
        if (FExponent == 0) {
            value = ExactValue(negative, FDigits, 0);
            return true;
        }
        if (FExponent < 0 && FDigits % kPowersOfFive[power] == 0) {
            value = ExactValue(negative, FDigits / kPowersOfFive[power], FExponent);
            return true;
        }
        value = FExponent >= 0 ? detail::Round64(detail::Multiply(FDigits, kPowersOfTen[power]), 0, false, negative)
                               : detail::UnsignedQuotient(FDigits, kPowersOfTen[power], negative);
        return true;
    }

private:
    bool Next(char c) noexcept {
        if (FAt == FText.size() || FText[FAt] != c) return false;
        ++FAt;
        return true;
    }
    void SkipSpaces() noexcept {
        while (FAt < FText.size() && FText[FAt] == ' ') ++FAt;
    }
    // Mantissa digits; false when there are too many to keep.
    bool Digits(bool fraction) noexcept {
        for (; FAt < FText.size() && IsDigit(FText[FAt]); ++FAt) {
            const auto digit = static_cast<std::uint64_t>(FText[FAt] - '0');
            if (FDigits != 0 || digit != 0) {
                if (++FSignificant > kPlainDigits) return false;
                FDigits = FDigits * 10 + digit;
            }
            if (fraction) --FExponent;
        }
        return true;
    }
    // An optional sign and at most three digits (none read as 0).
    bool Exponent() noexcept {
        const bool negative = Next('-');
        if (!negative) Next('+');
        std::int64_t power = 0;
        for (int count = 0; FAt < FText.size() && IsDigit(FText[FAt]); ++FAt) {
            if (++count > kPlainExponentDigits) return false;
            power = power * 10 + (FText[FAt] - '0');
        }
        FExponent += negative ? -power : power;
        return true;
    }

    std::string_view FText;
    char FSeparator;
    std::size_t FAt = 0;
    std::uint64_t FDigits = 0;
    int FSignificant = 0;
    std::int64_t FExponent = 0;
};

}  // namespace

TNumberScan ScanReal(std::string_view text, char decimalSeparator, TExtended& value) {
    if (TPlainReal(text, decimalSeparator).Scan(value)) return {};
    TDecimal decimal;
    const TNumberScan scan = SplitReal(text, decimalSeparator, decimal);
    if (!scan.Accepted()) return scan;
    TExtended zero;
    zero.negative = decimal.negative;
    if (decimal.digits.empty()) {
        value = zero;
        return {};
    }
    // A value too large is refused at the start of the number.
    const TNumberScan tooLarge = Refused(TNumberFault::Overflow, text.find_first_not_of(' '));
    // Trailing zeros of the kept digits only scale the value.
    while (decimal.digits.back() == '0') {
        decimal.digits.pop_back();
        ++decimal.exponent;
    }
    // The value lies in [10^(magnitude-1), 10^magnitude).
    const std::int64_t magnitude = static_cast<std::int64_t>(decimal.digits.size()) + decimal.exponent;
    if (magnitude > kLargestMagnitude) return tooLarge;
    if (magnitude < kSmallestMagnitude) {
        value = zero;
        return {};
    }
    const TExtended rounded = decimal.exponent >= 0 ? RoundWhole(decimal) : RoundFraction(decimal);
    if (std::int64_t{rounded.exponent} + 63 > kExtendedTopExponent) return tooLarge;
    value = rounded;
    return {};
}

TExtended ParseReal(std::string_view text, char decimalSeparator) {
    TExtended value;
    const TNumberScan scan = ScanReal(text, decimalSeparator, value);
    if (scan.Fault == TNumberFault::Overflow) throw EOverflow();
    if (!scan.Accepted()) RaiseConvertError(text, "floating point");
    return value;
}

}  // namespace rulv
