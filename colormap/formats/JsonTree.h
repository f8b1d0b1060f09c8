// JsonTree.h - a JSON document as nlohmann-json parses it, with the byte
// offset of every value, so that a reader can say where a value is wrong.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace rulv {

struct TJsonNode {
    enum class TKind { Null, Boolean, Number, String, Array, Object };
    TKind Kind = TKind::Null;
    bool Boolean = false;
    double Number = 0;
    std::string String;
    std::vector<TJsonNode> Items;  // of an array, or an object's values
    std::vector<std::string> Keys; // an object's keys, one per item
    std::size_t Offset = 0;        // of the value's first byte

    // The value of `key` in an object, or nullptr.
    const TJsonNode* Find(std::string_view key) const noexcept;
};

// Parses `text` (strict JSON, UTF-8). Raises EMapFault with nlohmann-json's
// own reason at the byte where the syntax breaks.
TJsonNode ParseJsonTree(std::string_view text);

}  // namespace rulv
