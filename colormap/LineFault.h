// LineFault.h - why a line of a colour-map file is faulty, and where.
//
// Every fault of a line is raised through RaiseLineFault as an ELineFault
// carrying a TLineFault: its kind, the byte column (from 1) where the line
// stops making sense, and what the kind needs to be explained. The loader
// turns it into the line's number, which is all the viewer shows, and hands
// the fault on to callers that ask for it (rulvtool explains it in full).
//
//   kind                 example line                    column
//   NotAColor            GG0000                          1  (the first G)
//   NoSpaceAfterKeyword  #GRADIENT 000000,FFFFFF,10      6  (the I)
//   BadColorField        #GRAD 00000,FFFFFF,10           12 (where the sixth digit belongs)
//   MissingComma         #LINE 0,1,0,1,0,1               18 (the end: no count)
//   BadInteger           #GRAD 000000,FFFFFF,1O          22 (the letter O)
//   BadSlope             #LINE 0,x,0,0,0,0,1             9  (the x)
//   SlopeTooLarge        #LINE 0,1e400,0,0,0,0,1         9  (the slope)
//   GradientCountZero    #GRAD 000000,FFFFFF,0           21 (the count)
//   ProductTooLarge      #LINE 0,1e19,0,0,0,0,2          9  (the red slope; k = 1)
//   OutOfMemory          (the list could not grow)       the count; 1 on a colour line
//   TooManyColors        (past 2,147,483,647 colours)    the count; 1 on a colour line
#pragma once

#include <cstdint>
#include <exception>
#include <string>
#include <string_view>

#include "common/NumberText.h"

namespace rulv {

enum class TLineFaultKind : std::uint8_t {
    NotAColor,            // a colour line whose first six characters are not hex colour text
    NoSpaceAfterKeyword,  // "#GRAD" or "#LINE" not followed by one space
    BadColorField,        // a gradient colour that is not exactly six hex digits
    MissingComma,         // a field without the comma that must follow it
    BadInteger,           // a count or start that ParseInteger refuses; Rule says why
    BadSlope,             // a slope that ParseReal refuses; Rule says why
    SlopeTooLarge,        // a slope beyond the range of a double
    GradientCountZero,    // a gradient with a count of 0
    ProductTooLarge,      // start + round(k * slope) beyond 64 bits; Channel and Index say where
    OutOfMemory,          // the colour list could not grow; Index colours were held
    TooManyColors,        // more colours than the list may hold; Index is that limit
};

enum class TDirective : std::uint8_t { None, Gradient, Linear };

enum class TLineField : std::uint8_t {
    None,
    StartColor,
    EndColor,
    Count,
    RedStart,
    RedSlope,
    GreenStart,
    GreenSlope,
    BlueStart,
    BlueSlope,
};

enum class TChannel : std::uint8_t { Red, Green, Blue };

struct TLineFault {
    TLineFaultKind Kind = TLineFaultKind::NotAColor;
    // Byte column from 1; the line's length + 1 stands for its end.
    std::int64_t Column = 1;
    TDirective Directive = TDirective::None;
    TLineField Field = TLineField::None;       // the field at fault, in a directive
    // BadInteger, BadSlope: the rule that refused the field. BadColorField:
    // UnexpectedCharacter (no hex digit), Empty (too few digits, Index of
    // them) or TooManyHexDigits (a seventh digit).
    TNumberFault Rule = TNumberFault::None;
    int Found = -1;                      // the byte at Column; -1 at the end of the line
    TChannel Channel = TChannel::Red;    // ProductTooLarge
    std::int64_t Index = 0;              // see TLineFaultKind and Rule

    friend bool operator==(const TLineFault&, const TLineFault&) = default;
};

// The error a faulty line raises. It builds no text of its own, so that it
// can be raised while memory is exhausted; LineFaultReason explains it.
class ELineFault final : public std::exception {
public:
    explicit ELineFault(const TLineFault& fault) noexcept : FFault(fault) {}
    const TLineFault& Fault() const noexcept { return FFault; }
    const char* what() const noexcept override { return "faulty line"; }

private:
    TLineFault FFault;
};

// The one way a line fault is raised: `fault` as given, with Found taken
// from `line` at the fault's column.
[[noreturn]] void RaiseLineFault(std::string_view line, TLineFault fault);

// The reason in a sentence, for people who write colour maps by hand
// ("gradient count is 0; a gradient needs at least one colour").
std::string LineFaultReason(const TLineFault& fault);

// The kind's name as written in the source ("GradientCountZero").
std::string_view LineFaultKindName(TLineFaultKind kind) noexcept;

}  // namespace rulv
