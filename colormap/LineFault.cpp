// LineFault.cpp - raising a line fault and saying what it means.
#include "colormap/LineFault.h"

namespace rulv {

namespace {

std::string_view FieldName(TLineField field) noexcept {
    switch (field) {
    case TLineField::StartColor: return "the start colour";
    case TLineField::EndColor: return "the end colour";
    case TLineField::Count: return "the count";
    case TLineField::RedStart: return "the red start";
    case TLineField::RedSlope: return "the red slope";
    case TLineField::GreenStart: return "the green start";
    case TLineField::GreenSlope: return "the green slope";
    case TLineField::BlueStart: return "the blue start";
    case TLineField::BlueSlope: return "the blue slope";
    case TLineField::None: break;
    }
    return "the field";
}

// The field a directive reads after `field`.
std::string_view NextFieldName(TLineField field) noexcept {
    switch (field) {
    case TLineField::StartColor: return FieldName(TLineField::EndColor);
    case TLineField::EndColor:
    case TLineField::BlueSlope: return FieldName(TLineField::Count);
    case TLineField::RedStart: return FieldName(TLineField::RedSlope);
    case TLineField::RedSlope: return FieldName(TLineField::GreenStart);
    case TLineField::GreenStart: return FieldName(TLineField::GreenSlope);
    case TLineField::GreenSlope: return FieldName(TLineField::BlueStart);
    case TLineField::BlueStart: return FieldName(TLineField::BlueSlope);
    case TLineField::Count:
    case TLineField::None: break;
    }
    return "the next field";
}

std::string_view ChannelName(TChannel channel) noexcept {
    switch (channel) {
    case TChannel::Red: return "red";
    case TChannel::Green: return "green";
    case TChannel::Blue: return "blue";
    }
    return "red";
}

std::string_view KeywordOf(TDirective directive) noexcept {
    return directive == TDirective::Linear ? "#LINE" : "#GRAD";
}

// The byte at the fault as a reader would name it.
std::string Described(int found) {
    if (found < 0) return "the end of the line";
    if (found == ' ') return "a blank";
    if (found == '\t') return "a tab";
    if (found > ' ' && found < 0x7F) return std::string("'") + static_cast<char>(found) + "'";
    static constexpr char kHex[] = "0123456789ABCDEF";
    return std::string("byte 0x") + kHex[(found >> 4) & 0xF] + kHex[found & 0xF];
}

std::string NotAColorReason(const TLineFault& fault) {
    constexpr std::string_view kRule = "a colour line starts with six hex digits RRGGBB";
    if (fault.Found < 0) return "the line ends before its colour is complete; " + std::string(kRule);
    return Described(fault.Found) + " is not a hex digit; " + std::string(kRule);
}

std::string ColorFieldReason(const TLineFault& fault) {
    const std::string field(FieldName(fault.Field));
    switch (fault.Rule) {
    case TNumberFault::TooManyHexDigits: return field + " has more than six hex digits";
    case TNumberFault::Empty:
        if (fault.Index == 0) return field + " is missing; it is six hex digits RRGGBB";
        return field + " has only " + std::to_string(fault.Index) + (fault.Index == 1 ? " hex digit" : " hex digits") +
               "; it needs six";
    default: return Described(fault.Found) + " is not a hex digit; " + field + " is six hex digits RRGGBB";
    }
}

std::string MissingCommaReason(const TLineFault& fault) {
    const std::string field(FieldName(fault.Field));
    if (fault.Found < 0) {
        return "expected a comma and " + std::string(NextFieldName(fault.Field)) + " after " + field +
               "; the line ends here";
    }
    return "expected a comma after " + field + ", found " + Described(fault.Found);
}

std::string IntegerReason(const TLineFault& fault) {
    const std::string field(FieldName(fault.Field));
    const std::string found = fault.Found < 0 ? std::string() : ", not " + Described(fault.Found);
    switch (fault.Rule) {
    case TNumberFault::Empty: return field + " is empty; it is a whole number";
    case TNumberFault::SignWithoutDigits: return "a sign in " + field + " must be followed by decimal digits" + found;
    case TNumberFault::PrefixWithoutDigits:
        return "a hexadecimal prefix in " + field + " must be followed by hex digits" + found;
    case TNumberFault::OutOfRange:
        return field + " is out of range; whole numbers lie in -2147483648..2147483647";
    case TNumberFault::TooManyHexDigits: return field + " has more than eight significant hex digits";
    default:
        return Described(fault.Found) + " cannot stand in " + field +
               "; it is a whole number, decimal or hex after $, x or 0x";
    }
}

std::string SlopeReason(const TLineFault& fault) {
    const std::string field(FieldName(fault.Field));
    switch (fault.Rule) {
    case TNumberFault::Empty: return field + " is empty; it is a number such as -0.5 or 1E-3";
    case TNumberFault::SignWithoutDigits: return "a sign in " + field + " must be followed by a number";
    default:
        return Described(fault.Found) + " cannot stand in " + field +
               "; it is a number such as -0.5 or 1E-3";
    }
}

}  // namespace

void RaiseLineFault(std::string_view line, TLineFault fault) {
    const auto at = static_cast<std::size_t>(fault.Column - 1);
    fault.Found = fault.Column >= 1 && at < line.size() ? static_cast<unsigned char>(line[at]) : -1;
    throw ELineFault(fault);
}

std::string LineFaultReason(const TLineFault& fault) {
    switch (fault.Kind) {
    case TLineFaultKind::NotAColor: return NotAColorReason(fault);
    case TLineFaultKind::NoSpaceAfterKeyword:
        return std::string(KeywordOf(fault.Directive)) + " must be followed by one blank, not " + Described(fault.Found);
    case TLineFaultKind::BadColorField: return ColorFieldReason(fault);
    case TLineFaultKind::MissingComma: return MissingCommaReason(fault);
    case TLineFaultKind::BadInteger: return IntegerReason(fault);
    case TLineFaultKind::BadSlope: return SlopeReason(fault);
    case TLineFaultKind::SlopeTooLarge:
        return std::string(FieldName(fault.Field)) + " is too large for a double (about 1.8E308 at most)";
    case TLineFaultKind::GradientCountZero: return "gradient count is 0; a gradient needs at least one colour";
    case TLineFaultKind::ProductTooLarge:
        return "colour k = " + std::to_string(fault.Index) + " of the run: the " +
               std::string(ChannelName(fault.Channel)) + " start plus k times the " +
               std::string(ChannelName(fault.Channel)) + " slope does not fit 64 bits";
    case TLineFaultKind::OutOfMemory:
        return "out of memory after " + std::to_string(fault.Index) + " colours";
    case TLineFaultKind::TooManyColors:
        return "more than " + std::to_string(fault.Index) + " colours; a map holds no more";
    }
    return "faulty line";
}

std::string_view LineFaultKindName(TLineFaultKind kind) noexcept {
    switch (kind) {
    case TLineFaultKind::NotAColor: return "NotAColour";
    case TLineFaultKind::NoSpaceAfterKeyword: return "NoSpaceAfterKeyword";
    case TLineFaultKind::BadColorField: return "BadColourField";
    case TLineFaultKind::MissingComma: return "MissingComma";
    case TLineFaultKind::BadInteger: return "BadInteger";
    case TLineFaultKind::BadSlope: return "BadSlope";
    case TLineFaultKind::SlopeTooLarge: return "SlopeTooLarge";
    case TLineFaultKind::GradientCountZero: return "GradientCountZero";
    case TLineFaultKind::ProductTooLarge: return "ProductTooLarge";
    case TLineFaultKind::OutOfMemory: return "OutOfMemory";
    case TLineFaultKind::TooManyColors: return "TooManyColours";
    }
    return "?";
}

}  // namespace rulv
