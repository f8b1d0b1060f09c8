// NumberText.h - number text of colour-map files and settings.
//
// Both conversions take the whole text and accept it only if it is used up
// completely; a text they refuse raises EConvertError.
//
// ParseInteger grammar (32-bit signed result):
//   spaces*  ( [+-] digit+                 decimal, -2147483648..2147483647
//            | ( "$" | "x" | "X" | "0x" | "0X" ) hexdigit+ )
//   Only code 32 counts as a space; a tab is an ordinary character. No sign
//   may stand before a hexadecimal prefix. A hexadecimal value is a 32-bit
//   pattern of at most eight significant digits ("$FFFFFFFF" is -1).
//   Trailing characters, trailing spaces included, are refused.
//
// ParseReal grammar (value with a 64-bit significand):
//   spaces* [+-] digit* [ sep digit* ] [ ("E"|"e") [+-] digit* ] spaces*
//   At least one mantissa digit or the separator must be present (a lone
//   separator reads as 0). Exponent digits are read until the exponent
//   reaches 500; digits left over make the text invalid. The mantissa
//   digits are taken as one integer M and the value M * 10^e is rounded
//   once to a 64-bit significand, to nearest with ties to even (exact for
//   the first 1100 significant digits, any later non-zero digit counting
//   as a sticky bit). Magnitudes below 1e-400 read as zero; a magnitude
//   beyond the extended range (about 1.19e4932) raises EOverflow.
//   The separator is a parameter: callers pass the user's regional decimal
//   separator (UserDecimalSeparator), a full stop when there is none.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "common/Extended.h"

namespace rulv {

// Why a number text was refused. The colour-map reader names the rule in
// its fault reports; nothing else tells the kinds apart.
enum class TNumberFault : std::uint8_t {
    None,
    Empty,                // nothing, or nothing but spaces
    SignWithoutDigits,    // "+" or "-" not followed by a digit
    PrefixWithoutDigits,  // "$", "x", "X", "0x" or "0X" not followed by a hex digit
    UnexpectedCharacter,  // a character that cannot stand where it stands
    OutOfRange,           // a decimal integer beyond -2147483648..2147483647
    TooManyHexDigits,     // a ninth significant hexadecimal digit
    Overflow,             // a real beyond the extended range
};

// The outcome of a scan: the rule that refused the text and the index of
// the character where it stopped being a number (the text's size when it
// ended too early). Fault is None for an accepted text.
struct TNumberScan {
    TNumberFault Fault = TNumberFault::None;
    std::size_t Offset = 0;

    bool Accepted() const noexcept { return Fault == TNumberFault::None; }
};

// ParseInteger's grammar without the error: `value` is written only when the
// text is accepted.
TNumberScan ScanInteger(std::string_view text, std::int32_t& value) noexcept;

// ParseReal's grammar without the conversion error: `value` is written only
// when the text is accepted. Raises std::bad_alloc only (long mantissas).
TNumberScan ScanReal(std::string_view text, char decimalSeparator, TExtended& value);

// ParseInteger without the error: false for a text it refuses, with `value`
// left untouched. The settings use it to fall back to a default.
bool TryParseInteger(std::string_view text, std::int32_t& value) noexcept;

// Raises EConvertError for a text TryParseInteger refuses.
std::int32_t ParseInteger(std::string_view text);

// Raises EConvertError for invalid text and EOverflow beyond the extended range.
TExtended ParseReal(std::string_view text, char decimalSeparator);

// "$" + text through ParseInteger: one or more hexadecimal digits, nothing else.
std::int32_t HexToInt(std::string_view text);

}  // namespace rulv
