// NodeWriting.h - a list of colours written as a continuous map: which nodes
// to keep, and numbers as the writers put them.
//
// Colour i of a list of N stands at x = i / (N - 1). A node may be left out
// where the linear interpolation between the nodes kept around it gives
// its colour back exactly (after rounding), so that reading the written
// map at N points gives the same N colours. Which nodes are left out is
// decided on the nodes as the reader will have them (their x and channel
// values read back from the written text) and with the reader's own
// interpolation (NodeColorAt), so the promise holds bit for bit.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <vector>

#include "colormap/formats/MapSource.h"

namespace rulv {

// A channel value 0..255 as the reader of the written map will have it.
using TChannelsAsRead = std::array<double, 256>;

// Channel values read back as they were written (a .cpt's whole numbers).
const TChannelsAsRead& WholeChannels() noexcept;

// The indices of the nodes to keep, first and last always among them.
// Node i stands at NodePosition(i, N) with its colour's channels as
// `asRead` gives them.
std::vector<std::size_t> KeptNodes(const TPaletteArray& colors, const TChannelsAsRead& asRead);

// The shortest decimal text that reads back as `value` (std::to_chars).
std::string ShortestDecimal(double value);

// Writes a whole number from -255 to 255 at `out`, which has room for four
// characters; where it ends.
char* WriteChannelNumber(char* out, int value) noexcept;

// i / (N - 1) as a double (0 for N = 1): where colour i of N stands.
double NodePosition(std::size_t index, std::size_t count) noexcept;

}  // namespace rulv
