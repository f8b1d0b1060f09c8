// RunFinder.cpp - the polygons of a run's channels, and the jump game.
#include "colormap/formats/RunFinder.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "colormap/formats/RunPolygon.h"

namespace rulv {

namespace {

constexpr std::int64_t kMaxStart = std::numeric_limits<std::int32_t>::max();
constexpr std::int64_t kStartRange = std::int64_t{1} << 31;  // -start of the lowest start
// Blocks added between two snapshots of an extension.
constexpr std::size_t kSnapshotEvery = 32;

int Channel(TPackedColor color, int channel) noexcept {
    return channel == 0 ? RedOf(color) : channel == 1 ? GreenOf(color) : BlueOf(color);
}

// The smallest rise from a to b, and the smallest fall, modulo 256.
int Rise(int a, int b) noexcept { return (b - a) & 255; }
int Fall(int a, int b) noexcept { return -((a - b) & 255); }

// Whether the colours at j - 1, j and j + 1 can stand in no run together:
// within a run a channel's second difference is -2..2 modulo 256 (each
// rounded product is off by at most 1/2), unless a zero shows a clamp.
bool Breaks(const TPaletteArray& colors, std::int64_t j) noexcept {
    const TPackedColor a = colors[static_cast<std::size_t>(j - 1)];
    const TPackedColor b = colors[static_cast<std::size_t>(j)];
    const TPackedColor c = colors[static_cast<std::size_t>(j + 1)];
    for (int channel = 0; channel < 3; ++channel) {
        const int va = Channel(a, channel);
        const int vb = Channel(b, channel);
        const int vc = Channel(c, channel);
        if (va == 0 || vb == 0 || vc == 0) continue;
        const int second = (va - 2 * vb + vc) & 255;
        if (second > 2 && second < 254) return true;
    }
    return false;
}

// The last index of the run of colours equal to colors[j].
std::int64_t BlockEnd(const TPaletteArray& colors, std::int64_t j) noexcept {
    const auto size = static_cast<std::int64_t>(colors.size());
    const TPackedColor color = colors[static_cast<std::size_t>(j)];
    std::int64_t end = j;
    while (end + 1 < size && colors[static_cast<std::size_t>(end + 1)] == color) ++end;
    return end;
}

// Lower bands held back: those of a run of zeros whose values may lie
// below zero (a head of the start, or a falling run's tail). Zeros of one
// such run share their unwrapped value, so its two ends stand for all.
struct TPending {
    bool Has = false;
    std::int64_t MinX = 0;
    std::int64_t MaxX = 0;
    std::int64_t Y = 0;

    void Extend(std::int64_t x, std::int64_t y) noexcept {
        if (!Has) {
            Has = true;
            MinX = MaxX = x;
            Y = y;
        } else {
            MinX = std::min(MinX, x);
            MaxX = std::max(MaxX, x);
        }
    }
};

// One channel in one direction: the polygons for even and odd pins, the
// unwrapped values at the start and at the right end, and the lower bands
// held back.
struct TDirection {
    TRunPolygon Even{true};
    TRunPolygon Odd{false};
    std::int64_t LeftY = 0;
    std::int64_t RightY = 0;
    std::int64_t MinY = 0;
    std::int64_t MaxY = 0;
    TPending Pending;

    void Add(std::int64_t x, std::int64_t y, TBand band) {
        Even.Add(x, y, band);
        Odd.Add(x, y, band);
    }
    void AddPoint(std::int64_t x, std::int64_t y, bool lowerHeldBack) {
        MinY = std::min(MinY, y);
        MaxY = std::max(MaxY, y);
        Add(x, y, TBand::Upper);
        if (lowerHeldBack) {
            Pending.Extend(x, y);
        } else {
            Add(x, y, TBand::Lower);
        }
    }
    void Flush() {
        if (!Pending.Has) return;
        Add(Pending.MinX, Pending.Y, TBand::Lower);
        Add(Pending.MaxX, Pending.Y, TBand::Lower);
        Pending = {};
    }
    const TRunPolygon& For(std::int64_t y) const noexcept { return (y & 1) == 0 ? Even : Odd; }
    bool Dead() const noexcept { return Even.Empty() && Odd.Empty(); }
};

struct TChannelSpace {
    TDirection Rising;
    TDirection Falling;
    // Whether every colour after the start, up to the right end, is 0 here.
    bool ZerosToRight = true;
};

// The lines that pass the points (Start, Right] of every channel, for
// runs that start at Start. Coordinates are relative to Origin.
class TRunSpace {
public:
    TRunSpace(const TPaletteArray& colors, std::int64_t start) : FColors(&colors), FOrigin(start), FStart(start), FRight(start) {}

