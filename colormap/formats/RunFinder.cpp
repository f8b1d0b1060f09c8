// RunFinder.cpp - the polygons of a run's channels, and the jump game.
#include "colormap/formats/RunFinder.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

#include "colormap/formats/RunPolygon.h"
#include "common/LargeBlock.h"

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

// A run of zeros held back from the polygons: the start's head of zeros
// or the tail of zeros at the right end, whose sums may lie below zero.
// Zeros of one run share their unwrapped value, so its two ends stand for
// all of it.
struct TZeros {
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

// One channel unwrapped one way (rising or falling): the polygons of its
// points for even and odd pins (without the head and the tail), its values
// at the start and at the right end, and the zeros held back.
struct TUnwrapped {
    TRunPolygon Even{true};
    TRunPolygon Odd{false};
    std::int64_t LeftY = 0;
    std::int64_t RightY = 0;
    std::int64_t MinY = 0;
    std::int64_t MaxY = 0;
    TZeros Head;
    TZeros Tail;

    void Note(std::int64_t y) noexcept {
        MinY = std::min(MinY, y);
        MaxY = std::max(MaxY, y);
    }
    void AddPoint(std::int64_t x, std::int64_t y) {
        Note(y);
        Even.AddPoint(x, y);
        Odd.AddPoint(x, y);
    }
    void Settle(TZeros& zeros) {
        if (!zeros.Has) return;
        const TZeros settled = zeros;
        zeros = {};
        AddPoint(settled.MinX, settled.Y);
        AddPoint(settled.MaxX, settled.Y);
    }
    const TRunPolygon& For(std::int64_t y) const noexcept { return (y & 1) == 0 ? Even : Odd; }
    bool Dead() const noexcept { return Even.Empty() && Odd.Empty(); }
};

// Adds both bands of a run of zeros to a polygon.
void AddBoth(TRunPolygon& polygon, const TZeros& zeros) {
    if (!zeros.Has) return;
    polygon.AddPoint(zeros.MinX, zeros.Y);
    polygon.AddPoint(zeros.MaxX, zeros.Y);
}

struct TChannelSpace {
    std::array<TUnwrapped, 2> Ways;  // rising, falling
    // Whether every colour after the start, up to the right end, is 0 here.
    bool ZerosToRight = true;
};

constexpr int kRisingWay = 0;
constexpr int kFallingWay = 1;

// How a channel's line fits (see RunFinder.h).
enum class TClamp { None, Head, Tail };

struct TFit {
    TClamp Clamp = TClamp::None;
    int Way = kRisingWay;
    int Steep = 0;  // the slope is the polygon's plus (head) or minus (tail) 256 times this
    std::int64_t PinY = 0;
    std::int64_t Start = 0;
    TRunPolygon Polygon{true};
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
            const bool head = Value(FStart, c) == 0 && space.ZerosToRight;
            for (int way = 0; way < 2; ++way) {
                TUnwrapped& unwrapped = space.Ways[way];
                unwrapped.RightY += way == kRisingWay ? Rise(previous, value) : Fall(previous, value);
                if (value != 0) unwrapped.Settle(unwrapped.Tail);
                for (const std::int64_t x : {first, last}) {
                    if (value != 0) {
                        unwrapped.AddPoint(x - FOrigin, unwrapped.RightY);
                    } else {
                        unwrapped.Note(unwrapped.RightY);
                        (head ? unwrapped.Head : unwrapped.Tail).Extend(x - FOrigin, unwrapped.RightY);
                    }
                    if (last == first) break;
                }
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
            for (int way = 0; way < 2; ++way) {
                TUnwrapped& unwrapped = space.Ways[way];
                const std::int64_t x = old - FOrigin;
                const std::int64_t y = unwrapped.LeftY;
                if (value == 0 && oldValue == 0) {
                    unwrapped.Note(y);
                    unwrapped.Head.Extend(x, y);
                } else if (value != 0 && oldValue == 0 && space.ZerosToRight) {
                    // Nothing but zeros after a non-zero start: they are its tail.
                    unwrapped.Note(y);
                    unwrapped.Tail = unwrapped.Head;
                    unwrapped.Head = {};
                    unwrapped.Tail.Extend(x, y);
                } else {
                    if (value != 0) unwrapped.Settle(unwrapped.Head);
                    unwrapped.AddPoint(x, y);
                }
                unwrapped.LeftY -= way == kRisingWay ? Rise(value, oldValue) : Fall(value, oldValue);
            }
            space.ZerosToRight = space.ZerosToRight && oldValue == 0;
        }
        FStart = start;
    }

