// Palette.cpp - TPalette's storage: growth by doubling, bounds, the copy out.
#include "colormap/Palette.h"

#include <cstdlib>
#include <new>
#include <stdexcept>

#include "common/Errors.h"
#include "common/LargeBlock.h"
#include "colormap/LineFault.h"

namespace rulv {

TPalette::TStorage::~TStorage() { std::free(Data); }

TPalette::TPalette(char decimalSeparator, std::int32_t colorLimit)
    : FColorLimit(colorLimit), FDecimalSeparator(decimalSeparator) {
    FItems.Data = static_cast<TPackedColor*>(std::calloc(kInitialCapacity, sizeof(TPackedColor)));
    if (FItems.Data == nullptr) throw EOutOfMemory();
    FItems.Size = kInitialCapacity;
}

void TPalette::Grow() {
    const std::size_t size = FItems.Size * 2;
    if (size > std::numeric_limits<std::size_t>::max() / sizeof(TPackedColor)) throw EOutOfMemory();
    // A failed growth leaves the old block as it was.
    void* grown = GrowBlock(FItems.Data, FItems.Size * sizeof(TPackedColor), size * sizeof(TPackedColor));
    if (grown == nullptr) throw EOutOfMemory();
    FItems.Data = static_cast<TPackedColor*>(grown);
    FItems.Size = size;
}

void TPalette::MakeRoomForNext() {
    // The list never holds more colours than a 32-bit index can reach.
    if (FLast >= FColorLimit - 1) throw EOutOfMemory();
    if (static_cast<std::size_t>(FLast) + 1 >= FItems.Size) Grow();
}

void TPalette::Add(TPackedColor color) {
    MakeRoomForNext();
    FItems.Data[FLast + 1] = color;
    ++FLast;
}

TPackedColor TPalette::GetItem(std::int32_t index) const {
    if (index > FLast) throw EAbort();
    if (index < 0) throw ERangeError();
    return FItems.Data[index];
}

void TPalette::CopyTo(TPaletteArray& colors) const {
    const auto count = static_cast<std::size_t>(FLast) + 1;
    // Where the caller's array has the room (a map read again), the
    // colours go straight into it: nothing is allocated, nothing can fail,
    // and no new page is touched.
    if (colors.capacity() >= count) {
        colors.assign(FItems.Data, FItems.Data + count);
        return;
    }
    // Otherwise built aside first, so that the caller's array survives a failure.
    TPaletteArray copy;
    try {
        copy.reserve(count);
        AdviseLargePages(copy.data(), count * sizeof(TPackedColor));
        copy.assign(FItems.Data, FItems.Data + count);
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
    fault.Kind = full ? TLineFaultKind::TooManyColours : TLineFaultKind::OutOfMemory;
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