    std::int64_t Start() const noexcept { return FStart; }
    std::int64_t Right() const noexcept { return FRight; }

    // Adds the points Right + 1 .. last, which hold one colour.
    void AddBlock(std::int64_t last) {
        const std::int64_t first = FRight + 1;
        for (int c = 0; c < 3; ++c) {
            TChannelSpace& space = FChannels[c];
            const int previous = Value(FRight, c);
            const int value = Value(first, c);
            const bool head = Value(FStart, c) == 0 && space.ZerosToRight && value == 0;
            space.Rising.RightY += Rise(previous, value);
            space.Falling.RightY += Fall(previous, value);
            if (value != 0) space.Falling.Flush();
            for (const std::int64_t x : {first, last}) {
                space.Rising.AddPoint(x - FOrigin, space.Rising.RightY, head);
                space.Falling.AddPoint(x - FOrigin, space.Falling.RightY, value == 0);
                if (last == first) break;
            }
            space.ZerosToRight = space.ZerosToRight && value == 0;
        }
        FRight = last;
    }

    // Adds points in blocks up to `last`.
    void AddUpTo(std::int64_t last) {
        while (FRight < last) AddBlock(std::min(last, BlockEnd(*FColors, FRight + 1)));
    }

    // The start moves one colour left; the old start becomes a point.
    void MoveStartLeft() {
        const std::int64_t old = FStart;
        const std::int64_t start = old - 1;
        for (int c = 0; c < 3; ++c) {
            TChannelSpace& space = FChannels[c];
            const int oldValue = Value(old, c);
            const int value = Value(start, c);
            if (value != 0) space.Rising.Flush();
            space.Rising.AddPoint(old - FOrigin, space.Rising.LeftY, value == 0 && oldValue == 0);
            space.Falling.AddPoint(old - FOrigin, space.Falling.LeftY, oldValue == 0 && space.ZerosToRight);
            space.Rising.LeftY -= Rise(value, oldValue);
            space.Falling.LeftY -= Fall(value, oldValue);
            space.ZerosToRight = space.ZerosToRight && oldValue == 0;
        }
        FStart = start;
    }

    // Whether Start .. Right is one run.
    bool Feasible() const {
        for (int c = 0; c < 3; ++c) {
            if (!RisingFits(c) && !FallingFits(c)) return false;
        }
        return true;
    }

    // Whether no start at or left of Start can reach Right.
    bool Hopeless() const {
        for (const TChannelSpace& space : FChannels) {
            if (space.Rising.Dead() && space.Falling.Dead()) return true;
        }
        return false;
    }

    // Extends Right as far as the run from Start stays one run (it is one
    // now). Adds runs of equal colours at once, and within the one that
    // does not fit whole, finds the last colour that does.
    void Extend() {
        const auto size = static_cast<std::int64_t>(FColors->size());
        TRunSpace snapshot = *this;
        std::vector<std::int64_t> sinceSnapshot;
        while (FRight + 1 < size) {
            const std::int64_t next = FRight + 1;
            if (next - 2 >= FStart && Breaks(*FColors, next - 1)) return;
            const std::int64_t last = BlockEnd(*FColors, next);
            AddBlock(last);
            if (Feasible()) {
                sinceSnapshot.push_back(last);
                if (sinceSnapshot.size() >= kSnapshotEvery) {
                    snapshot = *this;
                    sinceSnapshot.clear();
                }
                continue;
            }
            // Back to the last colour that fitted, then the longest part
            // of this block that still fits.
            *this = snapshot;
            for (const std::int64_t end : sinceSnapshot) AddBlock(end);
            std::int64_t fits = next - 1;
            std::int64_t fails = last;
            std::optional<TRunSpace> best;
            while (fails - fits > 1) {
                const std::int64_t middle = fits + (fails - fits) / 2;
                TRunSpace trial = *this;
                trial.AddBlock(middle);
                if (trial.Feasible()) {
                    fits = middle;
                    best = std::move(trial);
                } else {
                    fails = middle;
                }
            }
            if (best) *this = std::move(*best);
            return;
        }
    }

