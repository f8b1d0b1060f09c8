// Palette.h - TPalette, the growable, append-only list of colours that one
// read of a colour map fills, line by line. Its parsing methods, which
// append the colours of one line, are the line parser (LineParser.h).
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <span>
#include <string_view>
#include <vector>

#include "colormap/Rgblib.h"
#include "common/LargeBlock.h"

namespace rulv {

// A dynamic, zero-based array of packed colours.
using TPaletteArray = std::vector<TPackedColor>;

class TColorMapReader;

// What a list does with its colours: keeps them all, or only counts them
// (a read that needs no more than how many there are). A counting list
// asks the system for the same memory as one that keeps its colours, so
// that both fail alike where memory runs out, but it writes every block
// of colours into its first entries and never touches the rest.
enum class TColorUse { Keep, Count };

class TPalette {
public:
    static constexpr std::size_t kInitialCapacity = 1024;
    static constexpr std::int32_t kMaxColors = std::numeric_limits<std::int32_t>::max();

    // decimalSeparator: the one ParseReal uses for #LINE slopes.
    explicit TPalette(char decimalSeparator) : TPalette(decimalSeparator, kMaxColors) {}
    // colorLimit: the most colours the list may hold; beyond it Add raises
    // EOutOfMemory, so that no index ever overflows 32 bits. Tests and the
    // thumbnail handler, which must stay within a memory budget, pass less.
    TPalette(char decimalSeparator, std::int32_t colorLimit, TColorUse use = TColorUse::Keep);
    TPalette(const TPalette&) = delete;
    TPalette& operator=(const TPalette&) = delete;

    // Appends one colour, doubling the capacity when it is full. Raises
    // EOutOfMemory when the storage cannot grow; the list must then be
    // discarded.
    void Add(TPackedColor color);
    // Raises EAbort above the last index and ERangeError below 0. Only
    // for a list that keeps its colours.
    TPackedColor GetItem(std::int32_t index) const;
    std::int32_t LastIndex() const noexcept { return FLast; }
    bool HasColors() const noexcept { return FLast >= 0; }
    std::size_t Capacity() const noexcept { return ItemCapacity(); }
    // Colours 0 .. LastIndex(), valid until the list grows or is freed.
    // Only for a list that keeps its colours.
    std::span<const TPackedColor> Colors() const noexcept {
        return {Items(), static_cast<std::size_t>(FLast + 1)};
    }

    // Copies the colours into `colors`, resized to exactly LastIndex() + 1.
    // Only for a list that keeps its colours.
    void CopyTo(TPaletteArray& colors) const;

    // One line that is neither empty nor a comment: appends its colours or
    // raises ELineFault (the line is then faulty, and the list must be
    // discarded). LineParser.cpp.
    void ParseLine(std::string_view line);
    // The whole line, keyword included; only ParseLine calls them.
    void ParseGradient(std::string_view line);
    void ParseLinear(std::string_view line);

private:
    // The loader fills the list straight from its buffer where it can.
    friend class TColorMapReader;

    // A colour line whose colour the loader has read already: appends it
    // as ParseLine(line) would, or raises ELineFault when the list is full.
    void AddColorLine(std::string_view line, TPackedColor color) {
        if (!AddWithinCapacity(color)) AddForLine(line, color, 1);
    }
    // Room for colours after the last one without growing and within the
    // limit: where they go and how many fit. AddWithinRoom(n) then takes
    // the first n of them as n calls of Add would. Items()[0] holds the
    // colour FWindow: all colours from 0 on where they are kept, the latest
    // block of kInitialCapacity where they are counted.
    TPackedColor* Room() const noexcept { return Items() + static_cast<std::size_t>(FLast + 1 - FWindow); }
    std::int64_t RoomSize() const noexcept {
        std::int64_t end = std::min<std::int64_t>(static_cast<std::int64_t>(ItemCapacity()), FColorLimit);
        if (FUse == TColorUse::Count) end = std::min<std::int64_t>(end, FWindow + std::int64_t{kInitialCapacity});
        return end - (FLast + 1);
    }
    void AddWithinRoom(std::int64_t count) noexcept { FLast = static_cast<std::int32_t>(FLast + count); }
    // Appends `count` colours as `count` calls of Add would (the same
    // growth, the same failure at the same colour), block by block:
    // produce(first, n) writes the next n colours to first[0 .. n-1].
    template <class TProduce>
    void AddGenerated(std::int64_t count, TProduce&& produce);
    // AddGenerated for the run of one line, its colours counted from 0:
    // fill(first, k, n) writes colours k .. k + n - 1 of the run to
    // first[0 .. n-1]. A failed growth becomes the line's fault at
    // `column`. LineParser.cpp.
    template <class TFill>
    void AddRunOfLine(std::string_view line, std::int64_t column, std::int64_t count, const TFill& fill);
    // Room for the colour after FLast: grows as Add would, or raises.
    void MakeRoomForNext();
    // Add where neither the capacity nor the limit is reached; false (and
    // nothing added) otherwise.
    bool AddWithinCapacity(TPackedColor color) noexcept {
        if (RoomSize() <= 0) return false;
        *Room() = color;
        AddWithinRoom(1);
        return true;
    }
    // The storage: a growable block (LargeBlock.h: in place once it is
    // large), whose growth does not clear what it adds: entries past FLast
    // are never read.
    TPackedColor* Items() const noexcept { return static_cast<TPackedColor*>(FItems.Data()); }
    std::size_t ItemCapacity() const noexcept { return FItems.Size() / sizeof(TPackedColor); }
    void Grow();
    // Add for a line being parsed: a failed growth becomes the line's fault,
    // at `column`.
    void AddForLine(std::string_view line, TPackedColor color, std::int64_t column);
    [[noreturn]] void RaiseGrowthFault(std::string_view line, std::int64_t column) const;

    std::int32_t FLast = -1;
    std::int64_t FWindow = 0;  // the index of the colour in Items()[0]
    TColorUse FUse;
    TGrowableBlock FItems;
    std::int32_t FColorLimit;
    char FDecimalSeparator;
};

template <class TProduce>
void TPalette::AddGenerated(std::int64_t count, TProduce&& produce) {
    while (count > 0) {
        MakeRoomForNext();
        const std::int64_t block = std::min(count, RoomSize());
        produce(Room(), block);
        AddWithinRoom(block);
        count -= block;
    }
}

}  // namespace rulv
