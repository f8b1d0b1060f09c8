// FuzzNumberText.cpp - libFuzzer target over the number text of colour-map
// files and settings.
//
// The first byte of an input picks what is checked (bit 0 set: ParseReal,
// with a comma as the decimal separator when bit 1 is set too; clear:
// ParseInteger and TryParseInteger, the settings' integer rules); the rest
// is the text. Each conversion is held against a computation of its own:
//   - integers: a plain reading of the grammar in 64-bit arithmetic;
//   - reals: the C library's strtold on the same number written with a full
//     stop and a plain exponent. On x86 a long double has the 64-bit
//     significand that ParseReal rounds to, and strtold rounds correctly,
//     to nearest with ties to even, so both must give the same value. Values
//     near the documented lower limit (1e-400, below which ParseReal reads
//     zero) are not compared.
// Refused texts must be refused by both, with a rule and an offset inside
// the text, and leave the caller's value alone.
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <optional>
#include <string>
#include <string_view>

#include "common/Errors.h"
#include "common/NumberText.h"

namespace {

using namespace rulv;

[[noreturn]] void Finding(const char* what) {
    std::fprintf(stderr, "number-text fuzzer: %s\n", what);
    std::abort();
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsHex(char c) { return IsDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }
int HexOf(char c) { return IsDigit(c) ? c - '0' : (c | 0x20) - 'a' + 10; }

// --- Integers ----------------------------------------------------------------

std::optional<std::int32_t> ReferenceHex(std::string_view digits) {
    if (digits.empty()) return std::nullopt;
    std::uint64_t value = 0;
    int significant = 0;
    for (const char c : digits) {
        if (!IsHex(c)) return std::nullopt;
        if (significant > 0 || c != '0') ++significant;
        value = (value << 4 | static_cast<std::uint64_t>(HexOf(c))) & 0xFFFFFFFFu;
    }
    if (significant > 8) return std::nullopt;
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
}

std::optional<std::int32_t> ReferenceInteger(std::string_view text) {
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    if (text.empty()) return std::nullopt;
    if (text[0] == '$' || text[0] == 'x' || text[0] == 'X') return ReferenceHex(text.substr(1));
    if (text.size() >= 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) return ReferenceHex(text.substr(2));
    bool negative = false;
    if (text[0] == '+' || text[0] == '-') {
        negative = text[0] == '-';
        text.remove_prefix(1);
    }
    if (text.empty()) return std::nullopt;
    std::int64_t magnitude = 0;
    for (const char c : text) {
        if (!IsDigit(c)) return std::nullopt;
        magnitude = magnitude * 10 + (c - '0');
        if (magnitude > std::int64_t{1} << 31) return std::nullopt;
    }
    const std::int64_t value = negative ? -magnitude : magnitude;
    if (value < std::numeric_limits<std::int32_t>::min() || value > std::numeric_limits<std::int32_t>::max()) {
        return std::nullopt;
    }
    return static_cast<std::int32_t>(value);
}

void CheckInteger(std::string_view text) {
    const std::optional<std::int32_t> expected = ReferenceInteger(text);
    std::int32_t value = 12345;
    const TNumberScan scan = ScanInteger(text, value);
    if (scan.Accepted() != expected.has_value()) Finding("ScanInteger and the plain reading disagree on a text");
    if (!scan.Accepted()) {
        if (value != 12345) Finding("a refused integer text changed the value");
        if (scan.Offset > text.size()) Finding("a refused integer text's offset lies outside it");
    } else if (value != *expected) {
        Finding("ScanInteger and the plain reading disagree on a value");
    }
    std::int32_t tried = 777;
    if (TryParseInteger(text, tried) != scan.Accepted() || (scan.Accepted() ? tried != value : tried != 777)) {
        Finding("TryParseInteger does not follow ScanInteger");
    }
    bool raised = false;
    try {
        if (ParseInteger(text) != value) Finding("ParseInteger and ScanInteger disagree on a value");
    } catch (const EConvertError&) {
        raised = true;
    }
    if (raised == scan.Accepted()) Finding("ParseInteger raises exactly for refused texts");
}

// --- Reals -------------------------------------------------------------------

// The number as strtold reads it ("-123.45e-6"), or nothing for a text the
// grammar refuses: spaces, a sign, digits, the separator and digits (at
// least one digit or the separator), an exponent whose digits are read
// until it reaches 500, spaces.
std::optional<std::string> ReferenceRealText(std::string_view text, char separator) {
    std::size_t i = 0;
    const std::size_t n = text.size();
    while (i < n && text[i] == ' ') ++i;
    std::string number;
    if (i < n && (text[i] == '+' || text[i] == '-')) number += text[i++];
    std::string whole, fraction;
    bool separatorSeen = false;
    while (i < n && IsDigit(text[i])) whole += text[i++];
    if (i < n && text[i] == separator) {
        separatorSeen = true;
        ++i;
        while (i < n && IsDigit(text[i])) fraction += text[i++];
    }
    if (whole.empty() && !separatorSeen) return std::nullopt;
    long exponent = 0;
    if (i < n && (text[i] == 'E' || text[i] == 'e')) {
        ++i;
        bool negative = false;
        if (i < n && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
        while (i < n && IsDigit(text[i]) && exponent < 500) exponent = exponent * 10 + (text[i++] - '0');
        if (negative) exponent = -exponent;
    }
    while (i < n && text[i] == ' ') ++i;
    if (i != n) return std::nullopt;
    number += (whole.empty() ? "0" : whole) + "." + (fraction.empty() ? "0" : fraction) + "e" + std::to_string(exponent);
    return number;
}

long double AsLongDouble(const TExtended& value) {
    const long double magnitude = std::ldexp(static_cast<long double>(value.significand), value.exponent);
    return value.negative ? -magnitude : magnitude;
}

void CheckReal(std::string_view text, char separator) {
    const std::optional<std::string> reference = ReferenceRealText(text, separator);
    TExtended value{true, 42, 7};
    TNumberScan scan;
    try {
        scan = ScanReal(text, separator, value);
    } catch (const std::bad_alloc&) {
        return;  // memory is no finding here
    }
    if (!reference) {
        if (scan.Accepted() || scan.Fault == TNumberFault::Overflow) Finding("ScanReal accepts a text the grammar refuses");
        if (!(value == TExtended{true, 42, 7})) Finding("a refused real text changed the value");
        if (scan.Offset > text.size()) Finding("a refused real text's offset lies outside it");
        return;
    }
    if (!scan.Accepted() && scan.Fault != TNumberFault::Overflow) Finding("ScanReal refuses a text the grammar accepts");
    if constexpr (std::numeric_limits<long double>::digits == 64) {
        errno = 0;
        const long double expected = std::strtold(reference->c_str(), nullptr);
        const bool overflow = std::isinf(expected);
        if (overflow != (scan.Fault == TNumberFault::Overflow)) Finding("ScanReal and strtold disagree on overflow");
        if (overflow) return;
        const long double magnitude = std::fabs(expected);
        if (magnitude != 0 && magnitude < 1e-402L) {
            if (!value.IsZero()) Finding("a real below 1e-400 did not read as zero");
        } else if (magnitude == 0 || magnitude >= 1e-399L) {
            if (AsLongDouble(value) != expected) Finding("ScanReal and strtold disagree on a value");
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    if (size == 0) return 0;
    const std::string_view text(reinterpret_cast<const char*>(bytes) + 1, size - 1);
    if ((bytes[0] & 1) == 0) {
        CheckInteger(text);
    } else {
        CheckReal(text, (bytes[0] & 2) != 0 ? ',' : '.');
    }
    return 0;
}