    // The line of channel c for the run Start .. Right (Feasible()).
    TChannelLine Line(int c) const {
        const TChannelSpace& space = FChannels[c];
        const std::int64_t x = FStart - FOrigin;
        const int first = Value(FStart, c);
        TChannelLine line;
        if (RisingFits(c)) {
            const TDirection& rising = space.Rising;
            std::int64_t pin = rising.LeftY;
            if (!rising.For(pin).PassesThrough(x, pin)) pin = *RisingPin(c);
            line.Rising = true;
            line.PinY = pin;
            line.Start = first + (pin - rising.LeftY);
            line.Plain = pin == rising.LeftY && first + (rising.MaxY - rising.LeftY) <= 255 &&
                         first + (rising.MinY - rising.LeftY) >= 0;
            Describe(rising.For(pin), x, pin, line);
            return line;
        }
        const TDirection& falling = space.Falling;
        line.Rising = false;
        line.PinY = falling.LeftY;
        line.Start = FallingStart(c);
        line.Plain = !falling.Pending.Has && first + (falling.MinY - falling.LeftY) >= 0 &&
                     first + (falling.MaxY - falling.LeftY) <= 255;
        Describe(falling.For(falling.LeftY), x, falling.LeftY, line);
        return line;
    }

private:
    int Value(std::int64_t index, int c) const noexcept { return Channel((*FColors)[static_cast<std::size_t>(index)], c); }

    // A rising channel: pinned at its first value, or, where that is 0,
    // with the start anywhere down to -2^31 (a head of zeros).
    bool RisingFits(int c) const {
        const TChannelSpace& space = FChannels[c];
        const TDirection& rising = space.Rising;
        if (Value(FStart, c) != 0) return rising.For(rising.LeftY).PassesThrough(FStart - FOrigin, rising.LeftY);
        if (space.ZerosToRight) return true;  // nothing but zeros
        return RisingPin(c).has_value();
    }

    // A pin for a rising channel that starts at 0: a value from the start's
    // own down to 2^31 below it, through which a line passes. The polygons
    // give the range of values a line can have at the start; integers of
    // either parity near its ends and in its middle are tried exactly.
    std::optional<std::int64_t> RisingPin(int c) const {
        const TDirection& rising = FChannels[c].Rising;
        const std::int64_t x = FStart - FOrigin;
        const std::int64_t highest = rising.LeftY;
        const std::int64_t lowest = rising.LeftY - kStartRange;
        for (const TRunPolygon* polygon : {&rising.Even, &rising.Odd}) {
            const auto range = polygon->ValuesAt(x);
            if (!range) continue;
            const auto approximate = [](const TEpsilonRational& value) {
                return static_cast<double>(value.Value) / static_cast<double>(value.Denominator);
            };
            const double low = std::floor(approximate(range->Low));
            const double high = std::floor(approximate(range->High));
            std::vector<double> candidates;
            for (int d = -2; d <= 3; ++d) candidates.push_back(low + d);
            for (int d = -3; d <= 2; ++d) candidates.push_back(high + d);
            candidates.push_back(std::floor((low + high) / 2));
            candidates.push_back(std::floor((low + high) / 2) + 1);
            for (const double candidate : candidates) {
                if (!(candidate >= static_cast<double>(lowest) && candidate <= static_cast<double>(highest))) continue;
                const auto y = static_cast<std::int64_t>(candidate);
                if (((y & 1) == 0) != (polygon == &rising.Even)) continue;
                if (polygon->PassesThrough(x, y)) return y;
            }
        }
        return std::nullopt;
    }

