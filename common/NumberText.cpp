// NumberText.cpp - ParseInteger, ParseReal and HexToInt.
#include "NumberText.h"

#include <cstdint>
#include <string>
#include <vector>

#include "Errors.h"
#include "ExtendedDetail.h"

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

// One or more hexadecimal digits and nothing else, at most eight of them
// significant; the value is the 32-bit pattern.
bool ParseHexDigits(std::string_view digits, std::int32_t& value) {
    if (digits.empty()) return false;
    std::uint32_t pattern = 0;
    int significant = 0;
    for (const char c : digits) {
        const int digit = HexValue(c);
        if (digit < 0) return false;
        if (significant > 0 || digit != 0) {
            if (++significant > 8) return false;
        }
        pattern = (pattern << 4) | static_cast<std::uint32_t>(digit);
    }
    value = static_cast<std::int32_t>(pattern);
    return true;
}

// One or more decimal digits and nothing else, as a magnitude up to `limit`.
bool ParseDecimalDigits(std::string_view digits, std::uint32_t limit, std::uint32_t& magnitude) {
    if (digits.empty()) return false;
    std::uint64_t accumulated = 0;
    for (const char c : digits) {
        if (!IsDigit(c)) return false;
        accumulated = accumulated * 10 + static_cast<std::uint64_t>(c - '0');
        if (accumulated > limit) return false;
    }
    magnitude = static_cast<std::uint32_t>(accumulated);
    return true;
}

}  // namespace

bool TryParseInteger(std::string_view text, std::int32_t& value) noexcept {
    std::size_t i = 0;
    while (i < text.size() && text[i] == ' ') ++i;
    text.remove_prefix(i);
    if (text.empty()) return false;

    const char first = text[0];
    if (first == '+' || first == '-') {
        const bool negative = first == '-';
        std::uint32_t magnitude = 0;
        if (!ParseDecimalDigits(text.substr(1), negative ? 0x80000000u : 0x7FFFFFFFu, magnitude)) {
            return false;
        }
        value = negative ? static_cast<std::int32_t>(0u - magnitude) : static_cast<std::int32_t>(magnitude);
        return true;
    }
    if (first == '$' || first == 'x' || first == 'X') return ParseHexDigits(text.substr(1), value);
    if (first == '0' && text.size() >= 2 && (text[1] == 'x' || text[1] == 'X')) {
        return ParseHexDigits(text.substr(2), value);
    }
    std::uint32_t magnitude = 0;
    if (!ParseDecimalDigits(text, 0x7FFFFFFFu, magnitude)) return false;
    value = static_cast<std::int32_t>(magnitude);
    return true;
}

std::int32_t ParseInteger(std::string_view text) {
    std::int32_t value = 0;
    if (!TryParseInteger(text, value)) RaiseConvertError(text, "integer");
    return value;
}

std::int32_t HexToInt(std::string_view text) {
    // The same as ParseInteger("$" + text), without building that text.
    std::int32_t value = 0;
    if (!ParseHexDigits(text, value)) RaiseConvertError("$" + std::string(text.substr(0, kQuoteLimit)), "integer");
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

bool ScanReal(std::string_view text, char separator, TDecimal& decimal) {
    std::size_t i = 0;
    const std::size_t n = text.size();
    while (i < n && text[i] == ' ') ++i;
    if (i < n && (text[i] == '+' || text[i] == '-')) decimal.negative = text[i++] == '-';
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
    if (!mantissa) return false;
    if (i < n && (text[i] == 'E' || text[i] == 'e')) {
        ++i;
        bool negativeExponent = false;
        if (i < n && (text[i] == '+' || text[i] == '-')) negativeExponent = text[i++] == '-';
        std::int64_t power = 0;
        while (i < n && IsDigit(text[i]) && power < kExponentStop) power = power * 10 + (text[i++] - '0');
        decimal.exponent += negativeExponent ? -power : power;
    }
    while (i < n && text[i] == ' ') ++i;
    return i == n;
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
        for (auto it = FLimbs.rbegin(); it != FLimbs.rend(); ++it) {
            const std::uint32_t next = *it & 1u;
            *it = (*it >> 1) | (carry << 31);
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

}  // namespace

TExtended ParseReal(std::string_view text, char decimalSeparator) {
    TDecimal decimal;
    if (!ScanReal(text, decimalSeparator, decimal)) RaiseConvertError(text, "floating point");
    TExtended zero;
    zero.negative = decimal.negative;
    if (decimal.digits.empty()) return zero;
    // Trailing zeros of the kept digits only scale the value.
    while (decimal.digits.back() == '0') {
        decimal.digits.pop_back();
        ++decimal.exponent;
    }
    // The value lies in [10^(magnitude-1), 10^magnitude).
    const std::int64_t magnitude = static_cast<std::int64_t>(decimal.digits.size()) + decimal.exponent;
    if (magnitude > kLargestMagnitude) throw EOverflow();
    if (magnitude < kSmallestMagnitude) return zero;
    const TExtended value = decimal.exponent >= 0 ? RoundWhole(decimal) : RoundFraction(decimal);
    if (std::int64_t{value.exponent} + 63 > kExtendedTopExponent) throw EOverflow();
    return value;
}

}  // namespace rulv