    // Whether Start .. Right is one run.
    bool Feasible() const {
        for (int c = 0; c < 3; ++c) {
            if (!Fit(c, false)) return false;
        }
        return true;
    }

    // Whether no start at or left of Start can reach Right.
    bool Hopeless() const {
        for (const TChannelSpace& space : FChannels) {
            if (space.Ways[0].Dead() && space.Ways[1].Dead()) return true;
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
        const std::optional<TFit> fit = Fit(c, true);
        const TUnwrapped& unwrapped = FChannels[c].Ways[fit->Way];
        const std::int64_t x = FStart - FOrigin;
        const int first = Value(FStart, c);
        TChannelLine line;
        line.Rising = fit->Way == kRisingWay;
        line.Start = fit->Start;
        line.PinY = fit->PinY;
        line.Plain = fit->Clamp != TClamp::Tail && fit->Steep == 0 && fit->Start == first &&
                     first + (unwrapped.MinY - unwrapped.LeftY) >= 0 && first + (unwrapped.MaxY - unwrapped.LeftY) <= 255;
        const TRunPolygon::TSlopes slopes = fit->Polygon.SlopesThrough(x, fit->PinY);
        // A steep line's slope is the polygon's plus or minus 256, and its
        // rounded products move by 256 per colour with it.
        const std::int64_t shift = std::int64_t{256} * fit->Steep * (fit->Clamp == TClamp::Tail ? -1 : 1);
        line.SlopeLow = slopes.Low + static_cast<double>(shift);
        line.SlopeHigh = slopes.High + static_cast<double>(shift);
        line.Exact = slopes.Exact;
        for (const TBandConstraint& constraint : slopes.Binding) {
            const std::int64_t k = constraint.X - x;
            line.Binding.push_back({k, constraint.Y - fit->PinY + shift * k, constraint.Band == TBand::Lower});
        }
        return line;
    }

private:
    int Value(std::int64_t index, int c) const noexcept { return Channel((*FColors)[static_cast<std::size_t>(index)], c); }

    // The first way that fits channel c, or nothing; with `keep`, the
    // polygon it fits in too. In turn: without a clamp, rising from the
    // first value or falling from it plus 256 m; under a head of zeros
    // (the first value 0), from any start down to -2^31, rising or steep;
    // into a tail of zeros, falling or steep.
    std::optional<TFit> Fit(int c, bool keep) const {
        const TChannelSpace& space = FChannels[c];
        const std::int64_t x = FStart - FOrigin;
        const int first = Value(FStart, c);
        const auto result = [&](TClamp clamp, int way, int steep, std::int64_t pin, std::int64_t start,
                                const TRunPolygon& polygon) {
            TFit fit;
            fit.Clamp = clamp;
            fit.Way = way;
            fit.Steep = steep;
            fit.PinY = pin;
            fit.Start = start;
            if (keep) fit.Polygon = polygon;
            return std::optional<TFit>(std::move(fit));
        };
        for (int way = 0; way < 2; ++way) {
            const TUnwrapped& unwrapped = space.Ways[way];
            const std::int64_t pin = unwrapped.LeftY;
            if (way == kRisingWay && first == 0) continue;  // a head clamp covers it
            if (way == kFallingWay && unwrapped.Tail.Has) continue;  // a tail clamp covers it
            const std::int64_t start =
                way == kRisingWay ? first : Value(FRight, c) + pin - unwrapped.RightY;
            if (start > kMaxStart) continue;
            if (!unwrapped.Head.Has && !unwrapped.Tail.Has) {
                const TRunPolygon& polygon = unwrapped.For(pin);
                if (polygon.PassesThrough(x, pin)) return result(TClamp::None, way, 0, pin, start, polygon);
                continue;
            }
            TRunPolygon polygon = unwrapped.For(pin);
            AddBoth(polygon, unwrapped.Head);
            AddBoth(polygon, unwrapped.Tail);
            if (polygon.PassesThrough(x, pin)) return result(TClamp::None, way, 0, pin, start, polygon);
        }
        if (first == 0 && !space.ZerosToRight) {
            // The first non-zero colour after the head, at h: its sum is its
            // value, and every sum before it at most 0.
            const std::int64_t h = space.Ways[0].Head.Has ? space.Ways[0].Head.MaxX + 1 : x + 1;
            const int valueAtH = Value(h + FOrigin, c);
            for (const auto& [way, steep] : {std::pair{kRisingWay, 0}, std::pair{kRisingWay, 1}, std::pair{kFallingWay, 1}}) {
                const TUnwrapped& unwrapped = space.Ways[way];
                const std::int64_t yAtH = unwrapped.LeftY + (way == kRisingWay ? valueAtH : valueAtH - 256);
                const std::int64_t base = yAtH - valueAtH;
                const std::int64_t drop = std::int64_t{256} * steep * (h - x);
                for (const std::int64_t parity : {0, 1}) {
                    TRunPolygon polygon = unwrapped.For(parity);
                    AddBoth(polygon, unwrapped.Tail);
                    if (unwrapped.Head.Has) {
                        for (const std::int64_t zero : {unwrapped.Head.MinX, unwrapped.Head.MaxX}) {
                            polygon.Add(zero, base + std::int64_t{256} * steep * (h - zero), TBand::Upper);
                        }
                    }
                    // start = pin - yAtH + valueAtH - drop, from -2^31 to 0.
                    const std::int64_t offset = yAtH - valueAtH + drop;
                    const std::optional<std::int64_t> pin =
                        PinWithin(polygon, x, offset - kStartRange, offset, parity);
                    if (pin) return result(TClamp::Head, way, steep, *pin, *pin - offset, polygon);
                }
            }
        }
        for (const auto& [way, steep] : {std::pair{kFallingWay, 0}, std::pair{kFallingWay, 1}, std::pair{kRisingWay, 1}}) {
            const TUnwrapped& unwrapped = space.Ways[way];
            if (!unwrapped.Tail.Has) break;
            // The last colour before the tail ends at its own value, the
            // tail's first sum below 0.
            const std::int64_t base = unwrapped.Tail.Y - (way == kRisingWay ? 256 : 0);
            const std::int64_t pin = unwrapped.LeftY;
            const std::int64_t start = pin - base + std::int64_t{256} * steep * (unwrapped.Tail.MinX - 1 - x);
            if (start > kMaxStart) continue;
            TRunPolygon polygon = unwrapped.For(pin);
            AddBoth(polygon, unwrapped.Head);
            polygon.Add(unwrapped.Tail.MinX, base + std::int64_t{256} * steep, TBand::Upper);
            if (steep == 0) polygon.Add(unwrapped.Tail.MaxX, base, TBand::Upper);
            if (polygon.PassesThrough(x, pin)) return result(TClamp::Tail, way, steep, pin, start, polygon);
        }
        return std::nullopt;
    }

    // A value of `parity` from `lowest` to `highest` through which a line
    // of the polygon passes at x. The polygon gives the range of values its
    // lines have at x; integers near its ends and in its middle are tried
    // exactly.
    static std::optional<std::int64_t> PinWithin(const TRunPolygon& polygon, std::int64_t x, std::int64_t lowest,
                                                 std::int64_t highest, std::int64_t parity) {
        const auto range = polygon.ValuesAt(x);
        if (!range) return std::nullopt;
        const auto approximate = [](const TEpsilonRational& value) {
            return static_cast<double>(value.Value) / static_cast<double>(value.Denominator);
        };
        const double low = std::max(std::floor(approximate(range->Low)), static_cast<double>(lowest) - 4);
        const double high = std::min(std::floor(approximate(range->High)), static_cast<double>(highest) + 4);
        std::vector<double> candidates;
        for (int d = -2; d <= 3; ++d) candidates.push_back(low + d);
        for (int d = -3; d <= 2; ++d) candidates.push_back(high + d);
        candidates.push_back(std::floor((low + high) / 2));
        candidates.push_back(std::floor((low + high) / 2) + 1);
        for (const double candidate : candidates) {
            if (!(candidate >= static_cast<double>(lowest) && candidate <= static_cast<double>(highest))) continue;
            const auto y = static_cast<std::int64_t>(candidate);
            if ((y & 1) != parity) continue;
            if (polygon.PassesThrough(x, y)) return y;
        }
        return std::nullopt;
    }

    const TPaletteArray* FColors;
    std::int64_t FOrigin;
    std::int64_t FStart;
    std::int64_t FRight;
    std::array<TChannelSpace, 3> FChannels;
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
    // Any two colours make a run, so there are at most half as many runs
    // as colours, rounded up: room for them all at once.
    starts.reserve(colors.size() / 2 + 1);
    AdviseLargePages(starts.data(), starts.capacity() * sizeof(std::int64_t));
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