    // The start of a falling channel: its first value plus as many times
    // 256 as keep every sum up to the last non-zero colour at least 0, and
    // let the tail of zeros (if any) go below.
    std::int64_t FallingStart(int c) const {
        const TDirection& falling = FChannels[c].Falling;
        if (falling.Pending.Has) return falling.LeftY - falling.Pending.Y;
        return Value(FRight, c) + falling.LeftY - falling.RightY;
    }

    bool FallingFits(int c) const {
        const TDirection& falling = FChannels[c].Falling;
        if (FallingStart(c) > kMaxStart) return false;
        return falling.For(falling.LeftY).PassesThrough(FStart - FOrigin, falling.LeftY);
    }

    void Describe(const TRunPolygon& polygon, std::int64_t x, std::int64_t pin, TChannelLine& line) const {
        const TRunPolygon::TSlopes slopes = polygon.SlopesThrough(x, pin);
        line.SlopeLow = slopes.Low;
        line.SlopeHigh = slopes.High;
        for (const TBandConstraint& constraint : slopes.Binding) {
            line.Binding.push_back({constraint.X - x, constraint.Y - pin, constraint.Band == TBand::Lower});
        }
    }

    const TPaletteArray* FColors;
    std::int64_t FOrigin;
    std::int64_t FStart;
    std::int64_t FRight;
    TChannelSpace FChannels[3];
};

// The farthest end (exclusive) of a run from `start`, from nothing known.
std::int64_t ReachFrom(const TPaletteArray& colors, std::int64_t start, std::optional<TRunSpace>& space) {
    const auto size = static_cast<std::int64_t>(colors.size());
    if (start + 2 >= size) return size;
    // Any two colours make a run; a third that breaks with them ends it.
    if (Breaks(colors, start + 1)) {
        space.reset();
        return start + 2;
    }
    space.emplace(colors, start);
    space->Extend();
    return space->Right() + 1;
}

}  // namespace

std::vector<std::int64_t> ShortestRunStarts(const TPaletteArray& colors) {
    std::vector<std::int64_t> starts;
    const auto size = static_cast<std::int64_t>(colors.size());
    if (size == 0) return starts;
    std::optional<TRunSpace> space;
    starts.push_back(0);
    std::int64_t reached = ReachFrom(colors, 0, space);
    std::int64_t low = 0;
    while (reached < size) {
        // The next run starts somewhere in (low, reached]; the one that
        // reaches farthest, the leftmost of equals, is taken.
        const std::int64_t top = reached;
        std::int64_t best = ReachFrom(colors, top, space);
        std::int64_t chosen = top;
        for (std::int64_t start = top - 1; start > low && best < size; --start) {
            if (Breaks(colors, start + 1)) break;
            if (!space || space->Start() != start + 1 || space->Right() != best - 1) {
                space.emplace(colors, start + 1);
                space->AddUpTo(best - 1);
            }
            space->MoveStartLeft();
            if (space->Hopeless()) break;
            if (!space->Feasible()) continue;
            chosen = start;
            space->Extend();
            best = space->Right() + 1;
        }
        starts.push_back(chosen);
        low = top;
        reached = best;
    }
    return starts;
}

bool IsLineRun(const TPaletteArray& colors, std::int64_t first, std::int64_t end) {
    if (end - first <= 2) return true;
    for (std::int64_t j = first + 1; j + 1 < end; ++j) {
        if (Breaks(colors, j)) return false;
    }
    TRunSpace space(colors, first);
    space.AddUpTo(end - 1);
    return space.Feasible();
}

TRunLines LinesOfRun(const TPaletteArray& colors, std::int64_t first, std::int64_t end) {
    TRunSpace space(colors, first);
    space.AddUpTo(end - 1);
    TRunLines lines;
    for (int c = 0; c < 3; ++c) lines.Channels[c] = space.Line(c);
    return lines;
}

}  // namespace rulv
