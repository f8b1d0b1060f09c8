// MapFault.h - why a colour-map file of another format cannot be read, and
// where.
//
// Every reader of colormap/formats raises its faults as an EMapFault: the
// line (from 1) and byte column (from 1) where the file stops making sense,
// and the reason in a sentence. A refused feature (an HSV table, a
// Diverging preset) is a fault too, whose reason names the feature and what
// is read instead. A binary file (.act) has no lines: its faults are on
// line 1, column 1.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

namespace rulv {

struct TMapFault {
    std::int64_t Line = 1;
    std::int64_t Column = 1;
    std::string Reason;
};

class EMapFault final : public std::runtime_error {
public:
    explicit EMapFault(TMapFault fault) : std::runtime_error(fault.Reason), FFault(std::move(fault)) {}
    const TMapFault& Fault() const noexcept { return FFault; }

private:
    TMapFault FFault;
};

// Raises the fault at the byte `offset` (from 0) of `text`: its line and
// column are counted there, a line ending at LF, CR LF or CR.
[[noreturn]] void RaiseMapFaultAt(std::string_view text, std::size_t offset, std::string reason);

// The line and column of the byte `offset` of `text`, as RaiseMapFaultAt
// counts them.
TMapFault MapFaultAt(std::string_view text, std::size_t offset, std::string reason);

// The text of line `line` (from 1), without its line end; empty past the end.
std::string_view MapFaultLine(std::string_view text, std::int64_t line);

}  // namespace rulv
