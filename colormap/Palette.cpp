// Palette.cpp - TPalette's storage: growth by doubling, bounds, the copy out.
#include "colormap/Palette.h"

#include <algorithm>
#include <bit>
#include <limits>
#include <new>
#include <stdexcept>

#include "common/Errors.h"
#include "common/LargeBlock.h"
#include "colormap/LineFault.h"

namespace rulv {

TPalette::TPalette(char decimalSeparator, std::int32_t colorLimit, TColorUse use)
    : FUse(use), FColorLimit(colorLimit), FDecimalSeparator(decimalSeparator) {
    if (!FItems.Allocate(kInitialCapacity * sizeof(TPackedColor))) throw EOutOfMemory();
}

void TPalette::Grow() {
    const std::size_t capacity = ItemCapacity() * 2;
    if (capacity > std::numeric_limits<std::size_t>::max() / sizeof(TPackedColor)) throw EOutOfMemory();
    // The most the list will ever ask for: the capacity that first holds
    // the limit's colours.
    const std::size_t largest = std::bit_ceil(std::max<std::size_t>(static_cast<std::size_t>(FColorLimit), capacity));
    // A counting list keeps only the block in its first entries. A failed
    // growth leaves the old block as it was.
    const std::size_t kept = FUse == TColorUse::Keep ? FItems.Size() : kInitialCapacity * sizeof(TPackedColor);
    if (!FItems.Grow(capacity * sizeof(TPackedColor), largest * sizeof(TPackedColor), kept)) throw EOutOfMemory();
}

void TPalette::MakeRoomForNext() {
    // The list never holds more colours than a 32-bit index can reach.
    if (FLast >= FColorLimit - 1) throw EOutOfMemory();
    const std::int64_t next = std::int64_t{FLast} + 1;
    if (static_cast<std::size_t>(next) >= ItemCapacity()) Grow();
    // A counting list's block handed out before is done with.
    if (FUse == TColorUse::Count && next - FWindow >= std::int64_t{kInitialCapacity}) FWindow = next;
}

void TPalette::Add(TPackedColor color) {
    MakeRoomForNext();
    *Room() = color;
    ++FLast;
}

TPackedColor TPalette::GetItem(std::int32_t index) const {
    if (index > FLast) throw EAbort();
    if (index < 0) throw ERangeError();
    return Items()[index];
}

void TPalette::CopyTo(TPaletteArray& colors) const {
    const auto count = static_cast<std::size_t>(FLast) + 1;
    // Where the caller's array has the room (a map read again), the
    // colours go straight into it: nothing is allocated, nothing can fail,
    // and no new page is touched.
    if (colors.capacity() >= count) {
        colors.assign(Items(), Items() + count);
        return;
    }
    // Otherwise built aside first, so that the caller's array survives a failure.
    TPaletteArray copy;
    try {
        copy.reserve(count);
        AdviseLargePages(copy.data(), count * sizeof(TPackedColor));
        copy.assign(Items(), Items() + count);
    } catch (const std::bad_alloc&) {
        throw EOutOfMemory();
    } catch (const std::length_error&) {
        throw EOutOfMemory();
    }
    colors.swap(copy);
}

void TPalette::RaiseGrowthFault(std::string_view line, std::int64_t column) const {
    TLineFault fault;
    const bool full = FLast >= FColorLimit - 1;
    fault.Kind = full ? TLineFaultKind::TooManyColors : TLineFaultKind::OutOfMemory;
    fault.Column = column;
    fault.Index = full ? FColorLimit : std::int64_t{FLast} + 1;
    RaiseLineFault(line, fault);
}

void TPalette::AddForLine(std::string_view line, TPackedColor color, std::int64_t column) {
    try {
        Add(color);
    } catch (const EOutOfMemory&) {
        RaiseGrowthFault(line, column);
    }
}

}  // namespace rulv
